# SPDX-License-Identifier: MIT
# nlohmann-json for the Windows build: the host's headers.
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
include(FindPackageHandleStandardArgs)
set(major "")
set(minor "")
set(patch "")
extcalc_header_version(major /usr/include/nlohmann/detail/abi_macros.hpp NLOHMANN_JSON_VERSION_MAJOR)
extcalc_header_version(minor /usr/include/nlohmann/detail/abi_macros.hpp NLOHMANN_JSON_VERSION_MINOR)
extcalc_header_version(patch /usr/include/nlohmann/detail/abi_macros.hpp NLOHMANN_JSON_VERSION_PATCH)
set(nlohmann_json_VERSION ${major}.${minor}.${patch})
extcalc_host_headers(nlohmann_json::nlohmann_json nlohmann)
set(nlohmann_json_INCLUDE_DIRS ${EXTCALC_HOST_HEADERS})
find_package_handle_standard_args(nlohmann_json REQUIRED_VARS nlohmann_json_INCLUDE_DIRS
                                  VERSION_VAR nlohmann_json_VERSION)
