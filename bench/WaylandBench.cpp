// Typing on a wlroots desktop (a private headless sway): from the reading handed to the keystroke
// sender to (a) the compositor holding its last key (SendPacket returns) and (b) the line in the
// file of foot running cat, in mode 0 and in mode 1 with another window focused, so that the
// target must be activated first. Also one batch of 5,000 characters. Prints medians and 99th
// percentiles.
#include "platform/wayland/ForeignToplevelWindowSystem.h"
#include "platform/wayland/SwayServer.h"
#include "platform/wayland/VirtualKeyboardInjector.h"
#include "platform/wayland/WaylandConnection.h"
#include "setup/SetupRecord.h"
#include "targets/Target_App.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Print(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    if (v.empty())
        return;
    const auto at = [&](double q) { return v[std::min(v.size() - 1, std::size_t(q * v.size()))]; };
    std::printf("%-58s median %6.2f ms  p99 %6.2f ms  max %6.2f ms  (%zu)\n", what, at(0.5),
                at(0.99), v.back(), v.size());
}

// Wakes when a file of the folder changes.
class FolderWatch {
public:
    explicit FolderWatch(const fs::path& dir) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(fd_, dir.c_str(), IN_MODIFY | IN_MOVED_TO);
    }
    ~FolderWatch() { close(fd_); }
    void Drain() {
        char buffer[4096];
        while (read(fd_, buffer, sizeof buffer) > 0) {
        }
    }
    // Waits until cond holds, looking again at every change; false after limitMs.
    bool Until(const std::function<bool()>& cond, int limitMs = 2000) {
        const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
        while (!cond()) {
            const int left = static_cast<int>(Ms(end - Clock::now()));
            if (left <= 0)
                return false;
            pollfd p{fd_, POLLIN, 0};
            poll(&p, 1, left);
            Drain();
        }
        return true;
    }

private:
    int fd_;
};

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int readings = argc > 1 ? std::atoi(argv[1]) : 200;
    SwayServer server;
    if (!server.Ok()) {
        std::fprintf(stderr, "%s\n", server.Failure().c_str());
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / "wayland-bench";
    fs::create_directories(dir);
    WaylandConnection connection;
    if (!connection.Open() || !connection.HasVirtualKeyboard() || !connection.HasToplevelList()) {
        std::fprintf(stderr, "sway offers no virtual keyboard or toplevel list\n");
        return 1;
    }
    ForeignToplevelWindowSystem windows(
        connection, [](const std::u16string&, const std::string&) { return false; }, {});
    WaylandSink target(WaylandSink::Kind::Foot, "Bench Target", dir / "target.txt");
    WaylandSink other(WaylandSink::Kind::Foot, "Bench Other", dir / "other.txt");
    WindowId targetId = 0, otherId = 0;
    WaitFor(
        [&] {
            for (const WindowId id : windows.TopLevelWindows()) {
                if (windows.Title(id) == u"Bench Target")
                    targetId = id;
                if (windows.Title(id) == u"Bench Other")
                    otherId = id;
            }
            return targetId != 0 && otherId != 0 && target.Ready() && other.Ready();
        },
        std::chrono::seconds(10));
    if (targetId == 0 || otherId == 0) {
        std::fprintf(stderr, "the foot windows did not come up\n");
        return 1;
    }
    VirtualKeyboardInjector keyboard(connection);
    SetupRecords records;
    records.SetDefaults();
    CTarget_App sender(keyboard, windows);
    sender.Setup = &records.Setup;
    FolderWatch watch(dir);

    std::string expected;
    const auto measure = [&](int mode, std::vector<double>& sent, std::vector<double>& arrived) {
        records.Setup.TargetAppMode = static_cast<std::uint8_t>(mode);
        std::memset(records.Setup.TargetAppTitle, 0, sizeof records.Setup.TargetAppTitle);
        std::strcpy(records.Setup.TargetAppTitle, "bench target");
        for (int i = 0; i < readings; ++i) {
            // Mode 0 types into the target focused; mode 1 finds it with the other focused.
            const WindowId focus = mode == 0 ? targetId : otherId;
            windows.Activate(focus);
            windows.WaitForKeyboard(focus, 1000);
            watch.Drain();
            const std::u16string reading = u"12." + std::u16string(1, u'0' + i % 10) + u"45\r";
            expected += "12." + std::string(1, static_cast<char>('0' + i % 10)) + "45\n";
            const auto start = Clock::now();
            sender.SendPacket(reading);
            sent.push_back(Ms(Clock::now() - start));
            if (!watch.Until([&] { return target.Typed() == expected; })) {
                std::fprintf(stderr, "reading %d did not arrive\n", i);
                return false;
            }
            arrived.push_back(Ms(Clock::now() - start));
        }
        return true;
    };
    std::vector<double> sent0, arrived0, sent1, arrived1;
    if (!measure(0, sent0, arrived0) || !measure(1, sent1, arrived1))
        return 1;
    Print("mode 0: reading to the compositor holding its last key", sent0);
    Print("mode 0: reading to the line in foot (cat)", arrived0);
    Print("mode 1, activated first: reading to the compositor's keys", sent1);
    Print("mode 1, activated first: reading to the line in foot", arrived1);

    // 5,000 characters of one batch: lines of letters, digits and a few non-ASCII characters.
    std::u16string batch;
    std::string batchTyped;
    while (batch.size() < 5000) {
        batch += u"Lot 42,5 \u00B0C \u00B5m\r";
        batchTyped += "Lot 42,5 \u00B0C \u00B5m\n";
    }
    records.Setup.TargetAppMode = 0;
    windows.Activate(targetId);
    windows.WaitForKeyboard(targetId, 1000);
    expected += batchTyped;
    const auto start = Clock::now();
    sender.SendPacket(batch);
    const double sent = Ms(Clock::now() - start);
    if (!watch.Until([&] { return target.Typed() == expected; }, 10000)) {
        std::fprintf(stderr, "the %zu characters did not arrive exactly\n", batch.size());
        return 1;
    }
    std::printf(
        "%zu characters in one batch: SendPacket %.1f ms, all in foot's file after %.1f ms\n",
        batch.size(), sent, Ms(Clock::now() - start));
    fs::remove_all(dir);
    return 0;
}
