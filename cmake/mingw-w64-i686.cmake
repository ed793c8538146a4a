# Toolchain file: 32-bit Windows programs, cross-built with mingw-w64 (the same flags as the 64-bit
# build). Running them under Wine needs a Wine that runs 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VESKOR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
