if(VORN_SANITIZER STREQUAL "address")
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
elseif(NOT VORN_SANITIZER STREQUAL "")
    message(FATAL_ERROR "VORN_SANITIZER must be address, thread or empty, not '${VORN_SANITIZER}'")
endif()
