# Tests of the script language's lexical level, key tables and source pass.
vorn_add_gtest(script_lexer_test LABELS script
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/LexerTest.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyTablesTest.cpp
    LIBS vorn_script_source)
vorn_add_gtest(script_source_pass_test LABELS script
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SourcePassTest.cpp
    LIBS vorn_script_source)
