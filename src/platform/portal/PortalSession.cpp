#include "platform/portal/PortalSession.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr uint keyboardDevice = 1;
// Creating a session and choosing devices need no answer from the operator.
constexpr std::chrono::seconds stepLimit{30};

// The portal names requests and sessions after the connection and a token of ours; tokens are
// never used twice on a connection, which every session of this process shares.
QString NextToken() {
    static unsigned tokens = 0;
    return QStringLiteral("brisk%1").arg(++tokens);
}

QDBusMessage PortalCall(const QString& method) {
    return QDBusMessage::createMethodCall(portalService, portalPath, remoteDesktop, method);
}

QVariant PortalProperty(QDBusConnection& bus, const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << remoteDesktop << name;
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, 5000);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

} // namespace

PortalSession::PortalSession(QDBusConnection bus) : bus_(std::move(bus)) {}

PortalSession::~PortalSession() {
    Close();
}

unsigned PortalSession::KeyboardPortalVersion(QDBusConnection bus) {
    if (!bus.isConnected())
        return 0;
    const QVariant types = PortalProperty(bus, QStringLiteral("AvailableDeviceTypes"));
    if (!types.isValid() || (types.toUInt() & keyboardDevice) == 0)
        return 0;
    return PortalProperty(bus, QStringLiteral("version")).toUInt();
}

PortalSession::Outcome PortalSession::Open(std::chrono::milliseconds consentLimit,
                                           const QString& parentWindow) {
    Close();
    if (!bus_.isConnected())
        return Outcome::NoPortal;
    QVariantMap results;
    Outcome outcome =
        Request(QStringLiteral("CreateSession"), {},
                {{QStringLiteral("session_handle_token"), NextToken()}}, stepLimit, &results);
    if (outcome != Outcome::Granted)
        return outcome;
    const QString session = results.value(QStringLiteral("session_handle")).toString();
    if (session.isEmpty())
        return Outcome::Failed;
    session_ = QDBusObjectPath(session);
    bus_.connect(portalService, session, sessionInterface, QStringLiteral("Closed"), this,
                 SLOT(OnClosed()));
    outcome = Request(QStringLiteral("SelectDevices"), {QVariant::fromValue(session_)},
                      {{QStringLiteral("types"), keyboardDevice}}, stepLimit, nullptr);
    if (outcome == Outcome::Granted) {
        outcome = Request(QStringLiteral("Start"), {QVariant::fromValue(session_), parentWindow},
                          {}, consentLimit, &results);
    }
    if (outcome == Outcome::Granted &&
        (results.value(QStringLiteral("devices")).toUInt() & keyboardDevice) == 0)
        outcome = Outcome::Refused; // started, but without the keyboard the operator was asked for
    if (outcome != Outcome::Granted)
        Close();
    return outcome;
}

void PortalSession::Close() {
    if (session_.path().isEmpty())
        return;
    bus_.disconnect(portalService, session_.path(), sessionInterface, QStringLiteral("Closed"),
                    this, SLOT(OnClosed()));
    bus_.call(QDBusMessage::createMethodCall(portalService, session_.path(), sessionInterface,
                                             QStringLiteral("Close")),
              QDBus::Block, 2000);
    session_ = QDBusObjectPath();
}

bool PortalSession::Keysym(unsigned keysym, bool pressed) {
    return Notify(QStringLiteral("NotifyKeyboardKeysym"), keysym, pressed);
}

bool PortalSession::Keycode(unsigned keycode, bool pressed) {
    return Notify(QStringLiteral("NotifyKeyboardKeycode"), keycode, pressed);
}

bool PortalSession::Notify(const QString& method, unsigned key, bool pressed) {
    if (session_.path().isEmpty())
        return false;
    QDBusMessage call = PortalCall(method);
    call << QVariant::fromValue(session_) << QVariantMap() << static_cast<int>(key)
         << static_cast<uint>(pressed ? 1 : 0);
    return bus_.call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

PortalSession::Outcome PortalSession::Request(const QString& method, QList<QVariant> arguments,
                                              QVariantMap options, std::chrono::milliseconds limit,
                                              QVariantMap* results) {
    // The portal names the request object after our connection and the token we choose, so the
    // Response can be listened for before the call: an answer given at once is not missed.
    const QString token = NextToken();
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);

    answered_ = false;
    bus_.connect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap)));
    QDBusMessage call = PortalCall(method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, 10000);
    Outcome outcome = Outcome::TimedOut;
    if (reply.type() != QDBusMessage::ReplyMessage) {
        outcome = reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")
                      ? Outcome::NoPortal
                      : Outcome::Failed;
    } else {
        // Portals older than the token scheme name the request themselves.
        QString named = reply.arguments().value(0).value<QDBusObjectPath>().path();
        if (named.isEmpty())
            named = path;
        if (named != path)
            bus_.connect(portalService, named, requestInterface, QStringLiteral("Response"), this,
                         SLOT(OnResponse(uint, QVariantMap)));
        QEventLoop loop;
        QTimer limitTimer;
        limitTimer.setSingleShot(true);
        connect(&limitTimer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &PortalSession::Answered, &loop, &QEventLoop::quit);
        // A portal that ends (crashes) while the operator is asked answers nothing.
        bool portalGone = false;
        QDBusServiceWatcher watcher(portalService, bus_,
                                    QDBusServiceWatcher::WatchForUnregistration);
        connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop, [&] {
            portalGone = true;
            loop.quit();
        });
        // The answer may have come with the reply already.
        if (!answered_) {
            limitTimer.start(limit);
            loop.exec();
        }
        if (answered_) {
            outcome = response_ == 0   ? Outcome::Granted
                      : response_ == 1 ? Outcome::Refused
                                       : Outcome::Failed;
            if (results)
                *results = results_;
        } else if (portalGone) {
            outcome = Outcome::Failed;
        } else {
            // Unanswered: take the question off the operator's screen.
            bus_.call(QDBusMessage::createMethodCall(portalService, named, requestInterface,
                                                     QStringLiteral("Close")),
                      QDBus::Block, 2000);
        }
        if (named != path)
            bus_.disconnect(portalService, named, requestInterface, QStringLiteral("Response"),
                            this, SLOT(OnResponse(uint, QVariantMap)));
    }
    bus_.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                    SLOT(OnResponse(uint, QVariantMap)));
    return outcome;
}

void PortalSession::OnResponse(uint response, const QVariantMap& results) {
    answered_ = true;
    response_ = response;
    results_ = results;
    emit Answered();
}

void PortalSession::OnClosed() {
    // The desktop ended the session (the operator stopped it): it cannot be used again.
    bus_.disconnect(portalService, session_.path(), sessionInterface, QStringLiteral("Closed"),
                    this, SLOT(OnClosed()));
    session_ = QDBusObjectPath();
}
