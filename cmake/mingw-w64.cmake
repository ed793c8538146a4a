# The part of the toolchain files shared by both architectures: cross-builds the Windows programs on
# Linux with Debian's mingw-w64 (posix threads) and runs the resulting executables (tests included)
# under Wine. The including file sets CMAKE_SYSTEM_PROCESSOR and VESKOR_MINGW_TRIPLET first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VESKOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESKOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VESKOR_MINGW_TRIPLET}-windres)

# Headers and libraries come only from the cross sysroot; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VESKOR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A static runtime (libgcc, libstdc++, winpthread) makes each .exe self-contained: nothing has to
# be copied beside it, neither for Wine nor for an operator's Windows machine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows executables run under Wine: CTest prefixes every test command with the emulator,
# scripts/wine-test, which runs `wine` and keeps the tests of one Wine session from meeting each
# other's leftovers.
find_program(VESKOR_WINE NAMES wine wine64 wine-stable PATHS /usr/lib/wine)
get_filename_component(VESKOR_WINE_TEST ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test ABSOLUTE)
if(VESKOR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VESKOR_WINE_TEST})
endif()
