# vorn_script_download: compiling a script and programming it into a keyboard script slot
# from a worker thread. Needs the encoder library; until it is in the tree there is no
# download to build.
if(TARGET vorn_script AND TARGET vorn_discovery)
    find_package(Threads REQUIRED)
    add_library(vorn_script_download STATIC
        ${CMAKE_CURRENT_LIST_DIR}/ScriptDownload.cpp
    )
    target_include_directories(vorn_script_download PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(vorn_script_download
        PUBLIC vorn_script vorn_hid vorn_discovery Threads::Threads)
    vorn_warnings(vorn_script_download)
endif()
