# Toolchain file: 64-bit Windows programs cross-built with Debian's clang and lld, against the
# mingw-w64 headers and import libraries and the C++ library of Debian's mingw-w64 g++ (posix
# threads), the same libraries the g++ cross build links. Run under Wine like that build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET x86_64-w64-mingw32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Where the libraries are. clang finds mingw-w64's own headers and libraries by itself, but not
# g++'s C++ library: Debian names its folder "12-posix", which clang does not take for a version.
file(GLOB VESKOR_MINGW_GCC_DIRS /usr/lib/gcc/x86_64-w64-mingw32/*-posix)
list(SORT VESKOR_MINGW_GCC_DIRS COMPARE NATURAL)
list(POP_BACK VESKOR_MINGW_GCC_DIRS VESKOR_MINGW_GCC)
# That library holds type_info's comparison out of line too; the header's inline copy, which each
# object then holds, and the library's meet in lld, which (unlike GNU ld) refuses the pair: clang's
# code calls the library's.
set(CMAKE_CXX_FLAGS_INIT "-isystem ${VESKOR_MINGW_GCC}/include/c++ \
-isystem ${VESKOR_MINGW_GCC}/include/c++/x86_64-w64-mingw32 \
-isystem ${VESKOR_MINGW_GCC}/include/c++/backward -D__GXX_TYPEINFO_EQUALITY_INLINE=0")
# lld links; that C++ library's threads come from winpthread (libpthread), which clang does not
# add as g++ does. lld takes libraries in any order, so it can be named here.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${VESKOR_MINGW_GCC} -lpthread")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
