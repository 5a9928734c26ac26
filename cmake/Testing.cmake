# SPDX-License-Identifier: MIT
# How a GoogleTest program becomes CTest tests. Natively each test is a test of its own, so a
# failure names it and one crash takes only it down. Where starting a program costs much more
# than running a test — under Wine, where each start brings up the emulator, and under the
# sanitizers, whose runtime starts with every program — one program is one test: the same
# tests run, in the same program, and the output still names every test that failed.
option(EXTCALC_TESTS_PER_PROGRAM "One CTest test per test program instead of per test" OFF)

include(GoogleTest)

# A cross-built test program can only be asked for its tests when the tests run, through
# the emulator (Wine), whose first start takes longer than the usual time allowed.
set(extcalc_discovery)
if(CMAKE_CROSSCOMPILING)
    set(extcalc_discovery DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
endif()

# extcalc_gtest(target [TEST_PREFIX prefix] [ENVIRONMENT var=value…] [LABELS label…])
function(extcalc_gtest target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "TEST_PREFIX" "ENVIRONMENT;LABELS")
    if(EXTCALC_TESTS_PER_PROGRAM)
        set(name "${arg_TEST_PREFIX}${target}")
        add_test(NAME ${name} COMMAND ${target})
        if(arg_ENVIRONMENT)
            set_tests_properties(${name} PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
        endif()
        if(arg_LABELS)
            set_tests_properties(${name} PROPERTIES LABELS "${arg_LABELS}")
        endif()
        # A whole program's tests take longer than one test's default allowance.
        set_tests_properties(${name} PROPERTIES TIMEOUT 1500)
        return()
    endif()
    set(properties)
    if(arg_ENVIRONMENT)
        list(APPEND properties ENVIRONMENT "${arg_ENVIRONMENT}")
    endif()
    if(arg_LABELS)
        list(APPEND properties LABELS "${arg_LABELS}")
    endif()
    set(prefix)
    if(arg_TEST_PREFIX)
        set(prefix TEST_PREFIX "${arg_TEST_PREFIX}")
    endif()
    if(properties)
        gtest_discover_tests(${target} ${prefix} ${extcalc_discovery} PROPERTIES ${properties})
    else()
        gtest_discover_tests(${target} ${prefix} ${extcalc_discovery})
    endif()
endfunction()
