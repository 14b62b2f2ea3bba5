#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

QString SingleInstance::ServerName() {
#ifdef Q_OS_WIN
    // A pipe name, seen by every session of the machine: the user and the session tell them
    // apart.
    return QStringLiteral("tapline-brisk-%1-%2-%3")
        .arg(qEnvironmentVariable("USERDOMAIN"), qEnvironmentVariable("USERNAME"),
             qEnvironmentVariable("SESSIONNAME"));
#else
    QString display = qEnvironmentVariable("DISPLAY");
    display.replace(u'/', u'_');
    const QString name = QStringLiteral("tapline-brisk-%1-%2").arg(getuid()).arg(display);
    // The user's runtime folder where there is one: private to the user and the session.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? name : runtime + u'/' + name;
#endif
}

bool SingleInstance::HandOver(const QString& name, const QString& file, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(file.toUtf8() + '\n');
    socket.waitForBytesWritten(timeoutMs);
    // The running copy answers once it has taken the request.
    if (!socket.waitForReadyRead(timeoutMs))
        return false;
    return socket.readAll().startsWith("ok");
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
}

bool SingleInstance::Listen(const QString& name) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        // A socket left behind by a copy that ended without cleaning up: nobody answers on it.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500))
            return false;
        QLocalServer::removeServer(name);
        if (!server_->listen(name))
            return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QPointer<QLocalSocket> guard = client;
            connect(client, &QLocalSocket::readyRead, this, [this, guard] {
                if (!guard || !guard->canReadLine())
                    return;
                const QString file = QString::fromUtf8(guard->readLine()).chopped(1);
                // The answer goes out before the file is opened: opening it (a device search
                // among others) may take longer than the second copy waits for it, and where
                // writes complete in the event loop (Windows' pipes) it would wait until then.
                guard->write("ok\n");
                guard->waitForBytesWritten(1000);
                QTimer::singleShot(0, this, [this, file] {
                    if (OnRequest)
                        OnRequest(file);
                });
            });
        }
    });
    return true;
}
