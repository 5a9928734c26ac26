# SPDX-License-Identifier: MIT
# Boost for the Windows build: the host's headers (only header-only parts are used).
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
include(FindPackageHandleStandardArgs)
extcalc_header_version(boost_number /usr/include/boost/version.hpp BOOST_VERSION)
# BOOST_VERSION is major * 100000 + minor * 100 + patch.
math(EXPR boost_major "${boost_number} / 100000")
math(EXPR boost_minor "${boost_number} / 100 % 1000")
math(EXPR boost_patch "${boost_number} % 100")
set(Boost_VERSION ${boost_major}.${boost_minor}.${boost_patch})
extcalc_host_headers(Boost::headers boost)
set(Boost_INCLUDE_DIRS ${EXTCALC_HOST_HEADERS})
find_package_handle_standard_args(Boost REQUIRED_VARS Boost_INCLUDE_DIRS VERSION_VAR Boost_VERSION)
