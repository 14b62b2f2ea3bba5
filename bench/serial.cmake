# Serial link: time to find a receiver, cost of a silent port.
if(benchmark_FOUND)
    add_executable(serial_bench SerialBench.cpp)
    target_link_libraries(serial_bench PRIVATE brisk_platform brisk_receiver_sim benchmark::benchmark)
    target_include_directories(serial_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
# Taking a receiver back: link to Back, link to the first reading.
if(benchmark_FOUND)
    add_executable(receiver_watch_bench ReceiverWatchBench.cpp)
    target_link_libraries(receiver_watch_bench PRIVATE brisk_core brisk_receiver_sim
        benchmark::benchmark)
    target_include_directories(receiver_watch_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
