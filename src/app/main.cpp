#include "app/BriskApp.h"
#include "app/CommandLine.h"
#include "app/DesktopBackends.h"
#include "app/DesktopIntegration.h"
#include "app/MainFrame.h"
#include "app/SingleInstance.h"
#include "gui/FileDialogs.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtNotices.h"
#include "platform/qt/QtProcessLauncher.h"
#include "platform/qt/QtSettingsStore.h"
#ifdef Q_OS_WIN
#include "platform/win32/RegistrySerialPortDiscovery.h"
using SystemPortDiscovery = RegistrySerialPortDiscovery;
#else
#include "platform/qt/QtSerialPortDiscovery.h"
using SystemPortDiscovery = QtSerialPortDiscovery;
#endif

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWidget>
#include <csignal>
#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    // Before the window system: these work without a display.
    if (const std::string answer = CommandLine::Answer(argc, argv); !answer.empty()) {
        std::fputs(answer.c_str(), stdout);
        return 0;
    }
#ifdef SIGXFSZ
    // A full disk must fail a write, not end the program (the target file writer handles it).
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const DesktopFacts desktop = DesktopBackends::Environment();
    DesktopBackends::ChooseQtPlatform(desktop);
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tapline Brisk"));
    QApplication::setOrganizationName(QStringLiteral("Orvane Systems"));

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    QString file;
    for (const QString& a : arguments)
        if (!a.startsWith(u'-') && file.isEmpty())
            file = QFileInfo(a).absoluteFilePath();

    // One copy per user and display: a second start hands its file over and ends.
    const QString instanceName = SingleInstance::ServerName();
    if (SingleInstance::HandOver(instanceName, file, 2000))
        return 0;
    SingleInstance instance;
    instance.Listen(instanceName);
    DesktopIntegration::Register(DesktopIntegration::DefaultDataHome(),
                                 QApplication::applicationFilePath());

    QtSettingsStore settings(QStringLiteral("Orvane Systems"), QStringLiteral("Tapline Brisk"));
    QtMessageBox messages;
    QtFileDialogs dialogs;
    SystemPortDiscovery discovery;
    QtProcessLauncher processes;
    DesktopBackends backends(
        desktop,
        [](WindowId id) {
            for (const QWidget* w : QApplication::topLevelWidgets())
                if (w->internalWinId() && static_cast<WindowId>(w->internalWinId()) == id)
                    return true;
            return false;
        },
        [](const std::u16string& title) {
            for (const QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->windowTitle().toStdU16String() == title)
                    return true;
            return false;
        });
    KeyboardInjector& keyboard = backends.Keyboard();
    WindowSystem& windows = backends.Windows();

    QtNotices notices;
    AppServices services{
        {settings, messages, discovery, keyboard, windows, processes, dialogs, notices},
        [](const QUrl& url) { return QDesktopServices::openUrl(url); },
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)};
    CBriskApp app(services);
    notices.StatusBar = [&app](const QString& text) {
        if (app.MainFrame)
            app.MainFrame->ShowNotice(text);
    };
    notices.Fallback = [&app](const QString& summary, const QString& body) {
        if (app.MainFrame)
            app.MainFrame->ShowTrayBalloon(summary, body);
    };
    instance.OnRequest = [&app](const QString& handed) { app.OnShellOpen(handed); };
    if (!app.InitInstance(arguments))
        return 1;
    return QApplication::exec();
}
