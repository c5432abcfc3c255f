# Cross-compiling for Windows x86_64 with Debian's mingw-w64 (posix threads).
# Give this file by absolute path: Qt's generated toolchain file remembers it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(AMBREVALE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${AMBREVALE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${AMBREVALE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${AMBREVALE_MINGW_TRIPLET}-windres)

# The cross-built libraries live in prefixes of their own (listed in
# CMAKE_PREFIX_PATH); never pick up the host's headers or libraries.
set(CMAKE_FIND_ROOT_PATH /usr/${AMBREVALE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The prefixes of the cross-built libraries (scripts/build-windows.sh passes them),
# also for CMake's test compilations.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES AMBREVALE_WINDOWS_PREFIXES)
if(AMBREVALE_WINDOWS_PREFIXES)
  list(APPEND CMAKE_FIND_ROOT_PATH ${AMBREVALE_WINDOWS_PREFIXES})
  list(APPEND CMAKE_PREFIX_PATH ${AMBREVALE_WINDOWS_PREFIXES})
endif()

# No emulator: a test that started a program under Wine directly would hand it the
# host's environment. The tests start every Windows program through
# tests/windows/windows_env.sh instead.
