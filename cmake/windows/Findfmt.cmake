# SPDX-License-Identifier: MIT
# {fmt} for the Windows and WebAssembly builds: the host's headers, used header-only.
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
include(FindPackageHandleStandardArgs)
set(version "")
extcalc_header_version(version /usr/include/fmt/core.h FMT_VERSION)
math(EXPR fmt_major "${version} / 10000")
math(EXPR fmt_minor "${version} / 100 % 100")
math(EXPR fmt_patch "${version} % 100")
set(fmt_VERSION ${fmt_major}.${fmt_minor}.${fmt_patch})
extcalc_host_headers(fmt::fmt-header-only fmt)
set_property(TARGET fmt::fmt-header-only PROPERTY INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY=1)
set(fmt_INCLUDE_DIRS ${EXTCALC_HOST_HEADERS})
find_package_handle_standard_args(fmt REQUIRED_VARS fmt_INCLUDE_DIRS VERSION_VAR fmt_VERSION)
