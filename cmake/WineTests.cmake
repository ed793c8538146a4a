# Tests that run Windows programs. Cross-built, they run through CMAKE_CROSSCOMPILING_EMULATOR
# (Wine); the caller provides the display and the Wine prefix. Each executable is one CTest test
# with a timeout, because a Windows program that hangs under Wine would otherwise wait forever.
function(veskor_wine_test target)
    cmake_parse_arguments(ARG "" "TIMEOUT" "" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS wine)
    veskor_wine_timeout(${ARG_TIMEOUT} ${target})
endfunction()

# veskor_wine_timeout(SECONDS TEST...): the tests' timeout, which ctest multiplies by
# VESKOR_TIME_SCALE from its environment as the test kit does the tests' own deadlines (see
# tests/wine/time_scale): a slow session stretches them all with one setting.
function(veskor_wine_timeout seconds)
    set_tests_properties(${ARGN} PROPERTIES TIMEOUT ${seconds})
    foreach(test IN LISTS ARGN)
        set_property(GLOBAL APPEND PROPERTY VESKOR_WINE_TIMEOUTS "${test}" "${seconds}")
    endforeach()
endfunction()
