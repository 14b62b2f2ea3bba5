#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

// One running copy per user and display. The first start listens on a local socket; a later
// start hands its setup file (or nothing) to it and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The socket's name for this user and display.
    static QString ServerName();

    // Tries to hand the file (may be empty) to a running copy. True when a copy took it.
    static bool HandOver(const QString& name, const QString& file, int timeoutMs = 3000);

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;
    // Starts listening; false when the name cannot be taken.
    bool Listen(const QString& name);
    // Called with the handed-over file (empty: only come to the front).
    std::function<void(const QString& file)> OnRequest;

private:
    QLocalServer* server_ = nullptr;
};
