# Warnings as errors on our own code.
function(glancer_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Wcast-align -Wformat=2 -Werror)
endfunction()
