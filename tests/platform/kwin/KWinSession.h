#pragma once

// A private KDE session for tests: its own session bus (dbus-daemon) and a headless KWin
// (kwin_wayland --virtual) in a runtime folder of their own, both stopped by their process ids at
// the end. Qt clients started here show their windows in it.

// Qt before Xlib, whose macros (None, Bool, Status) clash with it.
#include <QDBusConnection>
#include <QDBusMessage>

#include "ChildProcess.h"
#include "SessionBus.h"
#include "platform/kwin/KWinWindowSystem.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class KWinSession {
public:
    static constexpr const char* Socket = "brisk-kwin";

    KWinSession() {
        namespace fs = std::filesystem;
        const std::string installed = FindProgram("kwin_wayland");
        if (installed.empty()) {
            error_ = "kwin_wayland is not installed (Debian package kwin-wayland)";
            return;
        }
        std::string dir = (fs::temp_directory_path() / "kwin-session.XXXXXX").string();
        if (mkdtemp(dir.data()) == nullptr) {
            error_ = "no temporary folder";
            return;
        }
        dir_ = dir;
        const fs::path runtime = dir_ / "runtime";
        fs::create_directories(runtime);
        chmod(runtime.c_str(), 0700);
        // KWin writes its settings and caches; not into the user's folders.
        for (const char* folder : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
            fs::create_directories(dir_ / folder);
            setenv(folder, (dir_ / folder).c_str(), 1);
        }
        // The packaged binary carries a file capability that containers refuse to execute; a
        // copy has none. KWin loads its own platform plugin only under its own name.
        fs::create_directories(dir_ / "bin");
        const fs::path kwin = dir_ / "bin" / "kwin_wayland";
        fs::copy_file(installed, kwin);

        const std::string& address = bus_.Address();
        if (address.empty()) {
            error_ = "dbus-daemon did not start";
            return;
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        kwin_ = ChildProcess({kwin.string(), "--virtual", "--width", "1280", "--height", "800",
                              "--no-lockscreen", "--no-global-shortcuts", "--no-kactivities",
                              "--socket", Socket});
        if (!WaitFor([&] { return fs::exists(runtime / Socket) && KWinWindowSystem::Available(); },
                     std::chrono::seconds(15)))
            error_ = "kwin_wayland did not offer its scripting interface";
        // Clients started from now on are Wayland clients of this KWin.
        setenv("WAYLAND_DISPLAY", Socket, 1);
        setenv("QT_QPA_PLATFORM", "wayland", 1);
    }
    ~KWinSession() {
        kwin_.Stop();
        std::error_code ignored;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ignored);
    }
    KWinSession(const KWinSession&) = delete;
    KWinSession& operator=(const KWinSession&) = delete;

    // Empty when the session runs, else why not.
    const std::string& Error() const { return error_; }

    // Runs a script of the test's own in KWin (not through the code under test).
    bool RunScript(const std::string& script) {
        const auto file = dir_ / ("test-" + std::to_string(++scripts_) + ".js");
        std::ofstream(file) << script;
        const QString name = QStringLiteral("brisk-test-%1").arg(scripts_);
        QDBusConnection bus = QDBusConnection::sessionBus();
        QDBusMessage load = QDBusMessage::createMethodCall("org.kde.KWin", "/Scripting",
                                                           "org.kde.kwin.Scripting", "loadScript");
        load.setArguments({QString::fromStdString(file.string()), name});
        const QDBusMessage id = bus.call(load);
        if (id.type() != QDBusMessage::ReplyMessage || id.arguments().isEmpty())
            return false;
        const QDBusMessage ran = bus.call(QDBusMessage::createMethodCall(
            "org.kde.KWin", QStringLiteral("/%1").arg(id.arguments().first().toInt()),
            "org.kde.kwin.Script", "run"));
        QDBusMessage unload = QDBusMessage::createMethodCall(
            "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "unloadScript");
        unload.setArguments({name});
        bus.call(unload);
        return ran.type() == QDBusMessage::ReplyMessage;
    }

private:
    static std::string FindProgram(const std::string& name) {
        const char* path = std::getenv("PATH");
        std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
        std::size_t start = 0;
        while (start <= dirs.size()) {
            const std::size_t end = std::min(dirs.find(':', start), dirs.size());
            const std::filesystem::path candidate =
                std::filesystem::path(dirs.substr(start, end - start)) / name;
            if (access(candidate.c_str(), F_OK) == 0)
                return candidate.string();
            start = end + 1;
        }
        return {};
    }

    std::filesystem::path dir_;
    std::string error_;
    SessionBus bus_;
    ChildProcess kwin_;
    int scripts_ = 0;
};
