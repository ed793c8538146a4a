# GoogleTest for the tests. Built from source where Debian's googletest package put it, so the
# same sources serve the native and the cross (mingw-w64) build; otherwise an installed package.
set(VESKOR_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(EXISTS "${VESKOR_GOOGLETEST_SOURCE}/CMakeLists.txt")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    # MSVC: the same static runtime as everything else (cmake/Runtime.cmake); the tests link both.
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory("${VESKOR_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Cross-built test executables cannot be listed at build time (that would run Wine during the
# build, without the display and prefix that scripts/with-wine provides). There, each executable
# that asks for discovery becomes one CTest test run under the emulator, like the Wine tests.
if(CMAKE_CROSSCOMPILING)
    function(gtest_discover_tests target)
        veskor_wine_test(${target})
    endfunction()
endif()
