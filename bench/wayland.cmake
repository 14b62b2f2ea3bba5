# Typing on a wlroots desktop: a private headless sway with foot (a small main, for medians).
add_executable(wayland_bench WaylandBench.cpp)
target_link_libraries(wayland_bench PRIVATE brisk_platform)
target_include_directories(wayland_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
