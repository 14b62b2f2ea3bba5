#include "fakes/FakeKeyboardInjector.h"
#include "fakes/FakeWindowSystem.h"
#include "targets/Target_App.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Event = FakeKeyboardInjector::Event;
using Batch = FakeKeyboardInjector::Batch;
using Action = FakeWindowSystem::Action;
using Call = FakeWindowSystem::Call;

Event P(std::uint16_t scan) {
    return FakeKeyboardInjector::Press(scan);
}
Event R(std::uint16_t scan) {
    return FakeKeyboardInjector::Release(scan);
}

constexpr std::uint16_t Shift = 0x2A;

class TargetAppTest : public ::testing::Test {
protected:
    TargetAppTest() {
        records.SetDefaults();
        app.Setup = &records.Setup;
        // The mode rules are the same for both kinds of typing; scan codes show the events.
        app.Typing = KeyboardTyping::ScanCodes;
    }

    void UseMode(int mode, const char* title = "") {
        records.Setup.TargetAppMode = static_cast<std::uint8_t>(mode);
        std::memset(records.Setup.TargetAppTitle, 0, sizeof records.Setup.TargetAppTitle);
        std::strncpy(records.Setup.TargetAppTitle, title, 100);
    }

    // The text goes to the window in front.
    void FocusOn(WindowId id) { windows.foreground = id; }

    SetupRecords records;
    FakeKeyboardInjector keyboard;
    FakeWindowSystem windows;
    CTarget_App app{keyboard, windows};
};

// Activation of a target, then the wait for it to hold the keyboard.
std::vector<Call> Activated(WindowId id) {
    return {{Action::Activate, id}, {Action::WaitForKeyboard, id, CTarget_App::ActivationWaitMs}};
}

// --- The key events of a packet ---------------------------------------------------------------

struct SequenceCase {
    const char* name;
    std::u16string text;
    Batch events;
};

class TypeTextTest : public TargetAppTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(TypeTextTest, OnePacketIsOneBatchOfScanCodeEvents) {
    UseMode(0);
    windows.Add(7, u"Spreadsheet");
    FocusOn(7);
    app.SendPacket(GetParam().text);

