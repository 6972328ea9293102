# glancer_plugin(name sources...) builds a plugin module named exactly
# <name>.dll / <name>.so (no "lib" prefix) into the shared plugin folder.
function(glancer_plugin name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${GLANCER_PLUGIN_OUTPUT_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${GLANCER_PLUGIN_OUTPUT_DIR})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  glancer_warnings(${name})
endfunction()

# glancer_install_plugin(name) installs a shipped plugin: next to the program
# on Windows (the release zip is flat), into lib/glancer/plugins elsewhere
# (a working directory links to them, see docs/linux.md).
function(glancer_install_plugin name)
  if(WIN32)
    set(destination .)
  else()
    set(destination lib/glancer/plugins)
  endif()
  install(TARGETS ${name} LIBRARY DESTINATION ${destination} RUNTIME DESTINATION ${destination})
  # The package tests check that each one is in the package.
  set_property(GLOBAL APPEND PROPERTY GLANCER_SHIPPED_PLUGINS ${name})
endfunction()

# glancer_plugin_library(name sources...) builds the parts of a shipped
# plugin as a static library that the plugin module and the tests link:
# position-independent, symbols hidden, sources included from the root.
function(glancer_plugin_library name)
  add_library(${name} STATIC ${ARGN})
  set_target_properties(${name} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  glancer_warnings(${name})
endfunction()
