# Serial link: time to find a receiver, cost of a silent port.
if(benchmark_FOUND)
    add_executable(serial_bench SerialBench.cpp)
    target_link_libraries(serial_bench PRIVATE brisk_platform brisk_receiver_sim benchmark::benchmark)
    target_include_directories(serial_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
