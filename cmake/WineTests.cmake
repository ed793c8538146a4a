# Tests that run Windows programs. Cross-built on Linux, they run under Wine: CTest prefixes every
# test command with the emulator, scripts/wine-test, which runs `wine` and keeps the tests of one
# Wine session from meeting each other's leftovers; the caller provides the display and the Wine
# prefix (scripts/with-wine). Where the tests run is the project's business, not the compiler's, so
# this holds for every cross build (either toolchain file, a configure that names only the
# compilers, clang) unless the configure names an emulator itself. Built on Windows, they run as
# they are.
if(CMAKE_CROSSCOMPILING AND WIN32 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(VESKOR_WINE NAMES wine wine64 wine-stable PATHS /usr/lib/wine)
    if(VESKOR_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-test)
    endif()
endif()

# Each executable is one CTest test with a timeout, because a Windows program that hangs under Wine
# would otherwise wait forever.
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
# tests/wine/time_scale): a slow session stretches them all with one setting. Every Wine test
# passes here, and takes the session's lock: one Wine session holds one test at a time (two
# stand-in hosts there would answer each other's clients, and each test starts by ending the
# session's programs), whatever runs the tests (`ctest -j`, an IDE's test runner).
function(veskor_wine_timeout seconds)
    set_tests_properties(${ARGN} PROPERTIES TIMEOUT ${seconds} RESOURCE_LOCK veskor_wine_session)
    foreach(test IN LISTS ARGN)
        set_property(GLOBAL APPEND PROPERTY VESKOR_WINE_TIMEOUTS "${test}" "${seconds}")
    endforeach()
endfunction()
