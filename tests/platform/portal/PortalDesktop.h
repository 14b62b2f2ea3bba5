#pragma once

#include "FileSink.h"

// A private headless GNOME session for tests and benchmarks: a session bus of its own, mutter as a
// headless Wayland compositor with one virtual monitor, and the desktop portal with its GNOME
// backend on that bus, every one started here and stopped by its process id at the end. The
// session's variables (bus, Wayland display, runtime folder) are set in this process, so that
// code under test and the clients started from here find it.
//
// The portal asks the operator before it lets a program type. The session answers that dialog
// with keys sent through mutter's own remote desktop interface, which asks nobody.

#include "ChildProcess.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QRegularExpression>
#include <QString>
#include <QTimer>

#include <xkbcommon/xkbcommon-keysyms.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

class PortalDesktop {
public:
    enum class Kind { Gnome, Kde };

    // kdeLayouts: KWin's keyboard layouts, as the operator lists them in Plasma's settings
    // ("fr,de"); its default (us) when empty.
    explicit PortalDesktop(Kind kind = Kind::Gnome, const std::string& kdeLayouts = {})
        : kind_(kind) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brisk-desktop.XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            error_ = "no temporary folder";
            return;
        }
        dir_ = pattern;
        namespace fs = std::filesystem;
        fs::create_directories(dir_ / "runtime");
        chmod((dir_ / "runtime").c_str(), 0700);
        for (const char* sub : {"home", "config", "data", "cache"})
            fs::create_directories(dir_ / sub);
        log_ = (dir_ / "session.log").string();
        if (kind_ == Kind::Kde && !kdeLayouts.empty())
            std::ofstream(dir_ / "config" / "kxkbrc")
                << "[Layout]\nLayoutList=" << kdeLayouts << "\nUse=true\n";
        SetVariables();
        if (!StartBus() || !StartCompositor() || !StartPortal())
            return;
        ok_ = true;
    }
    ~PortalDesktop() {
        StopAnswering();
        if (!keys_.isEmpty())
            Mutter(keys_, keysInterface_, QStringLiteral("Stop"));
        // The portal first: it holds sessions in mutter. The bus last.
        portal_.Stop();
        backend_.Stop();
        compositor_.Stop();
        QDBusConnection::disconnectFromBus(busName_);
        bus_.Stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PortalDesktop(const PortalDesktop&) = delete;
    PortalDesktop& operator=(const PortalDesktop&) = delete;

    bool Ok() const { return ok_; }
    // Why the session did not come up, with the end of its programs' output.
    std::string Error() const {
        std::ifstream in(log_);
        std::stringstream all;
        all << in.rdbuf();
        const std::string text = all.str();
        return error_ + "\n" + text.substr(text.size() > 3000 ? text.size() - 3000 : 0);
    }
    const std::filesystem::path& Dir() const { return dir_; }

    // Answers the portal's dialog while the event loop runs (the code under test waits in one),
    // once it is shown: accepted by Tab, space and Alt+S (focus the sharing switch, turn it on,
    // Share), refused by Alt+C (Cancel). The keys go apart, as a person's would: Share is not
    // enabled until the dialog has drawn the switch turned on.
    void AnswerConsent(bool accept) {
        StopAnswering();
        if (kind_ != Kind::Gnome)
            return; // KDE's portal asks nothing
        answer_ = std::make_unique<QTimer>();
        auto keys = std::make_shared<std::vector<std::vector<unsigned>>>();
        if (accept)
            *keys = {{XKB_KEY_Tab}, {XKB_KEY_space}, {XKB_KEY_Alt_L, XKB_KEY_s}};
        else
            *keys = {{XKB_KEY_Alt_L, XKB_KEY_c}};
        auto shownAt = std::make_shared<std::chrono::steady_clock::time_point>();
        QObject::connect(answer_.get(), &QTimer::timeout, [this, keys, shownAt] {
            using namespace std::chrono;
            if (*shownAt == steady_clock::time_point()) {
                if (DialogShown())
                    *shownAt = steady_clock::now();
                return;
            }
            // The dialog's window is mapped and focused a little after its request exists (a
            // second was enough on a busy machine; half as much again for slower ones).
            constexpr milliseconds settle{1500}, apart{400};
            const auto since = steady_clock::now() - *shownAt;
            const std::size_t due =
                since < settle ? 0 : 1 + static_cast<std::size_t>((since - settle) / apart);
            while (pressed_ < std::min(due, keys->size())) {
                const std::vector<unsigned>& combination = (*keys)[pressed_++];
                for (const unsigned k : combination)
                    Key(k, true);
                for (auto k = combination.rbegin(); k != combination.rend(); ++k)
                    Key(*k, false);
            }
        });
        pressed_ = 0;
        if (keys_.isEmpty())
            StartKeys();
        answer_->start(100);
    }
    void StopAnswering() { answer_.reset(); }

    // Switches KWin to its layout at index, as the operator does from the panel.
    bool SwitchKdeLayout(unsigned index) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.kde.keyboard"), QStringLiteral("/Layouts"),
            QStringLiteral("org.kde.KeyboardLayouts"), QStringLiteral("setLayout"));
        call << index;
        const QDBusMessage reply = connection_.call(call, QDBus::Block, 5000);
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }

    // A Qt program as a Wayland client of the session, its output in the session's log.
    ChildProcess StartQt(const std::vector<std::string>& argv) {
        const char* was = std::getenv("QT_QPA_PLATFORM");
        const std::string platform = was != nullptr ? was : "";
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        ChildProcess started(argv, -1, 0, log_);
        if (was != nullptr)
            setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
        else
            unsetenv("QT_QPA_PLATFORM");
        return started;
    }

