// Speed of taking a receiver back: from its by-id link appearing to CReceiverWatch::Check giving
// Back (the watch waking, the open and the identify exchange included), and on to the first
// reading read from the reopened port. The receiver's own start-up and the kernel's and udev's
// work before the link appears are not ours and not counted.
#include "ReceiverPort.h"
#include "ReceiverSimulator.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "serial/ReceiverWatch.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <poll.h>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
}

void BM_ReceiverBack(benchmark::State& state) {
    std::string pattern = (fs::temp_directory_path() / "brisk-return-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const fs::path byId = fs::path(pattern) / "serial" / "by-id";
    const fs::path link = byId / "usb-Trailnote_USB_Dock_0042-if00-port0";
    fs::create_directories(byId);
    FakeSettingsStore settings;
    MapReceiverAsCom3(settings, link.string());
    FakeSerialPortDiscovery discovery;
    FakeMessageBox messages;
    CRS232 port;
    CDeviceDetection detection(port, settings, discovery, messages);
    CReceiverWatch watch(port, detection);

    auto receiver = std::make_unique<ReceiverSimulator>();
    fs::create_symlink(receiver->SlavePath(), link);
    if (detection.FindSerialDevice() != 1) {
        state.SkipWithError("receiver not found on COM3");
        return;
    }
    watch.Connected();
    double toReading = 0;
    for (auto _ : state) {
        receiver->Hangup();
        fs::remove(link);
        if (watch.Check() != CReceiverWatch::Change::Gone) {
            state.SkipWithError("the hang-up went unnoticed");
            break;
        }
        receiver = std::make_unique<ReceiverSimulator>();

        const auto start = Clock::now();
        fs::create_symlink(receiver->SlavePath(), link);
        const bool woke = Readable(watch.WatchFd(), 5000);
        if (!woke || watch.Check() != CReceiverWatch::Change::Back) {
            state.SkipWithError("the receiver was not taken back");
            break;
        }
        const auto back = Clock::now();
        receiver->SendReading("12.345");
        char line[CRS232::LineLimit + 1] = {};
        Readable(port.Handle(), 2000);
        if (port.ReadLine(line) != 7) {
            state.SkipWithError("no reading after the return");
            break;
        }
        state.SetIterationTime(Seconds(back - start));
        toReading += Seconds(Clock::now() - start);
    }
    state.counters["to_reading_us"] = benchmark::Counter(
        toReading * 1e6 /
        static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations())));
    port.ClosePort();
    fs::remove_all(pattern);
}

} // namespace

BENCHMARK(BM_ReceiverBack)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

BENCHMARK_MAIN();
