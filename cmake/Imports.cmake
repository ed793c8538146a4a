# The shipped programs may import only functions of the oldest Windows Veskor runs on: each link is
# followed by a check of its import table against cmake/vista-imports.txt. Where no objdump reads
# the program (a Visual Studio build), there is no check.
function(veskor_check_imports target)
    if(NOT WIN32 OR NOT CMAKE_OBJDUMP)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPROGRAM=$<TARGET_FILE:${target}>
                -DALLOWED=${PROJECT_SOURCE_DIR}/cmake/vista-imports.txt
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake
        VERBATIM)
endfunction()
