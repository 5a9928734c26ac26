# SPDX-License-Identifier: MIT
# fast_float for the Windows and WebAssembly builds: the host's headers.
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
include(FindPackageHandleStandardArgs)
extcalc_host_headers(FastFloat::fast_float fast_float)
set(FastFloat_INCLUDE_DIRS ${EXTCALC_HOST_HEADERS})
find_package_handle_standard_args(FastFloat REQUIRED_VARS FastFloat_INCLUDE_DIRS)
