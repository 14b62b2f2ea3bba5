#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <time.h>

namespace serialtest {

// Threads of this process now.
inline int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

// Threads of this process once the count has come to expected (or after 2 s). A joined thread
// may stay listed for a moment after join() has returned.
inline int ThreadCountSettlingAt(int expected) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int count = ThreadCount();
    while (count != expected && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = ThreadCount();
    }
    return count;
}

// Threads of this process once threads that just ended have left the list: the count has stayed
// the same for 20 ms (or 1 s has passed).
inline int StableThreadCount() {
    using namespace std::chrono;
    const auto end = steady_clock::now() + seconds(1);
    int count = ThreadCount();
    auto since = steady_clock::now();
    while (steady_clock::now() - since < milliseconds(20) && steady_clock::now() < end) {
        std::this_thread::sleep_for(milliseconds(2));
        const int now = ThreadCount();
        if (now != count) {
            count = now;
            since = steady_clock::now();
        }
    }
    return count;
}

// Processor time this process has used, all threads together.
inline std::chrono::milliseconds CpuTime() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return std::chrono::milliseconds(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

inline std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

// A path in the test's own temporary folder.
inline std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

} // namespace serialtest
