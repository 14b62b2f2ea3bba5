# Keystroke sender: building and injecting one packet.
if(benchmark_FOUND)
    add_executable(keystroke_bench KeystrokeBench.cpp)
    target_link_libraries(keystroke_bench PRIVATE brisk_platform benchmark::benchmark)
    target_include_directories(keystroke_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
