// Typing through the desktop portal into a Qt window under a headless GNOME session (mutter),
// the portal's consent dialog answered by keys pressed in mutter.
#include <gtest/gtest.h>

#include "PortalDesktop.h"
#include "fakes/FakeWindowSystem.h"
#include "platform/portal/PortalKeyboardInjector.h"
#include "targets/Target_App.h"

#include <QString>

#include <memory>

namespace {

class PortalTyping : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        session = std::make_unique<PortalDesktop>();
        ASSERT_TRUE(session->Ok()) << session->Error();
    }
    static void TearDownTestSuite() { session.reset(); }
    void SetUp() override { ASSERT_TRUE(session && session->Ok()); }

    // Switches typing on, as the operator does, answering the desktop's question.
    static std::u16string Begin(PortalKeyboardInjector& keyboard, bool accept) {
        session->AnswerConsent(accept);
        const std::u16string message = keyboard.BeginTyping();
        session->StopAnswering();
        return message;
    }

    static std::unique_ptr<PortalDesktop> session;
};
std::unique_ptr<PortalDesktop> PortalTyping::session;

// Mode 0 types into whatever has the focus; the window system only has to say that something
// other than the program's own window has it.
// The window has the focus while the operator answers, and gets it back afterwards: the first
// reading follows the start at once.
TEST_F(PortalTyping, ReadingsInModeZeroArriveExactlyFromTheFirstOn) {
    WaylandTextSink sink(*session, QT_TEXT_SINK, "Brisk Portal Sink");
    ASSERT_TRUE(sink.Ready()) << session->Error();
    PortalKeyboardInjector keyboard;
    ASSERT_TRUE(keyboard.Available()) << session->Error();
    ASSERT_EQ(Begin(keyboard, true), u"") << session->Error();
    FakeWindowSystem windows;
    windows.Add(7, u"Brisk Portal Sink");
    windows.foreground = 7;
    SetupRecords records;
    records.SetDefaults();
    records.Setup.TargetAppMode = 0;
    CTarget_App sender(keyboard, windows);
    sender.Setup = &records.Setup;
    std::string expected;
    for (const std::u16string reading : {u"-0.5", u"12,34", u"yz/:", u"100.01", u"3\t4"}) {
        sender.SendPacket(reading + u"\r");
        expected += QString::fromStdU16String(reading).toStdString() + "\n";
        ASSERT_TRUE(sink.Receives(expected)) << "typed: [" << sink.Typed() << "]";
    }
    EXPECT_TRUE(windows.calls.empty()) << "beeped";
}

TEST_F(PortalTyping, AReadingWithCharactersOutsideTheLayoutIsReportedAndNotTypedAtAll) {
    WaylandTextSink sink(*session, QT_TEXT_SINK, "Brisk Portal Layout");
    ASSERT_TRUE(sink.Ready()) << session->Error();
    PortalKeyboardInjector keyboard;
    ASSERT_EQ(Begin(keyboard, true), u"") << session->Error();
    EXPECT_FALSE(keyboard.TypeCharacters(U"1\u00E92\u00B0\u00E93"));
    EXPECT_EQ(QString::fromStdU16String(keyboard.LastFailure()).toStdString(),
              "This reading holds characters the active keyboard layout cannot type: "
              "\u00E9 \u00B0");
    // The next reading arrives alone: nothing of the one before was typed.
    EXPECT_TRUE(keyboard.TypeCharacters(U"ok\r"));
    EXPECT_EQ(keyboard.LastFailure(), u"");
    EXPECT_TRUE(sink.Receives("ok\n")) << "typed: [" << sink.Typed() << "]";
}

// The operator says no: typing stays off with a message, nothing is typed, and switching typing
// on again asks again.
TEST_F(PortalTyping, ARefusedDialogGivesTheMessageTypesNothingAndIsAskedAgain) {
    WaylandTextSink sink(*session, QT_TEXT_SINK, "Brisk Portal Refused");
    ASSERT_TRUE(sink.Ready()) << session->Error();
    PortalKeyboardInjector refused;
    const std::u16string message = Begin(refused, false);
    EXPECT_EQ(QString::fromStdU16String(message).toStdString(),
              "The desktop did not allow this program to type. Readings will not be typed into "
              "other applications.")
        << session->Error();
    EXPECT_FALSE(refused.TypeCharacters(U"55\r"));
    EXPECT_NE(refused.LastFailure(), u"");

    EXPECT_EQ(Begin(refused, true), u"");
    EXPECT_TRUE(refused.TypeCharacters(U"66\r"));
    EXPECT_TRUE(sink.Receives("66\n")) << "typed: [" << sink.Typed() << "]";
}

} // namespace
