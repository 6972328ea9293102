# The Windows release: one zip whose top folder holds glancer.exe, the
# shipped plugin DLLs (each plugin folder installs its own with
# glancer_install_plugin, at the top here), the demo screens and a README.txt.
# Everything sits side by side because Glancer finds its plugins and
# screens in the folder it starts in.
#   cmake --build --preset mingw64 --target package   (or: cpack --preset mingw64)
# gives build/mingw64/Glancer-<version>-win64.zip.
install(TARGETS glancer RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/demo/screens/ DESTINATION screens)

# Notepad-friendly line ends and the version filled in.
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in ${CMAKE_BINARY_DIR}/package/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_glancer_arch win64)
else()
  set(_glancer_arch win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Glancer)
set(CPACK_PACKAGE_VENDOR Glancer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Glancer-${PROJECT_VERSION}-${_glancer_arch})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
