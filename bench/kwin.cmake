# KDE Plasma windows through KWin scripts (starts its own session bus and headless KWin).
if(benchmark_FOUND AND TARGET qt-text-sink)
    add_executable(kwin_bench KWinBench.cpp)
    target_link_libraries(kwin_bench PRIVATE brisk_platform benchmark::benchmark)
    target_include_directories(kwin_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(kwin_bench PRIVATE QT_TEXT_SINK="$<TARGET_FILE:qt-text-sink>")
    add_dependencies(kwin_bench qt-text-sink)
endif()
