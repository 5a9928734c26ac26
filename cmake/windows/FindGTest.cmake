# SPDX-License-Identifier: MIT
# GoogleTest for the Windows build, compiled from Debian's sources with the same compiler:
# the host's libgtest is a Linux library.
include(FindPackageHandleStandardArgs)
set(GTest_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest's sources")
if(NOT TARGET GTest::gtest AND EXISTS ${GTest_SOURCE_DIR}/CMakeLists.txt)
    # Windows threads inside GoogleTest, not winpthread; the library is static like the rest.
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(BUILD_SHARED_LIBS OFF)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # Its build names its libraries GTest::gtest and GTest::gtest_main, as installed.
    add_subdirectory(${GTest_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
if(TARGET GTest::gtest)
    set(GTest_LIBRARY GTest::gtest)
endif()
find_package_handle_standard_args(GTest REQUIRED_VARS GTest_LIBRARY)
