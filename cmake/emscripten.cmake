# SPDX-License-Identifier: MIT
# The Qt-free layers as WebAssembly for the browser page, with Debian's emscripten (em++).
# The header-only libraries come from the host one by one through cmake/windows/Find*.cmake,
# as for the Windows build: /usr/include itself holds glibc headers em++ must never see.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/windows)
# The libraries throw (an overflowing count, JSON that is not a project) and the page
# must get the message rather than an abort.
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")
# emscripten's optimiser needs acorn, which Debian keeps where a Node from elsewhere
# does not look.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
