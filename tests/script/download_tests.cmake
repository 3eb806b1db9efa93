# The script download against simulated keyboards; runs under ThreadSanitizer too.
if(TARGET vorn_script_download AND TARGET vorn_sim)
    vorn_add_gtest(script_download_test
        LABELS script tsan
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/ScriptDownloadTest.cpp
        LIBS vorn_script_download vorn_sim)
    target_compile_definitions(script_download_test PRIVATE
        VORN_DOWNLOAD_DATA="${CMAKE_CURRENT_LIST_DIR}/data/download")
endif()
