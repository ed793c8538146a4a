# Tests that run Windows programs. Cross-built, they run through CMAKE_CROSSCOMPILING_EMULATOR
# (Wine); the caller provides the display and the Wine prefix. Each executable is one CTest test
# with a timeout, because a Windows program that hangs under Wine would otherwise wait forever.
function(veskor_wine_test target)
    cmake_parse_arguments(ARG "" "TIMEOUT" "" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS wine)
endfunction()