    ASSERT_EQ(keyboard.batches.size(), 1u);
    EXPECT_EQ(keyboard.batches[0], GetParam().events);
    EXPECT_EQ(windows.Beeps(), 0);
    // The arrays in the object hold the same events, virtual-key codes all 0.
    ASSERT_EQ(app.KeyCodes.size(), GetParam().events.size());
    ASSERT_EQ(app.ScanCodes.size(), GetParam().events.size());
    ASSERT_EQ(app.KeyFlags.size(), GetParam().events.size());
    for (std::size_t i = 0; i < GetParam().events.size(); ++i) {
        EXPECT_EQ(app.KeyCodes[i], 0);
        EXPECT_EQ(app.ScanCodes[i], GetParam().events[i].scanCode);
        EXPECT_EQ(app.KeyFlags[i], GetParam().events[i].flags);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, TypeTextTest,
    ::testing::Values(
        SequenceCase{
            "ReadingWithCarriageReturn", u"12.5\r", {P(0x02), P(0x03), P(0x34), P(0x06), P(0x1C)}},
        SequenceCase{"RepeatedKeyIsReleasedFirst", u"11", {P(0x02), R(0x02), P(0x02)}},
        SequenceCase{"ShiftAroundCapitalOnly", u"Ab", {P(Shift), P(0x1E), R(Shift), P(0x30)}},
        SequenceCase{"SameKeyWithShiftReleasedBeforeShift",
                     u"aA",
                     {P(0x1E), R(0x1E), P(Shift), P(0x1E), R(Shift)}},
        SequenceCase{"DroppedLineFeedResetsRepeat", u"1\n1", {P(0x02), P(0x02)}},
        SequenceCase{"DroppedHighCharacterResetsRepeat", u"a\u00E9a", {P(0x1E), P(0x1E)}},
        SequenceCase{"TwoCapitals",
                     u"AA",
                     {P(Shift), P(0x1E), R(Shift), R(0x1E), P(Shift), P(0x1E), R(Shift)}},
        SequenceCase{
            "ShiftedPunctuationSharesKey", u";:", {P(0x27), R(0x27), P(Shift), P(0x27), R(Shift)}},
        SequenceCase{"TabSpaceEscapeBackspace", u"\t \x1B\b", {P(0x0F), P(0x39), P(0x01), P(0x0E)}},
        SequenceCase{"OnlyKeylessCharactersStillOneEmptyBatch", u"\n\x7F\u00E9\u20AC", {}}),
    [](const ::testing::TestParamInfo<SequenceCase>& info) { return info.param.name; });

TEST_F(TargetAppTest, EmptyPacketInjectsNothing) {
    UseMode(0);
    windows.Add(7, u"Spreadsheet");
    FocusOn(7);
    app.SendPacket(u"");
    EXPECT_TRUE(keyboard.batches.empty());
    EXPECT_TRUE(app.ScanCodes.empty());
    EXPECT_EQ(windows.Beeps(), 0);
}

TEST_F(TargetAppTest, EachPacketReplacesTheLastOnesTextAndEvents) {
    UseMode(0);
    windows.Add(7, u"Spreadsheet");
    FocusOn(7);
    app.SendPacket(u"123456789012345678901234567890123456789012345678901234567890\r");
    app.SendPacket(u"7\r");
    EXPECT_EQ(app.PacketText, u"7\r");
    ASSERT_EQ(keyboard.batches.size(), 2u);
    EXPECT_EQ(keyboard.batches[1], (Batch{P(0x08), P(0x1C)}));
    EXPECT_EQ(app.ScanCodes, (std::vector<std::uint16_t>{0x08, 0x1C}));
}

// --- Mode 0: the window that has the keyboard --------------------------------------------------

TEST_F(TargetAppTest, FocusedWindowIsTypedIntoWithoutActivationOrWait) {
    UseMode(0);
    windows.Add(3, u"Other");
    windows.Add(7, u"Spreadsheet");
    FocusOn(7);
    app.SendPacket(u"5\r");
    EXPECT_EQ(keyboard.batches.size(), 1u);
    EXPECT_TRUE(windows.calls.empty()); // no restore, activation, wait or beep
}

TEST_F(TargetAppTest, OwnWindowInFrontOnlyBeepsForEveryPacket) {
    UseMode(0);
    windows.Add(1, u"Tapline Brisk - Untitled").own = true;
    FocusOn(1);
    app.SendPacket(u"5\r");
    app.SendPacket(u"6\r");
    EXPECT_TRUE(keyboard.batches.empty());
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}, {Action::Beep}}));
}

TEST_F(TargetAppTest, FocusedWindowThatCannotTakeKeysBeeps) {
    struct Case {
        const char* what;
        bool visible, minimised, exists;
        WindowId focus;
    };
    const Case cases[] = {{"invisible", false, false, true, 7},
                          {"minimised", true, true, true, 7},
                          {"closed", true, false, false, 7},
                          {"no window in front", true, false, true, 0}};
    for (const Case& c : cases) {
        FakeWindowSystem desk;
        FakeKeyboardInjector keys;
        CTarget_App sender(keys, desk);
        sender.Setup = &records.Setup;
        UseMode(0);
        auto& w = desk.Add(7, u"Spreadsheet");
        w.visible = c.visible;
        w.minimised = c.minimised;
        w.exists = c.exists;
        desk.foreground = c.focus;
        sender.SendPacket(u"5\r");
        EXPECT_TRUE(keys.batches.empty()) << c.what;
        EXPECT_EQ(desk.calls, (std::vector<Call>{{Action::Beep}})) << c.what;
    }
}

TEST_F(TargetAppTest, WhereTheListMissesNativeWindowsNoNamedFocusStillTypes) {
    // A Wayland desktop that lists only its X11 clients: "no focus" there means a native window
    // has the keyboard; our own window with the keyboard still only beeps.
    windows.listsEveryWindow = false;
    UseMode(0);
    windows.Add(1, u"Tapline Brisk - Untitled").own = true;
    app.SendPacket(u"5\r");
    FocusOn(1);
    app.SendPacket(u"6\r");
    ASSERT_EQ(keyboard.batches.size(), 1u);
    EXPECT_EQ(keyboard.batches[0].front(), FakeKeyboardInjector::Press(0x06)); // "5"
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}}));
}

