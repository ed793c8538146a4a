# How every Windows program of the project is linked, whichever compiler builds it (mingw-w64's g++
# or clang, MSVC): with its C++ runtime inside, so that nothing has to be copied beside an .exe,
# neither for Wine nor on an operator's Windows. A toolchain file only names the compilers and
# where their libraries are; these settings hold for every way of building.
#
# A target whose property VESKOR_SHARED_RUNTIME is true links the runtime's DLLs instead: only the
# import check's own test makes one, as a program the check must refuse.

# MSVC: the static runtime (/MT, /MTd for Debug). Set before any target is made, so that every
# target starts with it (policy CMP0091, NEW under cmake_minimum_required 3.25).
set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")

# mingw-w64, g++ and clang alike: libgcc, libstdc++ and winpthread linked in statically.
if(MINGW)
    add_link_options(
        "$<$<NOT:$<BOOL:$<TARGET_PROPERTY:VESKOR_SHARED_RUNTIME>>>:-static;-static-libgcc;-static-libstdc++>")
endif()

# The Unicode entry point (wWinMain) of a program of the Windows subsystem. MSVC's linker finds it
# by itself; mingw-w64 needs to be told.
function(veskor_unicode_entry_point target)
    if(MINGW)
        target_link_options(${target} PRIVATE -municode)
    endif()
endfunction()

# A program whose entry point is main() but which belongs to the Windows subsystem (no console).
# mingw-w64's start-up code calls main() there by itself; MSVC's linker must be told.
function(veskor_main_without_console target)
    if(MSVC)
        target_link_options(${target} PRIVATE /ENTRY:mainCRTStartup)
    endif()
endfunction()

# A program whose resource script holds its manifest: MSVC's linker must not add a second one.
function(veskor_manifest_from_resources target)
    if(MSVC)
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
endfunction()
