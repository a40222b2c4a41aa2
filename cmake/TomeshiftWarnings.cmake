# Warnings for our own targets only; third-party headers come in as system includes. TOMESHIFT_WERROR
# (scripts/test turns it on) makes every warning an error.
function(tomeshift_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
  if(TOMESHIFT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