// --- Mode 1: the window whose title contains the stored text ------------------------------------

TEST_F(TargetAppTest, TitlePieceMatchesIgnoringCaseOfLetters) {
    UseMode(1, "REPORT");
    windows.Add(3, u"Terminal");
    windows.Add(7, u"Monthly Report - Editor");
    FocusOn(3);
    app.SendPacket(u"5\r");
    ASSERT_EQ(keyboard.batches.size(), 1u);
    EXPECT_EQ(windows.calls, Activated(7));
    EXPECT_EQ(windows.foreground, 7u);
}

TEST_F(TargetAppTest, MinimisedTargetIsRestoredThenActivatedThenTypedAfterTheWait) {
    UseMode(1, "editor");
    windows.Add(7, u"Monthly Report - Editor").minimised = true;
    app.SendPacket(u"5\r");

    std::vector<Call> expected{{Action::Restore, 7}};
    for (const Call& call : Activated(7))
        expected.push_back(call);
    EXPECT_EQ(windows.calls, expected);
    EXPECT_EQ(keyboard.batches.size(), 1u);
    EXPECT_FALSE(windows.Find(7)->minimised);
}

TEST_F(TargetAppTest, OfTwoMatchingWindowsTheHigherOneIsUsed) {
    UseMode(1, "data");
    windows.Add(4, u"Data Logger - run 2");
    windows.Add(5, u"Data Logger - run 1");
    app.SendPacket(u"5\r");
    EXPECT_EQ(windows.calls, Activated(4));
    EXPECT_EQ(keyboard.batches.size(), 1u);
}

TEST_F(TargetAppTest, InvisibleAndClosedWindowsArePassedOver) {
    UseMode(1, "data");
    windows.Add(3, u"Data hidden").visible = false;
    windows.Add(4, u"Data closed").exists = false;
    windows.Add(5, u"Data Logger");
    app.SendPacket(u"5\r");
    EXPECT_EQ(windows.calls, Activated(5));
}

TEST_F(TargetAppTest, OnlyTheFirstNinetyNineTitleUnitsAreCompared) {
    const std::u16string padding(95, u'x');
    windows.Add(7, padding + u"ABCDEFGH"); // the title is cut after "ABCD"

    UseMode(1, "abcd");
    app.SendPacket(u"5\r");
    EXPECT_EQ(windows.calls, Activated(7));

    windows.calls.clear();
    UseMode(1, "abcde");
    app.SendPacket(u"5\r");
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}}));
    EXPECT_EQ(keyboard.batches.size(), 1u);
}

TEST_F(TargetAppTest, OnlyLettersAToZIgnoreCase) {
    windows.Add(3, u"caf\u00E9 menu");
    UseMode(1, "CAF\xC9"); // 8-bit text: capital E with acute
    app.SendPacket(u"5\r");
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}}));

    windows.calls.clear();
    windows.Add(4, u"CAF\u00C9 MENU");
    app.SendPacket(u"5\r");
    EXPECT_EQ(windows.calls, Activated(4));
}

TEST_F(TargetAppTest, NoMatchingWindowBeepsAndTypesNothing) {
    UseMode(1, "report");
    windows.Add(3, u"Terminal");
    windows.Add(4, u"Report hidden").visible = false;
    app.SendPacket(u"5\r");
    EXPECT_TRUE(keyboard.batches.empty());
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}}));
}

TEST_F(TargetAppTest, EmptyStoredTitleMatchesNoWindow) {
    UseMode(1, "");
    windows.Add(3, u"Terminal");
    app.SendPacket(u"5\r");
    EXPECT_TRUE(keyboard.batches.empty());
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}}));
}

// Our main window's title holds the setup's name, which may well contain the stored text.
TEST_F(TargetAppTest, OwnWindowsAreNeverTypedIntoAndTheSearchGoesOn) {
    UseMode(1, "readings");
    windows.Add(1, u"Tapline Brisk - readings").own = true;
    windows.Add(2, u"Get Target Application").own = true;
    windows.Add(7, u"readings.csv - LibreOffice Calc");
    app.SendPacket(u"5\r");
    EXPECT_EQ(windows.calls, Activated(7));
    EXPECT_EQ(keyboard.batches.size(), 1u);

    // Only our own windows match: no target.
    windows.calls.clear();
    windows.Find(7)->exists = false;
    app.SendPacket(u"6\r");
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}}));
    EXPECT_EQ(keyboard.batches.size(), 1u);
}

