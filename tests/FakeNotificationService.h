#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

// The desktop's notification service as a test sees it: every Notify and CloseNotification
// call, answered as a real service answers (a new id, or the id it was asked to replace).
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app;
        uint replaces = 0;
        QString summary;
        QString body;
        QVariantMap hints;
        uint id = 0;
    };
    std::vector<Call> calls;
    std::vector<uint> closed;

public slots:
    uint Notify(const QString& app, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        const uint id = replaces != 0 ? replaces : ++lastId_;
        calls.push_back({app, replaces, summary, body, hints, id});
        return id;
    }
    void CloseNotification(uint id) { closed.push_back(id); }

private:
    uint lastId_ = 0;
};
