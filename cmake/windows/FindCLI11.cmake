# SPDX-License-Identifier: MIT
# CLI11 for the Windows build: the host's headers.
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
include(FindPackageHandleStandardArgs)
extcalc_header_version(CLI11_VERSION /usr/include/CLI/Version.hpp CLI11_VERSION)
extcalc_host_headers(CLI11::CLI11 CLI)
set(CLI11_INCLUDE_DIRS ${EXTCALC_HOST_HEADERS})
find_package_handle_standard_args(CLI11 REQUIRED_VARS CLI11_INCLUDE_DIRS VERSION_VAR CLI11_VERSION)
