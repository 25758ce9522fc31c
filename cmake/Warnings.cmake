# Warnings for our own targets: call quavrel_warnings(target).
function(quavrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  if(QUAVREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
