vorn_add_gtest(version_block_test LABELS app
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/VersionBlockTest.cpp ${CMAKE_CURRENT_LIST_DIR}/CFileVersionInfoTest.cpp
    LIBS vorn_version_block)
# The block the build embeds in a program must be found again in the linked executable.
add_executable(version_embed_probe ${CMAKE_CURRENT_LIST_DIR}/VersionEmbedProbe.cpp)
vorn_warnings(version_embed_probe)
target_link_libraries(version_embed_probe PRIVATE vorn_version_block)
vorn_embed_version(version_embed_probe)
target_compile_definitions(version_embed_probe PRIVATE VORN_EXPECTED_VERSION="${PROJECT_VERSION}")
add_test(NAME version_embed_probe COMMAND version_embed_probe)
set_tests_properties(version_embed_probe PROPERTIES LABELS app)
