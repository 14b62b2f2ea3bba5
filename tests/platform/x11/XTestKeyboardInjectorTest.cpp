#include "platform/x11/XTestKeyboardInjector.h"
#include "platform/x11/QtX11Display.h"
#include "platform/x11/X11WindowSystem.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

using Step = XTestKeyboardInjector::Step;

// Readable failures: "38+" press, "38-" release, "+1ms" a wait before it.
void PrintTo(const Step& step, std::ostream* os) {
    *os << step.keycode << (step.kind == Step::Press ? '+' : '-');
    if (step.delayMs > 0)
        *os << "+" << step.delayMs << "ms";
}

namespace {

struct Event {
    std::uint16_t scan;
    std::uint32_t flags;
};
Event P(std::uint16_t scan) {
    return {scan, KeyPressFlags};
}
Event R(std::uint16_t scan) {
    return {scan, KeyReleaseFlags};
}
Step Down(unsigned keycode, unsigned delayMs = 0) {
    return {Step::Press, keycode, delayMs};
}
Step Up(unsigned keycode) {
    return {Step::Release, keycode};
}

std::vector<Step> Build(const std::vector<Event>& events) {
    std::vector<std::uint16_t> scans;
    std::vector<std::uint32_t> flags;
    for (const Event& e : events) {
        scans.push_back(e.scan);
        flags.push_back(e.flags);
    }
    std::vector<Step> out{Down(999)}; // stale content must go
    XTestKeyboardInjector::Released released;
    XTestKeyboardInjector::BuildScanCodeSteps(scans.data(), flags.data(), scans.size(), out,
                                              released);
    return out;
}

struct BatchCase {
    const char* name;
    std::vector<Event> events;
    std::vector<Step> steps;
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

class ScanCodeStepsTest : public ::testing::TestWithParam<BatchCase> {};

// X keycodes are scan codes + 8. Every character key comes up right after its press, Shift is
// held around what it shifts, and a key pressed again after its release waits 1 ms, so that no
// toolkit mistakes the pair for autorepeat.
TEST_P(ScanCodeStepsTest, BatchBecomesKeystrokesShapedLikeTyping) {
    EXPECT_EQ(Build(GetParam().events), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, ScanCodeStepsTest,
    ::testing::Values(
        BatchCase{"Reading",
                  {P(0x02), P(0x03), P(0x34), P(0x06), P(0x1C)},
                  {Down(10), Up(10), Down(11), Up(11), Down(60), Up(60), Down(14), Up(14), Down(36),
                   Up(36)}},
        BatchCase{
            "RepeatedKey", {P(0x02), R(0x02), P(0x02)}, {Down(10), Up(10), Down(10, 1), Up(10)}},
        BatchCase{"PressWhileDown", {P(0x02), P(0x02)}, {Down(10), Up(10), Down(10, 1), Up(10)}},
        BatchCase{"Shifted",
                  {P(0x2A), P(0x1E), R(0x2A), P(0x30)},
                  {Down(50), Down(38), Up(38), Up(50), Down(56), Up(56)}},
        BatchCase{"SmallThenCapitalOfOneKey",
                  {P(0x1E), R(0x1E), P(0x2A), P(0x1E), R(0x2A)},
                  {Down(38), Up(38), Down(50), Down(38, 1), Up(38), Up(50)}},
        // Once a wait has passed, keys released before it may go down at once.
        BatchCase{"TwoCapitals",
                  {P(0x2A), P(0x1E), R(0x2A), R(0x1E), P(0x2A), P(0x1E), R(0x2A)},
                  {Down(50), Down(38), Up(38), Up(50), Down(50, 1), Down(38), Up(38), Up(50)}},
        BatchCase{"ReleaseOfKeyNotPressedHere", {R(0x02), P(0x03)}, {Down(11), Up(11)}},
        BatchCase{
            "ShiftLeftDownIsReleased", {P(0x2A), P(0x1E)}, {Down(50), Down(38), Up(38), Up(50)}},
        BatchCase{"Empty", {}, {}}),
    [](const ::testing::TestParamInfo<BatchCase>& info) { return info.param.name; });

TEST(NoDisplayTest, NothingIsAvailableAndNothingBreaks) {
    XTestKeyboardInjector keyboard(nullptr);
    EXPECT_FALSE(keyboard.Available());
    const std::uint16_t codes[] = {0}, scans[] = {0x02};
    const std::uint32_t flags[] = {KeyPressFlags};
    keyboard.Inject(codes, scans, flags, 1);
    EXPECT_FALSE(keyboard.TypeCharacters(U"1"));

    X11WindowSystem windows(nullptr, {});
    EXPECT_TRUE(windows.TopLevelWindows().empty());
    EXPECT_EQ(windows.Foreground(), 0u);
    EXPECT_FALSE(windows.IsWindow(5));
    EXPECT_FALSE(windows.IsOwnWindow(5));
    EXPECT_EQ(windows.Title(5), u"");
    windows.Activate(5);
    EXPECT_FALSE(windows.WaitForKeyboard(5, 10));
    windows.PostPortMessage(5, 1003);
    windows.Beep();
}

TEST(NoDisplayTest, NoQtX11DisplayBeforeTheApplicationExists) {
    EXPECT_EQ(QtX11Display(), nullptr);
}

// The offscreen platform has no X connection: keystrokes are not available there.
TEST(NoDisplayTest, OffscreenPlatformHasNoQtX11Display) {
    int argc = 3;
    char arg0[] = "xtest_injector_test", arg1[] = "-platform", arg2[] = "offscreen";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    QGuiApplication app(argc, argv);
    EXPECT_EQ(QtX11Display(), nullptr);
    EXPECT_FALSE(XTestKeyboardInjector(QtX11Display()).Available());
}

} // namespace
