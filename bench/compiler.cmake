# The script compiler: whole compiles of scripts from 1 KiB of program text up to a full
# program text buffer.
add_executable(bench_compiler ${CMAKE_CURRENT_LIST_DIR}/bench_compiler.cpp)
target_link_libraries(bench_compiler PRIVATE vorn_script benchmark::benchmark)
vorn_warnings(bench_compiler)
