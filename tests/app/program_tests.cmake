# Widget tests of the program: the About box, the Qt user seam and the whole program
# against simulated keyboards.
set(vorn_app_tests ${CMAKE_CURRENT_LIST_DIR})

vorn_add_qtest(app_about_test LABELS app
    SOURCES ${vorn_app_tests}/AboutBoxTest.cpp
    LIBS vorn_app_dialogs)
vorn_embed_version(app_about_test)
target_compile_definitions(app_about_test PRIVATE VORN_EXPECTED_VERSION="${PROJECT_VERSION}")
