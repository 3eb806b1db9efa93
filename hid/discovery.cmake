# vorn_discovery: the model table, the device list, discovery and the keyboard opening.
add_library(vorn_discovery STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ModelTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Discovery.cpp
)
target_include_directories(vorn_discovery PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vorn_discovery PUBLIC vorn_hid)
vorn_warnings(vorn_discovery)
