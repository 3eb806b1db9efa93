# Instrumentation for the whole tree: the sanitizer builds, and the fuzz build, whose
# libraries carry libFuzzer's coverage so that every program linking them links alike.
if(VORN_BUILD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VORN_BUILD_FUZZ needs clang: configure with CC=clang CXX=clang++")
    endif()
    if(VORN_SANITIZER STREQUAL "thread")
        message(FATAL_ERROR "VORN_BUILD_FUZZ brings the address checks; it does not go with "
                            "VORN_SANITIZER=thread")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(VORN_SANITIZER STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
elseif(VORN_SANITIZER STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
    # GCC's array-bounds analysis misreads the instrumented code of fixed-size buffers
    # (false positives at -O2); the plain build keeps the warning.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        add_compile_options(-Wno-array-bounds)
    endif()
endif()
if(NOT VORN_SANITIZER MATCHES "^(|address|thread)$")
    message(FATAL_ERROR "VORN_SANITIZER must be address, thread or empty, not '${VORN_SANITIZER}'")
endif()
