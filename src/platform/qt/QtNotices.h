#pragma once

#include "platform/NoticeService.h"

#include <QObject>
#if QT_CONFIG(dbus)
#include <QDBusConnection>
#endif
#include <QString>
#include <functional>
#include <map>

// Notices in the status bar and as desktop notifications (org.freedesktop.Notifications on the
// session bus; on Windows, which has no session bus, the tray balloon). Each kind keeps its
// notification id, so a newer notice replaces the one on the screen (replaces_id) instead of
// stacking. Where no notification service answers, the fallback (the tray balloon) shows it.
// Nothing here takes the keyboard focus: the service draws its bubbles without activating them, and
// the status bar is only text.
class QtNotices : public QObject, public NoticeService {
    Q_OBJECT
public:
#if QT_CONFIG(dbus)
    explicit QtNotices(QDBusConnection bus = QDBusConnection::sessionBus(),
                       QObject* parent = nullptr);
#else
    explicit QtNotices(QObject* parent = nullptr);
#endif

    // Where the text of the newest notice goes; an empty text when none is up any more.
    std::function<void(const QString& text)> StatusBar;
    // Shows a notice when no notification service answers (the tray balloon).
    std::function<void(const QString& summary, const QString& body)> Fallback;

    void Post(NoticeKind kind, const std::u16string& summary, const std::u16string& body) override;
    void Withdraw(NoticeKind kind) override;

    // The text that the status bar shows now.
    QString StatusText() const;

private:
    struct Shown {
        QString summary;
        QString body;
        int repeats = 1;
        uint id = 0;          // the service's id of its notification; 0 none yet
        bool pending = false; // a Notify call is on its way
        bool resend = false;  // changed while it was on its way
        quint64 order = 0;    // when it was last posted, for the status bar's choice
        quint64 serial = 0;   // tells this notice from a later one of the same kind
    };
    void Send(NoticeKind kind);
    void ShowStatus();
    static QString Body(const Shown& s);

#if QT_CONFIG(dbus)
    QDBusConnection bus_;
#endif
    std::map<NoticeKind, Shown> shown_;
    quint64 posts_ = 0;
    quint64 serials_ = 0;
};
