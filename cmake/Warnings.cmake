# SPDX-License-Identifier: MIT
# One place for the warning set, so every target of ours is held to the same bar.
add_library(extcalc_warnings INTERFACE)
if(MSVC)
    # The tables and messages are UTF-8 Chinese; make the compiler read and emit them as such.
    target_compile_options(extcalc_warnings INTERFACE /W4 /utf-8 $<$<BOOL:${EXTCALC_WERROR}>:/WX>)
else()
    target_compile_options(extcalc_warnings INTERFACE
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
        -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference
        -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
        -finput-charset=UTF-8 -fexec-charset=UTF-8
        $<$<BOOL:${EXTCALC_WERROR}>:-Werror>)
endif()
