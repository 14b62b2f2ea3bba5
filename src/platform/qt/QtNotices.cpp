#include "platform/qt/QtNotices.h"

#if QT_CONFIG(dbus)
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

QtNotices::QtNotices(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(bus) {}
#else
QtNotices::QtNotices(QObject* parent) : QObject(parent) {}
#endif

QString QtNotices::Body(const Shown& s) {
    if (s.repeats < 2)
        return s.body;
    return QStringLiteral("%1 (%2 times)").arg(s.body).arg(s.repeats);
}

void QtNotices::Post(NoticeKind kind, const std::u16string& summary, const std::u16string& body) {
    Shown& s = shown_[kind];
    if (s.serial == 0)
        s.serial = ++serials_;
    const QString newSummary = QString::fromStdU16String(summary);
    const QString newBody = QString::fromStdU16String(body);
    if (s.order != 0 && s.summary == newSummary && s.body == newBody) {
        ++s.repeats;
    } else {
        s.summary = newSummary;
        s.body = newBody;
        s.repeats = 1;
    }
    s.order = ++posts_;
    ShowStatus();
    Send(kind);
}

void QtNotices::Withdraw(NoticeKind kind) {
    const auto it = shown_.find(kind);
    if (it == shown_.end())
        return;
    [[maybe_unused]] const uint id = it->second.id;
    [[maybe_unused]] const bool pending = it->second.pending;
    shown_.erase(it);
    ShowStatus();
#if QT_CONFIG(dbus)
    // A notification still on its way is closed when the service answers with its id.
    if (id != 0 && !pending) {
        QDBusMessage close = QDBusMessage::createMethodCall(Service, Path, Service,
                                                            QStringLiteral("CloseNotification"));
        close << id;
        bus_.asyncCall(close);
    }
#endif
}

QString QtNotices::StatusText() const {
    const Shown* newest = nullptr;
    for (const auto& [kind, s] : shown_)
        if (!newest || s.order > newest->order)
            newest = &s;
    return newest ? newest->summary + QStringLiteral(": ") + Body(*newest) : QString();
}

void QtNotices::ShowStatus() {
    if (StatusBar)
        StatusBar(StatusText());
}

void QtNotices::Send(NoticeKind kind) {
    Shown& s = shown_[kind];
#if QT_CONFIG(dbus)
    if (!bus_.isConnected()) {
#endif
        if (Fallback)
            Fallback(s.summary, Body(s));
        return;
#if QT_CONFIG(dbus)
    }
    if (s.pending) {
        s.resend = true; // sent once the id of the one on its way is known
        return;
    }
    QDBusMessage notify =
        QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tapline-brisk"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    notify << QStringLiteral("Tapline Brisk") << s.id << QStringLiteral("tapline-brisk")
           << s.summary << Body(s) << QStringList() << hints << -1;
    s.pending = true;
    s.resend = false;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(notify), this);
    const quint64 serial = s.serial;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, kind, serial](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<uint> reply = *call;
                const auto it = shown_.find(kind);
                if (reply.isError()) {
                    // No notification service (yet: a program started at login may be up
                    // before it): the tray says this one, the next notice asks again.
                    if (it != shown_.end() && it->second.serial == serial) {
                        it->second.pending = false;
                        if (Fallback)
                            Fallback(it->second.summary, Body(it->second));
                    }
                    return;
                }
                if (it == shown_.end() || it->second.serial != serial) {
                    // Withdrawn while the call was on its way: take the notification away.
                    QDBusMessage close = QDBusMessage::createMethodCall(
                        Service, Path, Service, QStringLiteral("CloseNotification"));
                    close << reply.value();
                    bus_.asyncCall(close);
                    return;
                }
                Shown& s = it->second;
                s.id = reply.value();
                s.pending = false;
                if (s.resend)
                    Send(kind);
            });
#endif
}
