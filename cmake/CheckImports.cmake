# Run as a script after a shipped program is linked: fails when the program imports a function
# that cmake/vista-imports.txt does not list, i.e. one not yet checked against the oldest Windows
# Veskor runs on, or a DLL the list does not name (one of the compiler's runtime, which the program
# must carry inside). With -DSHOW=ON it also prints the DLLs the program imports from.
#   cmake -DPROGRAM=<program.exe> -DALLOWED=<list file> [-DSHOW=ON] [-DMSVC_RUNTIME=ON]
#         -P CheckImports.cmake
#
# A program of Visual Studio (MSVC_RUNTIME=ON) carries Microsoft's static runtime, which imports
# KERNEL32 functions of its own (IsProcessorFeaturePresent, InitializeSListHead, FlsAlloc,
# InitializeCriticalSectionEx...). Microsoft documents no list of them, and they change with the
# toolset, so they cannot be listed here once and for all: there a KERNEL32 function the list lacks
# is a warning that names it, not an error. Every other DLL and function is checked as for any
# compiler.
#
# The UCRT (MSYS2's UCRT64 and CLANG64 environments) is refused: its api-ms-win-crt-* DLLs are in
# Windows 10 and later, and in Vista to 8.1 only with an update installed separately.
#
# The program's import tables are read from its bytes (cmake/PeImports.cmake), so the check is the
# same whichever tools built it.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/PeImports.cmake)

pe_imports("${PROGRAM}" imports)
list(LENGTH imports count)
if(count EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} imports nothing: it cannot be a Windows program")
endif()
file(STRINGS ${ALLOWED} allowed REGEX "^[^#]")
set(windows_dlls "")
foreach(line IN LISTS allowed)
    string(REGEX REPLACE " .*" "" dll "${line}")
    list(APPEND windows_dlls "${dll}")
endforeach()
list(REMOVE_DUPLICATES windows_dlls)

# Every import as "DLL function"; a DLL the list does not name is reported once, not by function.
set(dlls "")
set(foreign "")
set(unlisted "")
set(runtime "")
foreach(import IN LISTS imports)
    string(REGEX REPLACE " .*" "" dll "${import}")
    list(APPEND dlls "${dll}")
    if(NOT dll IN_LIST windows_dlls)
        list(APPEND foreign "${dll}")
    elseif(import IN_LIST allowed)
    elseif(MSVC_RUNTIME AND dll STREQUAL "KERNEL32.DLL")
        list(APPEND runtime "${import}")
    else()
        list(APPEND unlisted "${import}")
    endif()
endforeach()
list(REMOVE_DUPLICATES dlls)
list(REMOVE_DUPLICATES foreign)

get_filename_component(name "${PROGRAM}" NAME)
if(SHOW)
    list(JOIN dlls " " shown)
    message("${name} imports ${count} functions from ${shown}")
endif()
# Names one to a line and indented, so that CMake prints them as they are.
if(runtime)
    list(JOIN runtime "\n  " runtime)
    message(WARNING "${PROGRAM} imports KERNEL32 functions not checked against Windows Vista, "
            "likely those of Visual Studio's static runtime:\n  ${runtime}\nCheck each one before "
            "relying on the program on an older Windows; list it in ${ALLOWED} when it is in Vista.\n")
endif()
set(problems "")
if(foreign)
    list(JOIN foreign "\n  " foreign)
    string(APPEND problems "${PROGRAM} imports from DLLs that are not Windows' own:\n  ${foreign}\n"
           "A program must not need a DLL of the compiler's runtime beside it: it carries its "
           "runtime (cmake/Runtime.cmake). The UCRT's api-ms-win-crt-* DLLs (MSYS2's UCRT64 and "
           "CLANG64) are not in Windows Vista to 8.1 without an update: build in MINGW64 or MINGW32.\n")
endif()
if(unlisted)
    list(JOIN unlisted "\n  " unlisted)
    string(APPEND problems "${PROGRAM} imports functions not checked against Windows Vista:\n"
           "  ${unlisted}\nCheck each one, then list it in ${ALLOWED}, or look it up at run time.\n")
endif()
if(problems)
    message(FATAL_ERROR "${problems}")
endif()
