# SPDX-License-Identifier: MIT
# 64-bit Windows programs from Debian's MinGW-w64, with POSIX threads so that std::thread
# and std::mutex work. Only the Qt-free layers are built this way (EXTCALC_BUILD_GUI=OFF).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(extcalc_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${extcalc_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${extcalc_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${extcalc_triplet}-windres)

# Libraries and packages come from the MinGW tree only: the host's /usr/include holds
# glibc headers the cross compiler must never see. The header-only libraries the build
# takes from the host are brought in one by one by cmake/windows/Find*.cmake.
set(CMAKE_FIND_ROOT_PATH /usr/${extcalc_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/windows)

# The C and C++ runtimes and winpthread linked in, so the .exe runs on its own with
# nothing but Windows' system DLLs next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# The tests run through Wine. Its prefix lives in the build tree, made on first use.
find_program(EXTCALC_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine)
if(EXTCALC_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh ${EXTCALC_WINE} ${CMAKE_BINARY_DIR}/wine)
endif()