// --- Mode 2 and modes no setup should hold ------------------------------------------------------

TEST_F(TargetAppTest, DisabledOrUnknownModeNeverTypesWhateverTheTitle) {
    windows.Add(7, u"Monthly Report");
    FocusOn(7);
    for (const KeyboardTyping typing : {KeyboardTyping::ScanCodes, KeyboardTyping::Layout}) {
        app.Typing = typing;
        for (const int mode : {2, 3, 255}) {
            windows.calls.clear();
            UseMode(mode, "report");
            app.SendPacket(u"5\r");
            EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}})) << "mode " << mode;
        }
    }
    EXPECT_TRUE(keyboard.batches.empty());
    EXPECT_TRUE(keyboard.texts.empty());
}

// --- No way to type ----------------------------------------------------------------------------

TEST_F(TargetAppTest, WithoutKeyboardInjectionEveryPacketOnlyBeeps) {
    keyboard.available = false;
    windows.Add(7, u"Monthly Report");
    FocusOn(7);
    for (const int mode : {0, 1}) {
        windows.calls.clear();
        UseMode(mode, "report");
        app.SendPacket(u"5\r");
        EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}})) << "mode " << mode;
    }
    EXPECT_TRUE(keyboard.batches.empty());
}

// --- Typing by the active layout -----------------------------------------------------------------

TEST_F(TargetAppTest, LayoutTypingHandsOverTheCharactersThatHaveAKeyOrAKeysym) {
    app.Typing = KeyboardTyping::Layout;
    UseMode(0);
    windows.Add(7, u"Spreadsheet");
    FocusOn(7);
    // Line feed, delete, C1 controls and a lone surrogate half are keyless; a pair is one
    // character.
    app.SendPacket(u"-0,5 \u00B0C\n\x7F\u0085\t\U0001D4B3\xD800x\r");
    ASSERT_EQ(keyboard.texts.size(), 1u);
    EXPECT_EQ(keyboard.texts[0], U"-0,5 \u00B0C\t\U0001D4B3x\r");
    EXPECT_TRUE(keyboard.batches.empty());
    EXPECT_TRUE(app.ScanCodes.empty());
    EXPECT_EQ(windows.Beeps(), 0);

    // A batch the desktop could not type beeps, is counted and its reason passed on.
    std::vector<std::u16string> reasons;
    app.NotTyped = [&](const std::u16string& reason) { reasons.push_back(reason); };
    keyboard.typingWorks = false;
    keyboard.failure = u"no key for \u00E9";
    app.SendPacket(u"5\r");
    app.SendPacket(u"6\r");
    EXPECT_EQ(windows.calls, (std::vector<Call>{{Action::Beep}, {Action::Beep}}));
    EXPECT_EQ(app.NotTypedCount, 2);
    EXPECT_EQ(reasons, (std::vector<std::u16string>{u"no key for \u00E9", u"no key for \u00E9"}));
}

TEST(TypingSettingTest, OnlyScanCodesSelectsScanCodes) {
    EXPECT_EQ(CTarget_App::TypingFromSetting("ScanCodes"), KeyboardTyping::ScanCodes);
    EXPECT_EQ(CTarget_App::TypingFromSetting("scancodes"), KeyboardTyping::ScanCodes);
    for (const char* other : {"Layout", "", "scan codes", "US"})
        EXPECT_EQ(CTarget_App::TypingFromSetting(other), KeyboardTyping::Layout) << other;
}

TEST(TitleRuleTest, ContainsIgnoringCaseOfAToZ) {
    EXPECT_TRUE(CTarget_App::TitleContains(u"Monthly Report - Editor", u"report"));
    EXPECT_TRUE(CTarget_App::TitleContains(u"Monthly Report - Editor", u"y report - e"));
    EXPECT_FALSE(CTarget_App::TitleContains(u"Monthly Report", u"reports"));
    EXPECT_EQ(CTarget_App::LowerAZ(u"AZaz@[\u00C9"), u"azaz@[\u00C9");
}

} // namespace
