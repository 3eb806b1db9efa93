# The version block and its reader (no Qt).
add_library(vorn_version_block STATIC
    ${CMAKE_CURRENT_LIST_DIR}/VersionBlock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CFileVersionInfo.cpp)
target_include_directories(vorn_version_block PUBLIC ${PROJECT_SOURCE_DIR})
vorn_warnings(vorn_version_block)

# vorn_embed_version(target): compiles the project's version block into `target`.
function(vorn_embed_version target)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp)
    add_custom_command(OUTPUT ${out}
        COMMAND verblock --version ${PROJECT_VERSION} --product VornUtil --out ${out}
        DEPENDS verblock
        COMMENT "Writing the version block of ${target}")
    target_sources(${target} PRIVATE ${out})
endfunction()
