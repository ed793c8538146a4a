# The part of the toolchain files shared by both architectures: cross-builds the Windows programs on
# Linux with Debian's mingw-w64 (posix threads). The including file sets CMAKE_SYSTEM_PROCESSOR and
# VESKOR_MINGW_TRIPLET first. Like every toolchain file of the project, it says only which compilers
# build and where their libraries are: how the programs are built (static runtime, entry point,
# warnings) is the project's own (cmake/Runtime.cmake), and how the tests run under Wine too
# (cmake/WineTests.cmake).
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
