# SPDX-License-Identifier: MIT
# The Windows build ships as a zip to unpack anywhere: the command line (built with
# MinGW-w64 it needs only Windows' own DLLs, its runtimes being linked in), a short readme
# in each language, the licence and the sample building.
if(TARGET extinguisher-calc)
    # The Qt DLLs it needs are added to the installed tree by windeployqt (docs/windows.md).
    install(TARGETS extinguisher-calc RUNTIME DESTINATION .)
endif()
install(FILES "${CMAKE_CURRENT_LIST_DIR}/README-windows.txt"
              "${CMAKE_CURRENT_LIST_DIR}/README.zh-CN.txt" DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/examples/" DESTINATION examples)

set(CPACK_PACKAGE_NAME extinguisher-calc-cli)
set(CPACK_PACKAGE_VENDOR "extinguisher-calc contributors")
set(CPACK_PACKAGE_FILE_NAME "extinguisher-calc-cli-${PROJECT_VERSION}-win64")
set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
include(CPack)
