# GLANCER_SANITIZE="address;undefined" or "thread" instruments every target.
if(GLANCER_SANITIZE AND NOT WIN32)
  string(REPLACE ";" "," _glancer_san "${GLANCER_SANITIZE}")
  add_compile_options(-fsanitize=${_glancer_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_glancer_san})
endif()
# The fuzz preset adds coverage instrumentation for libFuzzer everywhere;
# only the fuzz targets link its driver.
if(GLANCER_BUILD_FUZZ AND NOT WIN32)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
