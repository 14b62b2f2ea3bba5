// GoogleTest before Xlib, whose macros (None, Bool) would otherwise clash with it.
#include <gtest/gtest.h>

#include "FakeNotificationService.h"
#include "QtWait.h"
#include "WindowTitled.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/portal/PortalDesktop.h"

#include <QDBusConnection>

// Xlib last, for the same reason.
#include "app/ProgramHarness.h"

namespace {

// The real program on KDE Plasma without XWayland (its window a Wayland client), typing into the
// focused window through the desktop portal. A reading the layout cannot type is told in a
// desktop notification, which takes nothing from the operator: the next reading is typed.
TEST(PortalEndToEnd, AnUntypeableReadingIsNoticedAndTheNextOneIsTyped) {
    PortalDesktop session(PortalDesktop::Kind::Kde);
    ASSERT_TRUE(session.Ok()) << session.Error();
    FakeNotificationService notifications;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    ProgramFolder program;
    setenv("XDG_RUNTIME_DIR", (session.Dir() / "runtime").c_str(), 1); // the compositor's
    const fs::path target = program.Dir() / "readings.csv";
    const fs::path setup = program.WriteSetup("Line 3.tpln_brisk", target, true);
    setenv("QT_QPA_PLATFORM", "wayland", 1);
    program.Start({setup.string()});
    unsetenv("QT_QPA_PLATFORM");

    KWinWindowSystem windows([](const std::u16string&) { return false; }, [] {});
    const auto find = [&](const std::u16string& title) { return WindowTitled(windows, title); };
    ASSERT_TRUE(
        WaitServing([&] { return find(u"Tapline Brisk - Line 3") != 0; }, std::chrono::seconds(20)))
        << session.Error();
    WaylandTextSink sink(session, QT_TEXT_SINK, "Brisk Report");
    ASSERT_TRUE(sink.Ready()) << session.Error();
    const WindowId report = find(u"Brisk Report");
    windows.Activate(report);
    ASSERT_TRUE(windows.WaitForKeyboard(report, 2000));

    // "é°" on a US layout, then a plain reading. (KDE's portal has a notification of its own: the
    // session it started.)
    program.Receiver().SendReading("\xE9\xB0");
    const auto ours = [&]() -> const FakeNotificationService::Call* {
        for (const auto& call : notifications.calls)
            if (call.app == "Tapline Brisk")
                return &call;
        return nullptr;
    };
    ASSERT_TRUE(WaitServing([&] { return ours() != nullptr; }))
        << "typed [" << sink.Typed() << "] file [" << FileText(target) << "]";
    EXPECT_EQ(ours()->summary, "Reading not typed");
    EXPECT_TRUE(ours()->body.contains(QString::fromUtf16(u"cannot type: \u00E9 \u00B0")))
        << ours()->body.toStdString();
    program.Receiver().SendReading("0.5");
    EXPECT_TRUE(WaitServing([&] { return sink.Typed() == "0.5\n"; }))
        << "typed: [" << sink.Typed() << "]";
    EXPECT_EQ(windows.Foreground(), report) << "the target kept the keyboard";
    EXPECT_TRUE(WaitServing([&] { return FileText(target) == "\xE9\xB0\r\n0.5\r\n"; }))
        << "file holds: " << FileText(target);
}

} // namespace
