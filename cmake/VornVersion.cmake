# vorn_embed_version(target): compiles the project's version block into `target`, where
# CFileVersionInfo finds it. verblock (tools/verblock) writes it at build time.
function(vorn_embed_version target)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp)
    add_custom_command(OUTPUT ${out}
        COMMAND verblock --version ${PROJECT_VERSION} --product VornUtil --out ${out}
        DEPENDS verblock
        COMMENT "Writing the version block of ${target}")
    target_sources(${target} PRIVATE ${out})
endfunction()
