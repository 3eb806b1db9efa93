# Cost of one keyboard command against a zero-latency simulated keyboard.
add_executable(bench_link ${CMAKE_CURRENT_LIST_DIR}/bench_link.cpp)
target_link_libraries(bench_link PRIVATE vorn_sim vorn_hid benchmark::benchmark)
vorn_warnings(bench_link)
