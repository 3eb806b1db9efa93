# Widget tests of the program: the About box, the Qt user seam and the whole program
# against simulated keyboards.
set(vorn_app_tests ${CMAKE_CURRENT_LIST_DIR})

vorn_add_qtest(app_about_test LABELS app
    SOURCES ${vorn_app_tests}/AboutBoxTest.cpp
    LIBS vorn_app_dialogs)
vorn_embed_version(app_about_test)

vorn_add_qtest(app_user_seam_test LABELS app
    SOURCES ${vorn_app_tests}/QtUserSeamTest.cpp
    LIBS vorn_app_dialogs)
target_compile_definitions(app_about_test PRIVATE VORN_EXPECTED_VERSION="${PROJECT_VERSION}")

if(TARGET vorn_program)
    vorn_add_qtest(app_program_test LABELS app
        SOURCES ${vorn_app_tests}/ProgramTest.cpp ${vorn_app_tests}/ProgramTestDesk.h
        LIBS vorn_program vorn_demo_desk)
    vorn_embed_version(app_program_test)
endif()
