#include "app/DesktopIntegration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Read(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

TEST(DesktopIntegration, RegistersEntryAndTypeForTheUser) {
    QTemporaryDir home;
    // No database tools on the path: registration still writes its files and ends quietly.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    DesktopIntegration::Register(home.path(), "/opt/tapline brisk/tapline-brisk");
    qputenv("PATH", path);

    const QString entry = Read(home.path() + "/applications/tapline-brisk.desktop");
    EXPECT_TRUE(entry.contains("Name=Tapline Brisk\n"));
    EXPECT_TRUE(entry.contains("Exec=\"/opt/tapline brisk/tapline-brisk\" %f\n"));
    EXPECT_TRUE(entry.contains("MimeType=application/x-tapline-brisk;\n"));
    EXPECT_TRUE(entry.contains("Icon=tapline-brisk\n"));
    const QString mime = Read(home.path() + "/mime/packages/tapline-brisk.xml");
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.tpln_brisk\"/>"));
    EXPECT_TRUE(mime.contains("<comment>Tapline Brisk Files</comment>"));

    // A start from another place rewrites the entry (with the tools on the path this time).
    DesktopIntegration::Register(home.path(), "/usr/bin/tapline-brisk");
    EXPECT_TRUE(Read(home.path() + "/applications/tapline-brisk.desktop")
                    .contains("Exec=\"/usr/bin/tapline-brisk\" %f\n"));
}

TEST(DesktopIntegration, UnwritableHomeIsHarmless) {
    DesktopIntegration::Register("/proc/no-such-place", "/usr/bin/tapline-brisk");
    SUCCEED() << "no crash, no exception";
}

} // namespace
