# Statement translation, the encoder and the intermediate file.
vorn_add_gtest(script_translate_test LABELS script
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/TranslateTest.cpp
    LIBS vorn_script)
vorn_add_gtest(script_encoder_test LABELS script
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EncoderTest.cpp
    LIBS vorn_script)
target_include_directories(script_encoder_test PRIVATE ${PROJECT_SOURCE_DIR})
vorn_add_gtest(script_encode_program_test LABELS script
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EncodeProgramTest.cpp
    LIBS vorn_script)
target_include_directories(script_encode_program_test PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(script_encode_program_test PRIVATE
    VORN_ENCODER_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data/encoder")
