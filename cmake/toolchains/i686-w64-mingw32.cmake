# Cross build of the 32-bit Windows console program with Debian's i686
# mingw-w64 compiler (its win32 thread variant, the one
# tools/install-windows-deps installs).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VEXMOR_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${VEXMOR_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${VEXMOR_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${VEXMOR_MINGW_PREFIX}-windres)

# Look for programs on the build machine, for libraries and headers only in
# the target's own tree.
set(CMAKE_FIND_ROOT_PATH /usr/${VEXMOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime (libgcc with its DWARF unwinder, libstdc++) is
# linked in, so vexmor.exe needs no DLL beside it, only the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Where a build step or a test runs a target program, it runs under Wine,
# headless, in the build's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tools/wine-run)
