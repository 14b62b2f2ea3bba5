// One packet of 500 characters from SendPacket to the flush of its key events: the event building
// alone (recording keyboard), and the whole road over XTEST to a private Xvfb, where the focused
// window is found through the X11 window system as in use.

#include <benchmark/benchmark.h>

#include "fakes/FakeKeyboardInjector.h"
#include "fakes/FakeWindowSystem.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XTestKeyboardInjector.h"
#include "platform/x11/XkbKeymap.h"
#include "targets/Target_App.h"

#include "platform/x11/XServer.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Readings with stamps, separators, capitals and shifted characters, cut to 500 characters.
std::u16string Packet500() {
    std::u16string text;
    while (text.size() < 500)
        text += u"12:41:07 PM,Probe A-1,+0012.345 mm;Lot \"QX\"\t";
    text.resize(499);
    return text + u"\r";
}

void SendPacket500Recorded(benchmark::State& state) {
    FakeKeyboardInjector keyboard;
    FakeWindowSystem windows;
    windows.Add(7, u"Spreadsheet");
    windows.foreground = 7;
    SetupRecords records;
    records.SetDefaults();
    CTarget_App sender(keyboard, windows);
    sender.Setup = &records.Setup;
    sender.Typing = KeyboardTyping::ScanCodes;
    const std::u16string packet = Packet500();
    for (auto _ : state) {
        sender.SendPacket(packet);
        keyboard.batches.clear();
    }
    state.counters["events"] = static_cast<double>(sender.ScanCodes.size());
}
BENCHMARK(SendPacket500Recorded)->Unit(benchmark::kMicrosecond);

struct XSetup {
    XServer server{false};
    XDisplayConnection program;
    Window focused = None;
};

XSetup& X() {
    static XSetup setup;
    if (!setup.program && setup.server.Ok()) {
        setup.program.reset(XOpenDisplay(setup.server.Name().c_str()));
        Display* d = setup.server.Connection();
        setup.focused = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 200, 100, 0, 0, 0);
        XMapWindow(d, setup.focused);
        XSync(d, False);
        XSetInputFocus(d, setup.focused, RevertToParent, CurrentTime);
        XSync(d, False);
    }
    return setup;
}

void UseLayout(const char* layout) {
    const std::string command = "setxkbmap -display " + X().server.Name() + " " + layout;
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "%s failed\n", command.c_str());
}

// Reading the keymap (two round trips) and building the key steps of 500 characters by the
// German layout: the work done per packet before the flush.
void BuildBatch500German(benchmark::State& state) {
    XSetup& x = X();
    if (!x.program) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    UseLayout("de");
    std::u32string text;
    for (const char16_t c : Packet500())
        text.push_back(c);
    XkbKeymap keymap;
    XTestKeyboardInjector::Steps steps;
    XTestKeyboardInjector::Released released;
    const bool withRead = state.range(0) != 0;
    keymap.Read(x.program.get());
    for (auto _ : state) {
        if (withRead)
            keymap.Read(x.program.get());
        XTestKeyboardInjector::BuildCharacterSteps(text, keymap, steps, released);
    }
    state.counters["steps"] = static_cast<double>(steps.size());
    UseLayout("us");
}
BENCHMARK(BuildBatch500German)->Arg(0)->Arg(1)->ArgName("read")->Unit(benchmark::kMicrosecond);

// sync: also wait until the server has taken every event (one more round trip).
void SendPacket500XTest(benchmark::State& state) {
    XSetup& x = X();
    if (!x.program) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    XTestKeyboardInjector keyboard(x.program.get());
    X11WindowSystem windows(x.program.get(), {});
    SetupRecords records;
    records.SetDefaults();
    CTarget_App sender(keyboard, windows);
    sender.Setup = &records.Setup;
    sender.Typing = state.range(1) != 0 ? KeyboardTyping::ScanCodes : KeyboardTyping::Layout;
    const std::u16string packet = Packet500();
    const bool sync = state.range(0) != 0;
    for (auto _ : state) {
        sender.SendPacket(packet); // ends with the flush
        if (sync)
            XSync(x.program.get(), False);
        state.PauseTiming();
        if (!sync)
            XSync(x.program.get(), False); // not counted: keeps the runs apart
        state.ResumeTiming();
    }
}
BENCHMARK(SendPacket500XTest)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"sync", "scancodes"})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