private:
    void SetVariables() {
        setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
        setenv("WAYLAND_DISPLAY", "brisk-wayland", 1);
        setenv("XDG_CURRENT_DESKTOP", kind_ == Kind::Gnome ? "GNOME" : "KDE", 1);
        setenv("XDG_SESSION_TYPE", "wayland", 1);
        setenv("HOME", (dir_ / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        // No settings daemon, accessibility bus or X server to find.
        setenv("GSETTINGS_BACKEND", "memory", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        setenv("GTK_A11Y", "none", 1);
        setenv("GDK_BACKEND", "wayland", 1);
        unsetenv("DISPLAY");
    }

    bool Fail(const std::string& why) {
        error_ = why;
        return false;
    }

    // A bus with nothing to start on demand: every service of the session is started here.
    bool StartBus() {
        const std::filesystem::path config = dir_ / "bus.conf";
        const std::string address = "unix:path=" + (dir_ / "bus").string();
        std::ofstream(config)
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>"
            << address
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n";
        int fds[2];
        if (pipe(fds) != 0)
            return Fail("no pipe");
        bus_ = ChildProcess(
            {"dbus-daemon", "--nofork", "--config-file=" + config.string(), "--print-address=3"},
            fds[1], 0, log_);
        close(fds[1]);
        std::string printed;
        pollfd readable{fds[0], POLLIN, 0};
        while (poll(&readable, 1, 10000) == 1) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            printed += c;
        }
        close(fds[0]);
        if (printed.empty())
            return Fail("dbus-daemon did not start (is the dbus package installed?)");
        setenv("DBUS_SESSION_BUS_ADDRESS", printed.c_str(), 1);
        connection_ = QDBusConnection::connectToBus(QString::fromStdString(printed), busName_);
        return connection_.isConnected() || Fail("cannot connect to the session bus");
    }

    bool Owned(const char* name) {
        const QDBusReply<bool> reply =
            connection_.interface()->isServiceRegistered(QString::fromLatin1(name));
        return reply.isValid() && reply.value();
    }

    bool StartedAndOwns(ChildProcess& process, const char* name, const char* what) {
        if (!process.Running() && process.Pid() <= 0)
            return Fail(std::string(what) + " could not be started (is it installed?)");
        if (!WaitFor([&] { return Owned(name) || !process.Running(); }, std::chrono::seconds(10)) ||
            !Owned(name))
            return Fail(std::string(what) + " did not come up on the session bus");
        return true;
    }

    bool StartCompositor() {
        const std::filesystem::path socket = dir_ / "runtime" / "brisk-wayland";
        if (kind_ == Kind::Gnome) {
            if (access("/usr/bin/mutter", X_OK) != 0)
                return Fail("mutter is not installed (package mutter)");
            compositor_ =
                ChildProcess({"mutter", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
                              "1280x800", "--wayland-display", "brisk-wayland"},
                             -1, 0, log_);
            if (!StartedAndOwns(compositor_, "org.gnome.Mutter.RemoteDesktop", "mutter"))
                return false;
        } else {
            if (access("/usr/bin/kwin_wayland", X_OK) != 0)
                return Fail("kwin_wayland is not installed (package kwin-wayland)");
            // The packaged binary carries a file capability that containers refuse to execute;
            // a copy has none.
            const std::filesystem::path kwin = dir_ / "kwin_wayland";
            std::filesystem::copy_file("/usr/bin/kwin_wayland", kwin);
            compositor_ = ChildProcess({kwin.string(), "--virtual", "--width", "1280", "--height",
                                        "800", "--no-lockscreen", "--no-global-shortcuts",
                                        "--no-kactivities", "--socket", "brisk-wayland"},
                                       -1, 0, log_);
            if (!StartedAndOwns(compositor_, "org.kde.KWin", "kwin_wayland"))
                return false;
        }
        return WaitFor([&] { return std::filesystem::exists(socket); }, std::chrono::seconds(10)) ||
               Fail("the compositor did not open its Wayland display");
    }

    // Where the bus would start a service from: its service file's Exec line.
    static std::string ServiceProgram(const std::string& name) {
        std::ifstream file("/usr/share/dbus-1/services/" + name + ".service");
        std::string line;
        while (std::getline(file, line)) {
            if (line.rfind("Exec=", 0) == 0)
                return line.substr(5, line.find(' ') == std::string::npos ? std::string::npos
                                                                          : line.find(' ') - 5);
        }
        return {};
    }

    bool StartPortal() {
        const std::string backendName = kind_ == Kind::Gnome
                                            ? "org.freedesktop.impl.portal.desktop.gnome"
                                            : "org.freedesktop.impl.portal.desktop.kde";
        const std::string backend = ServiceProgram(backendName);
        const std::string frontend = ServiceProgram("org.freedesktop.portal.Desktop");
        if (backend.empty() || frontend.empty())
            return Fail(kind_ == Kind::Gnome
                            ? "the desktop portal is not installed (packages xdg-desktop-portal, "
                              "xdg-desktop-portal-gnome)"
                            : "the desktop portal is not installed (packages xdg-desktop-portal, "
                              "xdg-desktop-portal-kde, qtwayland5)");
        // The backend first: the portal looks for it once, when it starts. KDE's is a Qt
        // program like the sink and must be told to be a Wayland client.
        backend_ = StartQt({backend});
        if (!StartedAndOwns(backend_, backendName.c_str(), backend.c_str()))
            return false;
        portal_ = ChildProcess({frontend}, -1, 0, log_);
        return StartedAndOwns(portal_, "org.freedesktop.portal.Desktop", "xdg-desktop-portal");
    }

    // The portal's GNOME backend holds a request object for as long as its dialog is open.
    bool DialogShown() {
        const QString root = QStringLiteral("/org/freedesktop/portal/desktop/request");
        for (const QString& sender : Children(root)) {
            if (!Children(root + QLatin1Char('/') + sender).isEmpty())
                return true;
        }
        return false;
    }
    QStringList Children(const QString& path) {
        const QDBusMessage reply = connection_.call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.impl.portal.desktop.gnome"), path,
            QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
        QStringList names;
        const QRegularExpression node(QStringLiteral("<node name=\"([^\"]+)\""));
        for (const auto& match : node.globalMatch(reply.arguments().value(0).toString()))
            names << match.captured(1);
        return names;
    }

    // A keyboard session of mutter's own remote desktop interface. Plain messages: an interface
    // object would leave its introspected description in the connection's cache.
    QDBusMessage Mutter(const QString& path, const QString& interface, const QString& method,
                        const QList<QVariant>& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.RemoteDesktop"), path, interface, method);
        call.setArguments(arguments);
        return connection_.call(call, QDBus::Block, 5000);
    }
    bool StartKeys() {
        const QDBusMessage created = Mutter(QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                                            QStringLiteral("org.gnome.Mutter.RemoteDesktop"),
                                            QStringLiteral("CreateSession"));
        if (created.type() != QDBusMessage::ReplyMessage)
            return false;
        keys_ = created.arguments().value(0).value<QDBusObjectPath>().path();
        return Mutter(keys_, keysInterface_, QStringLiteral("Start")).type() ==
               QDBusMessage::ReplyMessage;
    }
    bool Key(unsigned keysym, bool down) {
        if (keys_.isEmpty() && !StartKeys())
            return false;
        return Mutter(keys_, keysInterface_, QStringLiteral("NotifyKeyboardKeysym"), {keysym, down})
                   .type() == QDBusMessage::ReplyMessage;
    }

    Kind kind_;
    std::filesystem::path dir_;
    std::string log_;
    std::string error_;
    bool ok_ = false;
    ChildProcess bus_, compositor_, backend_, portal_;
    const QString busName_ = QStringLiteral("brisk-portal-desktop");
    QDBusConnection connection_{QString()};
    QString keys_; // the session's path
    const QString keysInterface_ = QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session");
    std::unique_ptr<QTimer> answer_;
    std::size_t pressed_ = 0;
};

// The Qt text window of the keystroke tests (qt-text-sink, at sinkProgram) as a Wayland client
// of the session, writing what it receives to a file.
class WaylandTextSink : public FileSink {
public:
    WaylandTextSink(PortalDesktop& session, const char* sinkProgram, const char* title)
        : FileSink(session.Dir() / (std::string(title) + ".txt")) {
        process_ = session.StartQt({sinkProgram, title, file_.string()});
    }
    // Shown, and given the focus as the compositor gives it to a new window.
    bool Ready() {
        return WaitFor([&] { return FileSink::Ready(); }, std::chrono::seconds(10)) &&
               (std::this_thread::sleep_for(std::chrono::milliseconds(300)), true);
    }
    bool Receives(const std::string& expected) {
        return WaitFor([&] { return Typed() == expected; });
    }
};
