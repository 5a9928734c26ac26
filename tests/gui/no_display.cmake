# SPDX-License-Identifier: MIT
# Starts the program where it can get no display and expects exactly one line on
# standard error, nothing on standard output and exit status 1 (not Qt's abort).
#   cmake -D PROGRAM=<path> -D CASE=<unset|unreachable|unknown-platform> -P no_display.cmake

unset(ENV{WAYLAND_DISPLAY})
if(CASE STREQUAL "unset")
    unset(ENV{DISPLAY})
    unset(ENV{QT_QPA_PLATFORM})
    set(expected "^extinguisher-calc：无法打开窗口：没有可用的图形显示（DISPLAY 未设置）\n$")
elseif(CASE STREQUAL "unreachable")
    set(ENV{DISPLAY} ":97")
    set(ENV{QT_QPA_PLATFORM} "xcb")
    set(expected "^extinguisher-calc：无法打开窗口：[^\n]+\n$")
elseif(CASE STREQUAL "unknown-platform")
    set(ENV{QT_QPA_PLATFORM} "no-such-platform")
    set(expected "^extinguisher-calc：无法打开窗口：[^\n]+\n$")
else()
    message(FATAL_ERROR "unknown CASE '${CASE}'")
endif()

execute_process(COMMAND "${PROGRAM}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
if(NOT status STREQUAL "1")
    message(FATAL_ERROR "exit status '${status}', expected 1; stderr:\n${err}")
endif()
if(NOT out STREQUAL "")
    message(FATAL_ERROR "unexpected standard output:\n${out}")
endif()
if(NOT err MATCHES "${expected}")
    message(FATAL_ERROR "standard error is not the one expected line:\n${err}")
endif()
