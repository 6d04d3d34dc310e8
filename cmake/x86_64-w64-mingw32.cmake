# Cross-build of vyn.exe for 64-bit Windows with Debian's MinGW-w64:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VYN_MINGW_PREFIX x86_64-w64-mingw32)
# The posix-threads compiler: std::thread and std::mutex need it.
set(CMAKE_C_COMPILER ${VYN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VYN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VYN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VYN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime (libstdc++, libgcc, winpthread): vyn.exe runs alone.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests built here run under Wine when it is installed.
find_program(VYN_WINE NAMES wine64 wine)
if(VYN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VYN_WINE})
endif()
