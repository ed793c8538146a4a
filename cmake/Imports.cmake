# The shipped programs may import only functions of the oldest Windows Veskor runs on: each link is
# followed by a check of its import table against cmake/vista-imports.txt. The check reads the
# program's import tables itself (cmake/CheckImports.cmake), so it runs the same whichever tools
# built the program: GNU binutils, LLVM or Visual Studio. Under MSVC a KERNEL32 function the list
# lacks is a warning, not an error (see CheckImports.cmake: its static runtime's own imports).
function(veskor_check_imports target)
    if(NOT WIN32)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}>
                -DALLOWED=${PROJECT_SOURCE_DIR}/cmake/vista-imports.txt -DMSVC_RUNTIME=${MSVC}
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckImports.cmake
        VERBATIM)
endfunction()
