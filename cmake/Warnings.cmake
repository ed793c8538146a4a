# Compiler warnings for every target of the project: on, and treated the same under g++ and clang.
# MSVC reads the sources as UTF-8 (as g++ and clang do), whatever the machine's code page. The
# options are for the C++ compiler only: the resource compilers (windres, rc) take none of them.
function(veskor_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:/W4;/permissive-;/utf-8>")
    else()
        target_compile_options(${target} PRIVATE
                               "$<$<COMPILE_LANGUAGE:CXX>:-Wall;-Wextra;-Wpedantic>")
    endif()
endfunction()
