# Cross-compiles the Windows program with MinGW-w64 (64-bit, POSIX threads) and runs
# what it builds (tests, the program itself) under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELMAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELMAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELMAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KELMAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELMAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C and C++ runtimes and winpthreads linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every built program runs through the Wine wrapper, so ctest and gtest discovery work.
set(CMAKE_CROSSCOMPILING_EMULATOR env KELMAR_WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
