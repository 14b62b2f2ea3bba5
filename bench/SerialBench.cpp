// Speed of the device search: a receiver on the last port should cost its own reply time and
// little more; a silent port about 100 ms with the processor free meanwhile.
#include "ReceiverSimulator.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "platform/qt/QtSettingsStore.h"
#include "serial/DeviceDetection.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double CpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The receiver's own reply time: "<V" written on the port, until the whole answer is back.
void BM_ReceiverReplyTime(benchmark::State& state) {
    ReceiverSimulator receiver;
    const int fd = ::open(receiver.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const std::string reply = ReceiverSimulator::Reply({});
    for (auto _ : state) {
        const auto start = Clock::now();
        if (::write(fd, "<V", 2) != 2)
            state.SkipWithError("write failed");
        std::size_t got = 0;
        char buffer[64];
        while (got < reply.size()) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 1000);
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        state.SetIterationTime(Seconds(Clock::now() - start));
    }
    ::close(fd);
}

// FindSerialDevice with the receiver on the stored last port, the whole search: inventory,
// open, identify. The port is closed outside the timed part.
void FindOnLastPort(benchmark::State& state, SettingsStore& settings) {
    ReceiverSimulator receiver;
    settings.WriteProfileString("SerialDeviceMap", "COM3", receiver.SlavePath());
    settings.WriteProfileInt("Settings", "LastPort", 3);
    FakeSerialPortDiscovery discovery;
    FakeMessageBox messages;
    CRS232 port;
    CDeviceDetection detection(port, settings, discovery, messages);
    for (auto _ : state) {
        const auto start = Clock::now();
        const int found = detection.FindSerialDevice();
        state.SetIterationTime(Seconds(Clock::now() - start));
        if (found != 1 || detection.DevicePort != 3)
            state.SkipWithError("receiver not found on COM3");
        port.ClosePort();
    }
}

void BM_FindOnLastPort(benchmark::State& state) {
    FakeSettingsStore settings;
    FindOnLastPort(state, settings);
    state.SetLabel("settings in memory");
}

void BM_FindOnLastPortWithSettingsFile(benchmark::State& state) {
    // The program's settings store, in a folder of its own (never the user's settings).
    const auto dir = std::filesystem::temp_directory_path() /
                     ("brisk-serial-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    {
        QtSettingsStore settings("Orvane Systems", "Tapline Brisk Bench");
        FindOnLastPort(state, settings);
    }
    std::filesystem::remove_all(dir);
    state.SetLabel("QSettings file");
}

// A chosen port whose device never answers: the search waits out the identify time-out.
void BM_SilentPort(benchmark::State& state) {
    ReceiverSimulator receiver({ReplyMode::Silent});
    FakeSettingsStore settings;
    settings.WriteProfileString("SerialDeviceMap", "COM1", receiver.SlavePath());
    FakeSerialPortDiscovery discovery;
    FakeMessageBox messages;
    CRS232 port;
    CDeviceDetection detection(port, settings, discovery, messages);
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const double cpuStart = CpuSeconds();
        const auto start = Clock::now();
        if (detection.FindSerialDevice() != 0)
            state.SkipWithError("a silent port was accepted");
        const double took = Seconds(Clock::now() - start);
        cpu += CpuSeconds() - cpuStart;
        wall += took;
        state.SetIterationTime(took);
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
}

} // namespace

BENCHMARK(BM_ReceiverReplyTime)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindOnLastPort)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindOnLastPortWithSettingsFile)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SilentPort)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

BENCHMARK_MAIN();
