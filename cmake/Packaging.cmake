# The release package made by CPack from the Windows build: one zip with veskor.exe, the stand-in
# host and a short text on using them (cmake --build <build> --target package).
if(NOT WIN32)
    return()
endif()

if(TARGET standin-host)
    install(TARGETS standin-host RUNTIME DESTINATION .)
endif()
# The zip and its text name the programs' architecture, so that nobody takes the one for another
# Windows.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VESKOR_PACKAGE_WINDOWS "64-bit Windows")
    set(VESKOR_PACKAGE_ARCHITECTURE win64)
else()
    set(VESKOR_PACKAGE_WINDOWS "32-bit Windows (they run on 64-bit Windows too)")
    set(VESKOR_PACKAGE_ARCHITECTURE win32)
endif()
# Windows line ends, so that every editor on an operator's machine shows the lines.
configure_file(${PROJECT_SOURCE_DIR}/docs/USING.txt ${PROJECT_BINARY_DIR}/package/USING.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/package/USING.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Veskor)
set(CPACK_PACKAGE_VENDOR Veskor)
set(CPACK_PACKAGE_FILE_NAME "Veskor-${PROJECT_VERSION}-${VESKOR_PACKAGE_ARCHITECTURE}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Debug information stays in the build; the operator gets lean programs.
set(CPACK_STRIP_FILES ON)
include(CPack)
