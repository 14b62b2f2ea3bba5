// Typing through the desktop portal into a Qt window under a private headless GNOME (or KDE)
// session, once the session is up: a reading from SendPacket until the portal has taken its last
// key, and until that key has arrived in the window (the window writes its text to a file on every
// change).

#include <benchmark/benchmark.h>

#include "fakes/FakeWindowSystem.h"
#include "platform/portal/PortalDesktop.h"
#include "platform/portal/PortalKeyboardInjector.h"
#include "targets/Target_App.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

struct PortalSetup {
    std::unique_ptr<PortalDesktop> session;
    std::unique_ptr<WaylandTextSink> sink;
    std::unique_ptr<PortalKeyboardInjector> keyboard;
    std::string failure;
};

std::unique_ptr<PortalSetup> portal;

PortalSetup& Portal() {
    if (portal)
        return *portal;
    portal = std::make_unique<PortalSetup>();
    PortalSetup& setup = *portal;
    // KDE's portal with BRISK_BENCH_DESKTOP=kde, else GNOME's.
    const char* desktop = std::getenv("BRISK_BENCH_DESKTOP");
    setup.session = std::make_unique<PortalDesktop>(
        desktop != nullptr && std::string(desktop) == "kde" ? PortalDesktop::Kind::Kde
                                                            : PortalDesktop::Kind::Gnome);
    if (!setup.session->Ok()) {
        setup.failure = setup.session->Error();
        return setup;
    }
    // The window is in front when typing is switched on, as in use.
    setup.sink = std::make_unique<WaylandTextSink>(*setup.session, QT_TEXT_SINK, "Brisk Bench");
    if (!setup.sink->Ready()) {
        setup.failure = "the text window did not start";
        return setup;
    }
    setup.keyboard = std::make_unique<PortalKeyboardInjector>();
    setup.session->AnswerConsent(true);
    const std::u16string refused = setup.keyboard->BeginTyping();
    setup.session->StopAnswering();
    if (!refused.empty()) {
        setup.failure = "the portal session did not start: " +
                        QString::fromStdU16String(refused).toStdString() + "\n" +
                        setup.session->Error();
        return setup;
    }
    return setup;
}

std::uintmax_t FileSize(const std::filesystem::path& file) {
    struct stat info {};
    return stat(file.c_str(), &info) == 0 ? static_cast<std::uintmax_t>(info.st_size) : 0;
}

double Percentile(std::vector<double> samples, double p) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[static_cast<std::size_t>(p * (samples.size() - 1))];
}

// arrival: 0 until SendPacket returns (the portal has taken the last key), 1 until the window
// has the whole reading.
void PortalReading(benchmark::State& state) {
    PortalSetup& p = Portal();
    if (!p.failure.empty()) {
        state.SkipWithError(p.failure.c_str());
        return;
    }
    FakeWindowSystem windows;
    windows.Add(7, u"Brisk Portal Bench");
    windows.foreground = 7;
    SetupRecords records;
    records.SetDefaults();
    records.Setup.TargetAppMode = 0;
    CTarget_App sender(*p.keyboard, windows);
    sender.Setup = &records.Setup;
    const std::u16string reading = u"12.345\r";
    const bool arrival = state.range(0) != 0;
    std::vector<double> samples;
    for (auto _ : state) {
        const std::uintmax_t before = FileSize(p.sink->File());
        const auto start = std::chrono::steady_clock::now();
        sender.SendPacket(reading);
        if (arrival) {
            while (FileSize(p.sink->File()) < before + 7 &&
                   std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        samples.push_back(took.count() * 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // readings come apart
    }
    state.counters["median_ms"] = Percentile(samples, 0.5);
    state.counters["p99_ms"] = Percentile(samples, 0.99);
    if (!windows.calls.empty())
        state.SkipWithError("a reading was not typed");
}
BENCHMARK(PortalReading)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("arrival")
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The parts of a reading's time: checking the keymap alone (an empty batch: one Wayland round
// trip to the compositor), and one character (its press and release, one portal call each).
void PortalCharacter(benchmark::State& state) {
    PortalSetup& p = Portal();
    if (!p.failure.empty()) {
        state.SkipWithError(p.failure.c_str());
        return;
    }
    const std::u32string text = state.range(0) != 0 ? U"1" : U"";
    for (auto _ : state)
        p.keyboard->TypeCharacters(text);
}
BENCHMARK(PortalCharacter)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("characters")
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    portal.reset(); // while the application object still serves D-Bus
    benchmark::Shutdown();
    return 0;
}
