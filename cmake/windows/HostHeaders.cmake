# SPDX-License-Identifier: MIT
# The header-only libraries installed for the host (/usr/include/boost, /usr/include/CLI)
# serve the Windows build as well, but /usr/include itself must stay off the cross
# compiler's path: its C library headers are glibc's. A folder in the build tree links
# to just the libraries asked for.
set(EXTCALC_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
include_guard(GLOBAL)

# Makes the imported target `target` whose headers are /usr/include/<folder>.
function(extcalc_host_headers target folder)
    if(TARGET ${target})
        return()
    endif()
    if(NOT IS_DIRECTORY /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/install-deps.sh")
    endif()
    file(MAKE_DIRECTORY ${EXTCALC_HOST_HEADERS})
    file(CREATE_LINK /usr/include/${folder} ${EXTCALC_HOST_HEADERS}/${folder} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES
        INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${EXTCALC_HOST_HEADERS}
        INTERFACE_INCLUDE_DIRECTORIES ${EXTCALC_HOST_HEADERS})
endfunction()

# The version a header states in a line `#define <macro> <number>`.
function(extcalc_header_version out header macro)
    file(STRINGS ${header} line REGEX "#define[ \t]+${macro}[ \t]+")
    string(REGEX REPLACE ".*${macro}[ \t]+\"?([0-9.]+)\"?.*" "\\1" version "${line}")
    set(${out} ${version} PARENT_SCOPE)
endfunction()
