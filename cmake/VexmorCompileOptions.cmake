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

# The same sources must give the same bytes wherever they lie: file names
# that reach the objects (debug data, __FILE__) are made relative to the
# source tree, and the Windows linker writes no time stamp into the PE
# header (it would be the time of linking).
add_compile_options(
  "$<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>")
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# Debian's hardening, as dpkg-buildflags hands it to every package: stack
# protector, fortified libc calls, format checks, full RELRO with bind-now.
# PIE is the compilers' own default here, so dpkg-buildflags adds nothing
# for it. Its optimisation and debug flags are left to the build type and
# its file-name mapping to the lines above; -Wdate-time stays, so that a
# build that would embed its own date is warned about. None of these
# touches the fault path: the handler unwinds through ordinary frames (a
# canary is only checked on a normal return), and the kernel has no array
# to guard. Fortification needs an optimised build, so a Debug build goes
# without it. The mingw-w64 runtime has no stack protector or fortified
# calls of its own (they need libssp), so the Windows build gets none.
if(NOT WIN32)
  find_program(VEXMOR_DPKG_BUILDFLAGS dpkg-buildflags)
  if(VEXMOR_DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env
          "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
          ${VEXMOR_DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      list(FILTER flags EXCLUDE REGEX "^(-g|-O[0-9s]?)$")
      set(VEXMOR_HARDENING_${kind} ${flags})
    endforeach()
    add_compile_options(
      "$<$<AND:$<COMPILE_LANGUAGE:CXX>,$<NOT:$<CONFIG:Debug>>>:${VEXMOR_HARDENING_CPPFLAGS}>"
      "$<$<COMPILE_LANGUAGE:CXX>:${VEXMOR_HARDENING_CXXFLAGS}>")
    add_link_options(${VEXMOR_HARDENING_LDFLAGS})
  else()
    message(STATUS "No dpkg-buildflags: built without Debian's hardening flags")
  endif()
endif()
