// Typing through KDE Plasma's desktop portal into a Qt window under a headless KWin with the
// French and German layouts. Its remote desktop keyboard asks no question.
#include <gtest/gtest.h>

#include "PortalDesktop.h"
#include "platform/portal/PortalKeyboardInjector.h"

#include <QString>

#include <memory>

namespace {

// The program talks to the session bus it found first: one session for every test.
class PortalKde : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        session = std::make_unique<PortalDesktop>(PortalDesktop::Kind::Kde, "fr,de");
        ASSERT_TRUE(session->Ok()) << session->Error();
    }
    static void TearDownTestSuite() { session.reset(); }
    void SetUp() override { ASSERT_TRUE(session && session->Ok()); }

    static std::string Foreign(const std::u16string& failure) {
        const std::string text = QString::fromStdU16String(failure).toStdString();
        const std::string lead =
            "This reading holds characters the active keyboard layout cannot type: ";
        return text.rfind(lead, 0) == 0 ? text.substr(lead.size()) : "[" + text + "]";
    }

    static std::unique_ptr<PortalDesktop> session;
};
std::unique_ptr<PortalDesktop> PortalKde::session;

// French keyboards put the digits and the degree sign on Shift, @ { and ß on AltGr; the degree
// sign also sits on Shift+AltGr of another key, which types à without its modifiers.
TEST_F(PortalKde, InTheFrenchLayoutReadingsArriveExactlyAndForeignCharactersAreReported) {
    ASSERT_TRUE(session->SwitchKdeLayout(0)) << session->Error();
    WaylandTextSink sink(*session, QT_TEXT_SINK, "Brisk KDE French");
    ASSERT_TRUE(sink.Ready()) << session->Error();
    PortalKeyboardInjector keyboard;
    ASSERT_TRUE(keyboard.Available()) << session->Error();
    ASSERT_EQ(keyboard.BeginTyping(), u"") << session->Error();

    EXPECT_TRUE(keyboard.TypeCharacters(U"-0.5\r12,34\ryz/:\r3\t4\r"));
    EXPECT_TRUE(keyboard.TypeCharacters(U"\u00E9\u00B0\r"));
    EXPECT_TRUE(keyboard.TypeCharacters(U"12.50\u00B0\t\u00B5@{\u00DF}\r"));
    EXPECT_FALSE(keyboard.TypeCharacters(U"3\u00E4\r"));
    EXPECT_EQ(Foreign(keyboard.LastFailure()), "\u00E4");
    EXPECT_TRUE(keyboard.TypeCharacters(U"100.01\r"));
    EXPECT_EQ(keyboard.LastFailure(), u"");
    EXPECT_TRUE(
        sink.Receives("-0.5\n12,34\nyz/:\n3\t4\n\u00E9\u00B0\n12.50\u00B0\t\u00B5@{\u00DF}\n"
                      "100.01\n"))
        << "typed: [" << sink.Typed() << "]\n"
        << session->Error();
}

// The operator switches to German while the program runs: the next readings go by the German
// keys (y, z and - sit elsewhere, ß and ° on other keys), and é is no longer there.
TEST_F(PortalKde, AfterASwitchToTheGermanLayoutReadingsStillArriveExactly) {
    ASSERT_TRUE(session->SwitchKdeLayout(0)) << session->Error();
    WaylandTextSink sink(*session, QT_TEXT_SINK, "Brisk KDE German");
    ASSERT_TRUE(sink.Ready()) << session->Error();
    PortalKeyboardInjector keyboard;
    ASSERT_EQ(keyboard.BeginTyping(), u"") << session->Error();

    EXPECT_TRUE(keyboard.TypeCharacters(U"\u00E9yz-1\r"));
    ASSERT_TRUE(sink.Receives("\u00E9yz-1\n")) << "typed: [" << sink.Typed() << "]";
    ASSERT_TRUE(session->SwitchKdeLayout(1)) << session->Error();
    EXPECT_TRUE(keyboard.TypeCharacters(U"yz-2.5\u00B0\t\u00B5@{\u00DF}\r"));
    EXPECT_FALSE(keyboard.TypeCharacters(U"1\u00E92\r"));
    EXPECT_EQ(Foreign(keyboard.LastFailure()), "\u00E9");
    EXPECT_TRUE(keyboard.TypeCharacters(U"\u00E4\r"));
    EXPECT_TRUE(sink.Receives("\u00E9yz-1\nyz-2.5\u00B0\t\u00B5@{\u00DF}\n\u00E4\n"))
        << "typed: [" << sink.Typed() << "]\n"
        << session->Error();
}

} // namespace
