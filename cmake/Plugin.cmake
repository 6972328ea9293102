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
