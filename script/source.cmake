# vorn_script_source: the lexical level of the script language, its key tables and the
# source pass. Free of Qt; the encoder library builds on it.
add_library(vorn_script_source STATIC
    ${CMAKE_CURRENT_LIST_DIR}/KeyTables.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Lexer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SourcePass.cpp
)
target_include_directories(vorn_script_source PUBLIC ${PROJECT_SOURCE_DIR})
vorn_warnings(vorn_script_source)
