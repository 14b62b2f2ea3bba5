// The setup-file type on Windows: registered for the current user at every start, so that
// opening a setup file starts the program (or hands the file to the running one).
#include "app/DesktopIntegration.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <windows.h>

#include <shlobj.h>

namespace {

// Sets a value and says whether it changed.
bool Put(QSettings& classes, const QString& key, const QString& value) {
    if (classes.value(key).toString() == value)
        return false;
    classes.setValue(key, value);
    return true;
}

} // namespace

void DesktopIntegration::Register(const QString&, const QString& executable) {
    const QString exe = QDir::toNativeSeparators(executable);
    QSettings classes(QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"),
                      QSettings::NativeFormat);
    bool changed = Put(classes, QStringLiteral(".tpln_brisk/."), QStringLiteral("TaplineBrisk"));
    changed |= Put(classes, QStringLiteral("TaplineBrisk/."), QStringLiteral("Tapline Brisk"));
    changed |= Put(classes, QStringLiteral("TaplineBrisk/DefaultIcon/."),
                   QStringLiteral("\"%1\",0").arg(exe));
    changed |= Put(classes, QStringLiteral("TaplineBrisk/shell/open/command/."),
                   QStringLiteral("\"%1\" \"%2\"").arg(exe, QStringLiteral("%1")));
    classes.sync();
    if (changed)
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

QString DesktopIntegration::DefaultDataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}
