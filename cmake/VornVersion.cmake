# vorn_embed_version(target): gives `target` the project's version where CFileVersionInfo
# reads it back. Linux: the version block in an ELF section, written by verblock
# (tools/verblock) at build time. Windows: a VERSIONINFO resource made from the project's
# version by the resource compiler, read with the system's version functions.
function(vorn_embed_version target)
    if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
        set(VORN_VERSION_COMMAS
            "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
        set(VORN_FILE_NAME "$<TARGET_FILE_NAME:${target}>")
        set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
        configure_file(${PROJECT_SOURCE_DIR}/cmake/VornVersion.rc.in ${rc}.in @ONLY)
        file(GENERATE OUTPUT ${rc} INPUT ${rc}.in)
        target_sources(${target} PRIVATE ${rc})
        target_link_libraries(${target} PRIVATE version)
        return()
    endif()
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp)
    add_custom_command(OUTPUT ${out}
        COMMAND verblock --version ${PROJECT_VERSION} --product VornUtil --out ${out}
        DEPENDS verblock
        COMMENT "Writing the version block of ${target}")
    target_sources(${target} PRIVATE ${out})
endfunction()
