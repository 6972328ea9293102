# The opening example of glancer_plugin.hpp, cut out of the header's first
# comment (its lines indented by " *     ") and built as a plugin, so the
# first thing an author reads stays a plugin that compiles.
set(_header ${PROJECT_SOURCE_DIR}/plugin/api/glancer_plugin.hpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_header})
file(STRINGS ${_header} _lines)
set(_example "")
foreach(_line IN LISTS _lines)
  if(_line MATCHES "^ \\*     (.*)$")
    string(APPEND _example "${CMAKE_MATCH_1}\n")
  elseif(_line STREQUAL " *" AND _example)
    string(APPEND _example "\n")
  elseif(_example)
    break() # the first text after the example ends it
  endif()
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/sdk_example/header_example.cpp CONTENT "${_example}" @ONLY)
add_library(sdk_header_example MODULE ${CMAKE_BINARY_DIR}/sdk_example/header_example.cpp)
# C++17, the least the helper promises.
set_target_properties(sdk_header_example PROPERTIES
  CXX_STANDARD 17
  PREFIX ""
  CXX_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/sdk_example
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/sdk_example)
target_include_directories(sdk_header_example PRIVATE ${PROJECT_SOURCE_DIR}/plugin/api)
glancer_warnings(sdk_header_example)
