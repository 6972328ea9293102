# glancer_install_sdk(<prefix>) installs what plugin authors build against,
# below <prefix> (empty, or "sdk/" in the Windows zips) in the layout
# GlancerPluginConfig.cmake expects: include/glancer/ and
# share/cmake/GlancerPlugin/ (header-only, so nothing architecture-bound).
include(CMakePackageConfigHelpers)

# The SDK's headers: the C contract, the C++ helper and its optional parts.
set(GLANCER_SDK_HEADERS
  ${PROJECT_SOURCE_DIR}/plugin/api/glancer_plugin.h
  ${PROJECT_SOURCE_DIR}/plugin/api/glancer_plugin.hpp
  ${PROJECT_SOURCE_DIR}/plugin/api/glancer_plugin_detail.hpp
  ${PROJECT_SOURCE_DIR}/plugin/api/glancer_settings.hpp
  ${PROJECT_SOURCE_DIR}/plugin/api/glancer_settings_win32.hpp
  ${PROJECT_SOURCE_DIR}/plugin/api/glancer_kit.hpp)

function(glancer_install_sdk prefix)
  install(FILES ${GLANCER_SDK_HEADERS} DESTINATION ${prefix}include/glancer)
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/sdk/GlancerPluginConfigVersion.cmake
                                   VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sdk/GlancerPluginConfig.cmake
                ${CMAKE_BINARY_DIR}/sdk/GlancerPluginConfigVersion.cmake
          DESTINATION ${prefix}share/cmake/GlancerPlugin)
endfunction()
