# glancer_install_sdk(<prefix>) installs what plugin authors build against,
# below <prefix> (empty, or "sdk/" in the Windows zips) in the layout
# GlancerPluginConfig.cmake expects: include/glancer/ and
# share/cmake/GlancerPlugin/ (header-only, so nothing architecture-bound).
include(CMakePackageConfigHelpers)

function(glancer_install_sdk prefix)
  install(FILES ${PROJECT_SOURCE_DIR}/plugin/api/glancer_plugin.h ${PROJECT_SOURCE_DIR}/plugin/api/glancer_plugin.hpp
          DESTINATION ${prefix}include/glancer)
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/sdk/GlancerPluginConfigVersion.cmake
                                   VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sdk/GlancerPluginConfig.cmake
                ${CMAKE_BINARY_DIR}/sdk/GlancerPluginConfigVersion.cmake
          DESTINATION ${prefix}share/cmake/GlancerPlugin)
endfunction()
