# Compile options shared by the program's own code and its tests. They are
# the C++ compiler's: a target may also hold a resource script (the Windows
# build's string table), which the resource compiler must not be given them.

function(vexmor_warnings target)
  set(options -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wold-style-cast -Wnon-virtual-dtor)
  if(VEXMOR_WARNINGS_AS_ERRORS)
    list(APPEND options -Werror)
  endif()
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${options}>")
endfunction()

# The program's own code: processor faults (a trapped x87 division, a bad
# memory access) are turned into exceptions that must unwind the main block,
# so every instruction that can trap has to be covered by unwind tables.
function(vexmor_program_options target)
  vexmor_warnings(${target})
  set(options -fnon-call-exceptions -fasynchronous-unwind-tables)
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${options}>")
endfunction()

# For a unit whose floating-point operations are meant to trap: they must be
# neither folded away nor reordered. GCC assumes that already; clang has to
# be told, and then waits for the x87 unit before every call, so only such
# units get it.
# vexmor_trapping_float_math(<target> <sources>...)
function(vexmor_trapping_float_math target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set_source_files_properties(${ARGN} TARGET_DIRECTORY ${target}
      PROPERTIES COMPILE_OPTIONS -ffp-exception-behavior=strict)
  endif()
endfunction()
