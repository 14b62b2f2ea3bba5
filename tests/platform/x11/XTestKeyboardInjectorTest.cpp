#include "platform/x11/XTestKeyboardInjector.h"
#include "platform/x11/QtX11Display.h"
#include "platform/x11/X11WindowSystem.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Readable failures: "38+" press, "38-" release.
void PrintTo(const XTestKeyboardInjector::FakeKey& key, std::ostream* os) {
    *os << key.keycode << (key.press ? '+' : '-');
}

namespace {

using FakeKey = XTestKeyboardInjector::FakeKey;

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
FakeKey Down(unsigned keycode) {
    return {keycode, true};
}
FakeKey Up(unsigned keycode) {
    return {keycode, false};
}

std::vector<FakeKey> Build(const std::vector<Event>& events) {
    std::vector<std::uint16_t> scans;
    std::vector<std::uint32_t> flags;
    for (const Event& e : events) {
        scans.push_back(e.scan);
        flags.push_back(e.flags);
    }
    std::vector<FakeKey> out{Down(999)}; // stale content must go
    XTestKeyboardInjector::BuildFakeKeys(scans.data(), flags.data(), scans.size(), out);
    return out;
}

struct BatchCase {
    const char* name;
    std::vector<Event> events;
    std::vector<FakeKey> keys;
};

void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

class FakeKeysTest : public ::testing::TestWithParam<BatchCase> {};

// X keycodes are scan codes + 8; no key stays down after a batch (the server would repeat it),
// and a key is never pressed while down (the server would take it for a repeat).
TEST_P(FakeKeysTest, BatchBecomesXTestEventsWithNoKeyLeftDown) {
    EXPECT_EQ(Build(GetParam().events), GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, FakeKeysTest,
    ::testing::Values(
        BatchCase{"Reading",
                  {P(0x02), P(0x03), P(0x34), P(0x06), P(0x1C)},
                  {Down(10), Down(11), Down(60), Down(14), Down(36), Up(36), Up(14), Up(60), Up(11),
                   Up(10)}},
        BatchCase{"RepeatedKey", {P(0x02), R(0x02), P(0x02)}, {Down(10), Up(10), Down(10), Up(10)}},
        BatchCase{"PressWhileDown", {P(0x02), P(0x02)}, {Down(10), Up(10), Down(10), Up(10)}},
        BatchCase{"Shifted",
                  {P(0x2A), P(0x1E), R(0x2A), P(0x30)},
                  {Down(50), Down(38), Up(50), Down(56), Up(56), Up(38)}},
        BatchCase{"ReleaseOfKeyNotPressedHere", {R(0x02), P(0x03)}, {Down(11), Up(11)}},
        BatchCase{"Empty", {}, {}}),
    [](const ::testing::TestParamInfo<BatchCase>& info) { return info.param.name; });

TEST(NoDisplayTest, NothingIsAvailableAndNothingBreaks) {
    XTestKeyboardInjector keyboard(nullptr);
    EXPECT_FALSE(keyboard.Available());
    const std::uint16_t codes[] = {0}, scans[] = {0x02};
    const std::uint32_t flags[] = {KeyPressFlags};
    keyboard.Inject(codes, scans, flags, 1);

    X11WindowSystem windows(nullptr, {});
    EXPECT_TRUE(windows.TopLevelWindows().empty());
    EXPECT_EQ(windows.Foreground(), 0u);
    EXPECT_FALSE(windows.IsWindow(5));
    EXPECT_FALSE(windows.IsOwnWindow(5));
    EXPECT_EQ(windows.Title(5), u"");
    windows.Activate(5);
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
