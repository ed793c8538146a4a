# Reads a program's imports twice, with cmake/PeImports.cmake and from objdump's listing (GNU's or
# LLVM's), and fails unless both find the same DLLs and functions: a test of the reader on the real
# programs.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<program.exe> -P agrees_with_objdump.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/PeImports.cmake)

# Inside the Wine roots the build machine's tools are not there: nothing to compare with.
if(NOT EXISTS "${OBJDUMP}")
    message("skipped: ${OBJDUMP} is not on this machine")
    return()
endif()
pe_imports("${PROGRAM}" read)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
# Both objdumps: an indented "DLL Name: X" heads each DLL's functions, one indented line each with
# the hint and the name (GNU's begins with the thunk's address); a heading at the line's start
# ends the table.
string(REPLACE "\n" ";" lines "${dump}")
set(listed "")
set(dll "")
foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]+DLL Name: ([^ ]+)$")
        string(TOUPPER "${CMAKE_MATCH_1}" dll)
    elseif(dll AND line MATCHES "^(\t[0-9a-f]+\t)? +[0-9]+ +([!-~]+)$")
        list(APPEND listed "${dll} ${CMAKE_MATCH_2}")
    elseif(line MATCHES "^[A-Za-z]")
        set(dll "")
    endif()
endforeach()
list(SORT read)
list(SORT listed)
list(LENGTH read count)
if(NOT read STREQUAL listed OR count EQUAL 0)
    list(JOIN read "\n  " read)
    list(JOIN listed "\n  " listed)
    message(FATAL_ERROR "read from the file:\n  ${read}\nlisted by objdump:\n  ${listed}")
endif()
message("${PROGRAM}: the same ${count} imports")
