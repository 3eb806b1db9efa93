# vorn_hid: the platform seam, the user seam, the main state, and the keyboard link with
# its transport and command set.
find_package(Threads REQUIRED)
add_library(vorn_hid STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Link.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkReplyReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LinkReplySlot.cpp
)
target_include_directories(vorn_hid PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vorn_hid PUBLIC Threads::Threads)
vorn_warnings(vorn_hid)
