# Warnings as errors on our own targets only (third-party headers come in as system headers).
function(vorn_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
