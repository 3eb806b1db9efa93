# vorn_script: statement translation, the instruction encoder and the intermediate file,
# on top of the source pass. Free of Qt.
add_library(vorn_script STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Translate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Encoder.cpp
)
target_include_directories(vorn_script PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vorn_script PUBLIC vorn_script_source)
vorn_warnings(vorn_script)
