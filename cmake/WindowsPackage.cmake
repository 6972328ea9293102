# The Windows release: one zip whose top folder holds glancer.exe, the
# shipped plugin DLLs (each plugin folder installs its own with
# glancer_install_plugin, at the top here), the demo screens, a README.txt
# and, in sdk\, what a plugin author needs (headers, CMake package, template).
# Everything else sits side by side because Glancer finds its plugins and
# screens in the folder it starts in.
#   cpack --preset mingw32   gives build/mingw32/Glancer-<version>-win32.zip
#   cpack --preset mingw64   gives build/mingw64/Glancer-<version>-win64.zip
# Plugins must match the program's bitness; the 32-bit zip is the one to pick
# by default (the plugin contract's fixed layouts are the 32-bit ones).
install(TARGETS glancer RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/demo/screens/ DESTINATION screens)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(GLANCER_ARCH win64)
  set(GLANCER_BITS 64)
else()
  set(GLANCER_ARCH win32)
  set(GLANCER_BITS 32)
endif()

# Notepad-friendly line ends and the version and bitness filled in.
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in ${CMAKE_BINARY_DIR}/package/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)

# The SDK keeps the installed layout, so CMAKE_PREFIX_PATH=<folder>\sdk works.
include(cmake/PluginSdk.cmake)
glancer_install_sdk(sdk/)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/plugin-template DESTINATION sdk PATTERN "build" EXCLUDE)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Glancer)
set(CPACK_PACKAGE_VENDOR Glancer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Glancer-${PROJECT_VERSION}-${GLANCER_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
