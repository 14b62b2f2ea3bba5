#include "platform/qt/QtNotices.h"
#include "FakeNotificationService.h"
#include "SessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QObject>
#include <QVariantMap>
#include <gtest/gtest.h>

namespace {

bool Pump(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct Notices : ::testing::Test {
    SessionBus bus;
    QDBusConnection client = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()),
                                                           QStringLiteral("notices-client"));
    QDBusConnection server = QDBusConnection::connectToBus(QString::fromStdString(bus.Address()),
                                                           QStringLiteral("notices-server"));
    FakeNotificationService service;
    QStringList status;
    QStringList balloons;

    ~Notices() override {
        QDBusConnection::disconnectFromBus(QStringLiteral("notices-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notices-server"));
    }
    void Serve() {
        ASSERT_TRUE(server.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                          &service, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    void Watch(QtNotices& notices) {
        notices.StatusBar = [this](const QString& text) { status << text; };
        notices.Fallback = [this](const QString& s, const QString& b) { balloons << s + "|" + b; };
    }
};

TEST_F(Notices, OneNotificationPerKindReplacedFoldedAndTakenAway) {
    ASSERT_FALSE(bus.Address().empty()) << "dbus-daemon did not start";
    ASSERT_TRUE(client.isConnected() && server.isConnected());
    Serve();
    QtNotices notices(client);
    Watch(notices);

    notices.Post(NoticeKind::Receiver, u"Receiver disconnected", u"Dock on COM3 is gone.");
    ASSERT_TRUE(Pump([&] { return service.calls.size() == 1; }));
    const auto first = service.calls[0];
    EXPECT_EQ(first.app, "Tapline Brisk");
    EXPECT_EQ(first.replaces, 0u);
    EXPECT_EQ(first.summary, "Receiver disconnected");
    EXPECT_EQ(first.hints.value("desktop-entry").toString(), "tapline-brisk");
    EXPECT_EQ(status.last(), "Receiver disconnected: Dock on COM3 is gone.");

    // Another kind is a notification of its own; the same kind replaces its own.
    notices.Post(NoticeKind::NotTyped, u"Reading not typed", u"No key for \u00B0.");
    notices.Post(NoticeKind::NotTyped, u"Reading not typed", u"No key for \u00B0.");
    ASSERT_TRUE(Pump([&] { return service.calls.size() == 3; }));
    EXPECT_EQ(service.calls[1].replaces, 0u);
    EXPECT_NE(service.calls[1].id, first.id);
    EXPECT_EQ(service.calls[2].replaces, service.calls[1].id) << "folded, not stacked";
    EXPECT_EQ(service.calls[2].body, QString::fromUtf16(u"No key for \u00B0. (2 times)"));

    notices.Post(NoticeKind::Receiver, u"Receiver connected", u"Dock on COM3 is back.");
    ASSERT_TRUE(Pump([&] { return service.calls.size() == 4; }));
    EXPECT_EQ(service.calls[3].replaces, first.id);
    EXPECT_EQ(status.last(), "Receiver connected: Dock on COM3 is back.");

    // Taken away: its notification closes, the bar shows the newest notice that is still up.
    notices.Withdraw(NoticeKind::Receiver);
    ASSERT_TRUE(Pump([&] { return service.closed.size() == 1; }));
    EXPECT_EQ(service.closed[0], first.id);
    EXPECT_EQ(status.last(),
              QString::fromUtf16(u"Reading not typed: No key for \u00B0. (2 times)"));
    notices.Withdraw(NoticeKind::NotTyped);
    EXPECT_EQ(status.last(), "");
    EXPECT_TRUE(balloons.isEmpty());
}

TEST_F(Notices, WithoutANotificationServiceTheTraySaysIt) {
    ASSERT_FALSE(bus.Address().empty()) << "dbus-daemon did not start";
    QtNotices notices(client);
    Watch(notices);
    notices.Post(NoticeKind::WaitingLines, u"Readings waiting", u"readings.csv is open in cat.");
    ASSERT_TRUE(Pump([&] { return !balloons.isEmpty(); }));
    EXPECT_EQ(balloons, QStringList{"Readings waiting|readings.csv is open in cat."});
    EXPECT_EQ(status.last(), "Readings waiting: readings.csv is open in cat.");
}

} // namespace
