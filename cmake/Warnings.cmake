# Warnings on our own code; errors only when asked (the presets ask), so a
# plain build with another compiler version still finishes.
option(GLANCER_WERROR "Treat compiler warnings as errors" OFF)

function(glancer_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wcast-align -Wformat=2
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
  if(GLANCER_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports -Wrestrict inside libstdc++'s std::string concatenation
    # at -O2 and above, a known false positive fixed in GCC 13.
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-restrict>)
  endif()
endfunction()
