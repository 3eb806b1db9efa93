# vorn_fuzz_harness: one entry point per fuzz target (harness/Harnesses.h) with the
# invariants it checks. The fuzz targets and the regression test link the same library,
# so a kept input replays through exactly the code that found it.
if(TARGET vorn_fuzz_harness)
    return()
endif()
add_library(vorn_fuzz_harness STATIC
    ${CMAKE_CURRENT_LIST_DIR}/harness/FuzzCheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/ScratchDir.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/HostileHidPlatform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/CompilerHarness.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/KeymapHarness.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/LinkHarness.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/ReportDescriptorHarness.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/VersionBlockHarness.cpp
)
target_include_directories(vorn_fuzz_harness PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(vorn_fuzz_harness PUBLIC
    vorn_script vorn_keymap vorn_sim vorn_hid vorn_discovery vorn_hid_linux vorn_version_block)
vorn_warnings(vorn_fuzz_harness)
