// Typing through KDE Plasma's desktop portal into a Qt window under a headless KWin. Its remote
// desktop keyboard asks no question.
#include <gtest/gtest.h>

#include "PortalDesktop.h"
#include "platform/portal/PortalKeyboardInjector.h"

#include <QString>

namespace {

TEST(PortalKde, ReadingsArriveExactlyWithoutAQuestionAndForeignCharactersAreReported) {
    PortalDesktop session(PortalDesktop::Kind::Kde);
    ASSERT_TRUE(session.Ok()) << session.Error();
    WaylandTextSink sink(session, QT_TEXT_SINK, "Brisk KDE Sink");
    ASSERT_TRUE(sink.Ready()) << session.Error();
    PortalKeyboardInjector keyboard;
    ASSERT_TRUE(keyboard.Available()) << session.Error();
    ASSERT_EQ(keyboard.BeginTyping(), u"") << session.Error();

    EXPECT_TRUE(keyboard.TypeCharacters(U"-0.5\r12,34\ryz/:\r3\t4\r"));
    EXPECT_FALSE(keyboard.TypeCharacters(U"1\u00E92\r"));
    EXPECT_EQ(QString::fromStdU16String(keyboard.LastFailure()).toStdString(),
              "This reading holds characters the active keyboard layout cannot type: \u00E9");
    EXPECT_TRUE(keyboard.TypeCharacters(U"100.01\r"));
    EXPECT_TRUE(sink.Receives("-0.5\n12,34\nyz/:\n3\t4\n100.01\n"))
        << "typed: [" << sink.Typed() << "]\n"
        << session.Error();
}

} // namespace
