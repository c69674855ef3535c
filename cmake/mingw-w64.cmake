# Cross build for 64-bit Windows with MinGW-w64; the test programs run under Wine.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SUNDER_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model: its C++ runtime has std::mutex and std::thread,
# which GoogleTest needs (winpthreads is linked in statically).
set(CMAKE_C_COMPILER ${SUNDER_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SUNDER_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SUNDER_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SUNDER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C and C++ runtimes linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest (and gtest_discover_tests, should anyone use it) runs the programs through Wine.
find_program(SUNDER_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SUNDER_WINE})
