# Keeping readings safe: appends with and without fdatasync, the spool, a drain.
if(benchmark_FOUND)
    add_executable(spool_bench SpoolBench.cpp)
    target_link_libraries(spool_bench PRIVATE brisk_core benchmark::benchmark)
    target_include_directories(spool_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
