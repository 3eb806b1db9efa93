# Warnings as errors on our own targets only (third-party headers come in as system headers).
#
# On Linux our binaries are also hardened as distributions build theirs: libc calls whose
# buffer sizes the compiler can see are checked at run time (this needs optimisation, so not
# in Debug), the stack is guarded, and the relocations are resolved at start and made
# read-only. The sanitizer and fuzzing builds go without: their own run-time checks stand
# in for these.
function(vorn_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT VORN_SANITIZER AND NOT VORN_BUILD_FUZZ)
        target_compile_options(${target} PRIVATE -fstack-protector-strong
                               $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY"
           OR type STREQUAL "MODULE_LIBRARY")
            target_link_options(${target} PRIVATE LINKER:-z,relro,-z,now)
        endif()
    endif()
endfunction()
