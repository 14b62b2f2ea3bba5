// The KWin window system in a private headless KWin with three Qt windows: one listing, one
// activation until KWin reports the window active, and a mode 1 reading from SendPacket to the
// typing call when the target window must first be activated (recording keyboard).

#include <benchmark/benchmark.h>

// Qt before Xlib (in the session fixture), whose macros clash with it.
#include <QCoreApplication>

#include "fakes/FakeKeyboardInjector.h"
#include "platform/kwin/KWinSession.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "setup/SetupRecord.h"
#include "targets/Target_App.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const Titles[] = {"Bench Alpha", "Bench Beta", "Bench Gamma"};

struct KWinSetup {
    KWinSession session;
    std::vector<ChildProcess> sinks;
    std::unique_ptr<KWinWindowSystem> windows;
    std::vector<WindowId> ids; // in the order of Titles

    KWinSetup() {
        if (!session.Error().empty())
            return;
        const auto dir = std::filesystem::temp_directory_path();
        for (const char* title : Titles)
            sinks.emplace_back(std::vector<std::string>{
                QT_TEXT_SINK, title, (dir / (std::string("kwin-bench-") + title)).string()});
        windows = std::make_unique<KWinWindowSystem>(nullptr, nullptr);
        WaitFor(
            [this] {
                ids.clear();
                for (const char* title : Titles) {
                    for (const WindowId id : windows->TopLevelWindows()) {
                        if (windows->Title(id) == QString::fromUtf8(title).toStdU16String())
                            ids.push_back(id);
                    }
                }
                return ids.size() == std::size(Titles);
            },
            std::chrono::seconds(15));
    }
    bool Ok() const { return windows && ids.size() == std::size(Titles); }
};

// Made on first use, ended before the application object goes.
std::unique_ptr<KWinSetup> setup;

KWinSetup& K() {
    if (!setup)
        setup = std::make_unique<KWinSetup>();
    return *setup;
}

void List(benchmark::State& state) {
    if (!K().Ok()) {
        state.SkipWithError("no KWin session with the three windows");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(K().windows->TopLevelWindows());
}
BENCHMARK(List)->Unit(benchmark::kMillisecond);

void ActivateAndWait(benchmark::State& state) {
    if (!K().Ok()) {
        state.SkipWithError("no KWin session with the three windows");
        return;
    }
    std::size_t next = 0;
    for (auto _ : state) {
        const WindowId window = K().ids[next++ % K().ids.size()];
        K().windows->Activate(window);
        if (!K().windows->WaitForKeyboard(window, 1000))
            state.SkipWithError("KWin did not activate the window");
    }
}
BENCHMARK(ActivateAndWait)->Unit(benchmark::kMillisecond);

void Mode1Reading(benchmark::State& state) {
    if (!K().Ok()) {
        state.SkipWithError("no KWin session with the three windows");
        return;
    }
    FakeKeyboardInjector keyboard;
    CTarget_App sender(keyboard, *K().windows);
    SetupRecords records;
    records.SetDefaults();
    records.Setup.TargetAppMode = 1;
    sender.Setup = &records.Setup;
    std::size_t next = 0;
    for (auto _ : state) {
        // Another window each time, so that every reading needs an activation.
        std::memset(records.Setup.TargetAppTitle, 0, sizeof records.Setup.TargetAppTitle);
        std::strncpy(records.Setup.TargetAppTitle, Titles[next++ % std::size(Titles)], 100);
        sender.SendPacket(u"12.345\r");
    }
    if (keyboard.texts.size() != static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("a reading was not typed");
}
BENCHMARK(Mode1Reading)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup.reset();
    return 0;
}
