# Typing through the desktop portal under a private headless GNOME session.
if(benchmark_FOUND)
    add_executable(portal_bench PortalBench.cpp)
    target_link_libraries(portal_bench PRIVATE brisk_platform benchmark::benchmark)
    target_include_directories(portal_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(portal_bench PRIVATE
        QT_TEXT_SINK="$<TARGET_FILE:qt-text-sink>")
    add_dependencies(portal_bench qt-text-sink)
endif()
