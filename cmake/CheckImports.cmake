# Run as a script after a shipped program is linked: fails when the program imports a function
# that cmake/vista-imports.txt does not list, i.e. one not yet checked against the oldest Windows
# Veskor runs on.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<program.exe> -DALLOWED=<list file> -P CheckImports.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
file(STRINGS ${ALLOWED} allowed REGEX "^[^#]")

# The import table: "DLL Name: X" heads each DLL's functions, one "hint name" line each.
string(REPLACE "\n" ";" lines "${dump}")
set(dll "")
set(unlisted "")
set(count 0)
foreach(line IN LISTS lines)
    if(line MATCHES "DLL Name: ([^ ]+)")
        string(TOUPPER "${CMAKE_MATCH_1}" dll)
    elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z_][A-Za-z0-9_@]*)$")
        math(EXPR count "${count} + 1")
        if(NOT "${dll} ${CMAKE_MATCH_1}" IN_LIST allowed)
            list(APPEND unlisted "${dll} ${CMAKE_MATCH_1}")
        endif()
    elseif(line MATCHES "^The Function Table|^PE File Base Relocations")
        set(dll "")
    endif()
endforeach()
if(count EQUAL 0)
    message(FATAL_ERROR "no imports found in ${PROGRAM}: the objdump output was not understood")
endif()
if(unlisted)
    list(JOIN unlisted "\n  " unlisted)
    message(FATAL_ERROR "${PROGRAM} imports functions not checked against Windows Vista:\n  "
                        "${unlisted}\nCheck each one, then list it in ${ALLOWED}, or look it up at "
                        "run time.")
endif()
