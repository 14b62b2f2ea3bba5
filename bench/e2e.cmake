# End-to-end figures of the real program (bench/run-e2e).
if(TARGET tapline-brisk)
    add_executable(e2e_bench EndToEndBench.cpp)
    target_link_libraries(e2e_bench PRIVATE brisk_core brisk_platform brisk_receiver_sim)
    target_include_directories(e2e_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(e2e_bench PRIVATE TAPLINE_BRISK_EXE="$<TARGET_FILE:tapline-brisk>")
    add_dependencies(e2e_bench tapline-brisk)
endif()
# What the machine charges for the parts of a reading that cannot be left out.
if(TARGET PkgConfig::XCB)
    add_executable(floor_bench FloorBench.cpp)
    target_link_libraries(floor_bench PRIVATE brisk_core PkgConfig::XCB Qt6::Widgets)
endif()
