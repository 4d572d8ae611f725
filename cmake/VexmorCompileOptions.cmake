# Compile options shared by the program's own code and its tests.

function(vexmor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wconversion -Wsign-conversion -Wold-style-cast -Wnon-virtual-dtor)
  if(VEXMOR_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The program's own code: processor faults (a trapped x87 division, a bad
# memory access) are turned into exceptions that must unwind the main block,
# so every instruction that can trap has to be covered by unwind tables.
function(vexmor_program_options target)
  vexmor_warnings(${target})
  target_compile_options(${target} PRIVATE -fnon-call-exceptions
    -fasynchronous-unwind-tables)
endfunction()
