# find_package(GlancerPlugin) for plugin authors. Gives
#   Glancer::Plugin      the plugin headers (glancer_plugin.h, and the C++
#                        helper glancer_plugin.hpp with glancer_settings.hpp
#                        and glancer_kit.hpp, which need C++17 and threads);
#   glancer_add_plugin(name sources...)
#                        a module Glancer loads: <name>.so / <name>.dll with
#                        no "lib" prefix, only getInterface exported.
# A plugin must be built for the program's bitness: a 32-bit glancer.exe
# loads 32-bit DLLs only, a 64-bit one 64-bit DLLs only.
include(CMakeFindDependencyMacro)
find_dependency(Threads)
get_filename_component(_glancer_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET Glancer::Plugin)
  add_library(Glancer::Plugin INTERFACE IMPORTED)
  set_target_properties(Glancer::Plugin PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_glancer_prefix}/include/glancer"
    INTERFACE_COMPILE_FEATURES cxx_std_17
    INTERFACE_LINK_LIBRARIES Threads::Threads)
endif()

function(glancer_add_plugin name)
  add_library(${name} MODULE ${ARGN})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PRIVATE Glancer::Plugin)
  if(MINGW)
    # The DLL then needs no MinGW runtime next to glancer.exe.
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
