#include "app/DesktopIntegration.h"

#include "resources/Resources.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

const QString DesktopIntegration::DesktopFile = QStringLiteral("tapline-brisk.desktop");

namespace {

// Writes a file only when its content differs, so that a start changes nothing needlessly.
bool WriteIfChanged(const QString& path, const QByteArray& content) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return false;
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    out.write(content);
    return true;
}

// Starts a desktop database tool when it is installed, without waiting for it: its result is
// of no consequence and start-up must not wait for it.
void RunIfPresent(const QString& tool, const QStringList& arguments) {
    const QString path = QStandardPaths::findExecutable(tool);
    if (!path.isEmpty())
        QProcess::startDetached(path, arguments);
}

} // namespace

QString DesktopIntegration::DefaultDataHome() {
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    return env.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : env;
}

namespace {
QString Resource(const QString& name) {
    QFile file(name);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}
} // namespace

QString DesktopIntegration::DesktopEntry(const QString& executable) {
    // The installed entry, started through this very executable.
    QString quoted = executable;
    quoted.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'%', QStringLiteral("%%"));
    return Resource(QStringLiteral(":/desktop/tapline-brisk.desktop"))
        .replace(QStringLiteral("Exec=tapline-brisk %f"),
                 QStringLiteral("Exec=\"%1\" %f").arg(quoted));
}

QString DesktopIntegration::MimeInfo() {
    return Resource(QStringLiteral(":/desktop/tapline-brisk.xml"));
}

void DesktopIntegration::Register(const QString& dataHome, const QString& executable) {
    InitResources();
    const QString applications = dataHome + QStringLiteral("/applications");
    const QString mime = dataHome + QStringLiteral("/mime");
    if (WriteIfChanged(applications + u'/' + DesktopFile, DesktopEntry(executable).toUtf8()))
        RunIfPresent(QStringLiteral("update-desktop-database"), {applications});
    if (WriteIfChanged(mime + QStringLiteral("/packages/tapline-brisk.xml"), MimeInfo().toUtf8()))
        RunIfPresent(QStringLiteral("update-mime-database"), {mime});
}
