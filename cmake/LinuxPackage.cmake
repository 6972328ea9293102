# What an install puts where (below the prefix), and the Debian package made
# from it: cpack --preset ci-release gives build/ci-release/glancer_<version>_amd64.deb.
#   bin/glancer                              the program
#   lib/glancer/plugins/*.so                 the shipped plugins (glancer_install_plugin)
#   include/glancer/                         the plugin headers
#   share/cmake/GlancerPlugin/, share/pkgconfig/glancer-plugin.pc   the SDK
#   share/glancer/examples/                  demo screens, plugin template, systemd unit
#   lib/systemd/user/glancer.service         the unit, naming the installed program
#   share/man/man1/glancer.1.gz, share/doc/glancer/
include(cmake/PluginSdk.cmake)

install(TARGETS glancer RUNTIME DESTINATION bin)

# ---- The plugin SDK -------------------------------------------------------------------
glancer_install_sdk("")
configure_file(${PROJECT_SOURCE_DIR}/packaging/sdk/glancer-plugin.pc.in ${CMAKE_BINARY_DIR}/sdk/glancer-plugin.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/sdk/glancer-plugin.pc DESTINATION share/pkgconfig)

# ---- Examples -------------------------------------------------------------------
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/demo ${PROJECT_SOURCE_DIR}/examples/systemd
                  ${PROJECT_SOURCE_DIR}/examples/plugin-template
        DESTINATION share/glancer/examples
        PATTERN "build" EXCLUDE)
# The unit names the program by its installed path, which is known only at
# install time (cmake --install --prefix may change it).
install(CODE "
  file(READ \"${PROJECT_SOURCE_DIR}/examples/systemd/glancer.service\" _unit)
  string(REPLACE \"/usr/local/bin/glancer\" \"\${CMAKE_INSTALL_PREFIX}/bin/glancer\" _unit \"\${_unit}\")
  set(_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\")
  file(MAKE_DIRECTORY \"\${_dir}\")
  file(WRITE \"\${_dir}/glancer.service\" \"\${_unit}\")
  message(STATUS \"Installing: \${_dir}/glancer.service\")
")

# ---- Manual and package documents (gzipped, reproducibly) ---------------------------
find_program(GLANCER_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
# The page names the version it documents; the project's version wins.
file(READ ${PROJECT_SOURCE_DIR}/docs/glancer.1 _glancer_page)
string(REGEX REPLACE "\"Glancer [0-9.]+\"" "\"Glancer ${PROJECT_VERSION}\"" _glancer_page "${_glancer_page}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/doc/glancer.1 CONTENT "${_glancer_page}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/glancer.1)
foreach(_doc glancer.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/${_doc}.gz
    COMMAND ${GLANCER_GZIP} -9nkf ${CMAKE_BINARY_DIR}/doc/${_doc}
    DEPENDS ${CMAKE_BINARY_DIR}/doc/${_doc})
endforeach()
add_custom_target(glancer_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/glancer.1.gz ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/glancer.1.gz DESTINATION share/man/man1)
# A native package keeps its Debian changelog as changelog.gz.
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
        DESTINATION share/doc/glancer)

# ---- The Debian package -----------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glancer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Glancer developers <maintainers@users.noreply.c-seed-54026314.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows live system data on small external LCD panels")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Glancer drives a character or small graphic LCD panel from a PC. It shows
a rotation of screens described in XML files: fixed and scrolling text,
live values from plugins, pictures, animations and line graphs.
.
Display drivers and data sources are plugins. This package holds the
program, the display drivers (character LCDs on serial and I2C
backpacks, SSD1306 and SH1106 OLEDs over I2C, an LCDd server, and the
Virtual display, an emulated panel drawn in the terminal), the System,
Demo, Commands, MQTT and Sensors data sources, the example screens, a systemd user unit and the
headers for writing plugins.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends from the libraries the program and plugins link (libmosquitto1
# too when the MQTT plugin is built, libsensors5 for the Sensors plugin).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Installs with the real prefix under DESTDIR, so the systemd unit names /usr/bin/glancer.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
