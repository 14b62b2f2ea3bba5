#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <chrono>

// A keyboard session of the desktop portal's remote desktop interface
// (org.freedesktop.portal.RemoteDesktop) on the session bus. Each of its steps is a portal
// request: the call names a request object, and the answer comes later as that object's
// Response signal, which is awaited here in a local event loop.
class PortalSession : public QObject {
    Q_OBJECT
public:
    // How a step ended: the portal's response codes, and two of our own.
    enum class Outcome { Granted = 0, Refused = 1, Failed = 2, NoPortal = 3, TimedOut = 4 };

    explicit PortalSession(QDBusConnection bus = QDBusConnection::sessionBus());
    ~PortalSession() override;

    // The interface's version, 0 when no portal offers remote desktop keyboards on the bus.
    static unsigned KeyboardPortalVersion(QDBusConnection bus = QDBusConnection::sessionBus());

    // Creates a session, asks for a keyboard and starts it (where the desktop asks the operator,
    // over parentWindow when it names one: see PortalParentWindow). consentLimit bounds the wait
    // for the operator's answer.
    Outcome Open(std::chrono::milliseconds consentLimit, const QString& parentWindow = {});
    bool IsOpen() const { return !session_.path().isEmpty(); }
    // Ends the session, when there is one.
    void Close();

    // One key event by keysym, or by evdev keycode; false when the portal refused it. Each call
    // waits for the portal's reply: the portal handles calls on several threads, and events
    // sent without waiting overtake each other (a release before its press leaves a key down).
    bool Keysym(unsigned keysym, bool pressed);
    bool Keycode(unsigned keycode, bool pressed);

signals:
    void Answered();

private slots:
    void OnResponse(uint response, const QVariantMap& results);
    void OnClosed();

private:
    bool Notify(const QString& method, unsigned key, bool pressed);
    // Calls method with a fresh request token in options and waits for its Response.
    Outcome Request(const QString& method, QList<QVariant> arguments, QVariantMap options,
                    std::chrono::milliseconds limit, QVariantMap* results);

    QDBusConnection bus_;
    QDBusObjectPath session_;
    // The answer of the request being awaited.
    bool answered_ = false;
    uint response_ = 0;
    QVariantMap results_;
};
