# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with MinGW-w64 (Debian's posix-thread
# compilers). CTest runs the built programs under Wine, in a Wine prefix kept
# in the build directory.
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DIDLESCOPE_GUI=OFF -DIDLESCOPE_BENCHMARKS=OFF
#
# With Qt for MinGW (scripts/qt-mingw), the whole program: Qt's toolchain
# file loads this one.
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=<Qt>/lib/cmake/Qt6/qt.toolchain.cmake \
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in: Wine needs no MinGW DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Release programs without their symbol tables: with a static Qt these are
# half of the file.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
