# The workbook's metainfo as a build given the screenshot's published address writes it,
# validated: cmake -DSOURCE=… -DOUT=… -DAPPSTREAMCLI=… -P check_screenshot_metainfo.cmake
file(READ "${SOURCE}" metainfo)
string(CONCAT screenshots
    "<screenshots>\n"
    "    <screenshot type=\"default\">\n"
    "      <caption>A building's calculation units and the extinguishers they add up to</caption>\n"
    "      <caption xml:lang=\"zh-CN\">一栋建筑的计算单元和灭火器配置清单</caption>\n"
    "      <image type=\"source\">https://example.org/docs/workbook.png</image>\n"
    "    </screenshot>\n"
    "  </screenshots>")
string(REPLACE "<!-- @SCREENSHOTS@ -->" "${screenshots}" metainfo "${metainfo}")
if(NOT metainfo MATCHES "<screenshots>")
    message(FATAL_ERROR "the metainfo has no place for the screenshot")
endif()
file(WRITE "${OUT}" "${metainfo}")
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate failed on ${OUT}")
endif()
