#pragma once

#include "FileSink.h"

// A private headless sway for tests and benchmarks, with the Wayland text sinks the tests type
// into. Every process started here is ended by its process id when its object goes.

#include "ChildProcess.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class SwayServer {
public:
    // sway refuses to run as root, so under root it runs as this user.
    static constexpr uid_t Nobody = 65534;

    // withXWayland: X clients can connect too (XWayland starts with the first of them).
    explicit SwayServer(bool withXWayland = false) {
        if (!OnPath("sway")) {
            failure_ = "sway is not installed (Debian package sway): the Wayland tests need it";
            return;
        }
        // Under /tmp itself: the folder of a test run may be closed to the user sway runs as.
        char pattern[] = "/tmp/brisk-sway-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            failure_ = "no folder for sway";
            return;
        }
        dir_ = pattern;
        const std::filesystem::path config = dir_ / "config";
        // No bar, no wallpaper: nothing but the compositor and its clients.
        std::ofstream(config) << (withXWayland ? "xwayland enable\n" : "xwayland disable\n")
                              << "output HEADLESS-1 resolution 1280x800\n";
        const bool root = geteuid() == 0;
        if (root) {
            // Its runtime folder is its own, mode 0700, as libwayland and wlroots demand.
            [[maybe_unused]] const int owned = chown(dir_.c_str(), Nobody, Nobody);
            [[maybe_unused]] const int configOwned = chown(config.c_str(), Nobody, Nobody);
        }
        chmod(dir_.c_str(), 0700);
        process_ = ChildProcess({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                 "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                                 "WLR_RENDERER=pixman", "XDG_RUNTIME_DIR=" + dir_.string(),
                                 "HOME=" + dir_.string(), "sway", "-c", config.string()},
                                -1, root ? Nobody : 0);
        // Clients as root reach the socket of the user nobody: root passes the folder's mode.
        const bool up = WaitFor(
            [this] {
                if (!process_.Running())
                    return true;
                for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
                    const std::string name = entry.path().filename().string();
                    if (name.rfind("wayland-", 0) == 0 && entry.is_socket()) {
                        socket_ = entry.path().string();
                        return true;
                    }
                }
                return false;
            },
            std::chrono::seconds(10));
        if (!up || socket_.empty()) {
            failure_ = "sway did not start (run it by hand with WLR_BACKENDS=headless to see why)";
            return;
        }
        // An absolute path: the clients' own XDG_RUNTIME_DIR stays theirs.
        setenv("WAYLAND_DISPLAY", socket_.c_str(), 1);
    }
    ~SwayServer() {
        process_.Stop();
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    SwayServer(const SwayServer&) = delete;
    SwayServer& operator=(const SwayServer&) = delete;

    bool Ok() const { return !socket_.empty(); }
    // The X display of XWayland (":N"), empty without: the display whose lock file names sway.
    std::string XDisplay() const {
        for (int n = 0; n < 100; ++n) {
            std::ifstream lock("/tmp/.X" + std::to_string(n) + "-lock");
            pid_t owner = 0;
            if (lock >> owner && owner == Pid())
                return ":" + std::to_string(n);
        }
        return {};
    }
    pid_t Pid() const { return process_.Pid(); }
    // sway's own folder: what the clients that run as sway's user write goes here.
    const std::filesystem::path& Folder() const { return dir_; }
    // The user X clients run as: XWayland lets in only sway's own user.
    uid_t ClientUser() const { return geteuid() == 0 ? Nobody : 0; }
    const std::string& Failure() const { return failure_; }
    const std::string& Socket() const { return socket_; }
    ChildProcess& Process() { return process_; }

private:
    static bool OnPath(const std::string& program) {
        std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
        for (std::string dir; std::getline(path, dir, ':');) {
            if (access((std::filesystem::path(dir) / program).c_str(), X_OK) == 0)
                return true;
        }
        return false;
    }

    std::filesystem::path dir_;
    std::string socket_;
    std::string failure_;
    ChildProcess process_;
};

// A window that writes down what is typed into it: foot running cat (the terminal turns carriage
// returns into line feeds), the Qt text window of the tests on Qt's Wayland platform, or xterm
// running cat through XWayland (program: the X display; file in a folder of sway's user).
class WaylandSink : public FileSink {
public:
    enum class Kind { Foot, Qt, XTerm };

    WaylandSink(Kind kind, const std::string& title, std::filesystem::path file,
                const std::string& program = {}, uid_t user = 0)
        : FileSink(std::move(file)) {
        if (kind == Kind::XTerm) {
            process_ =
                ChildProcess({"env", "DISPLAY=" + program, "LC_ALL=C.UTF-8", "xterm", "-title",
                              title, "-e", "sh", "-c", "exec cat > \"$0\"", file_.string()},
                             -1, user);
        } else if (kind == Kind::Foot) {
            // foot wants a UTF-8 locale; the shell makes the file before cat reads.
            process_ = ChildProcess({"env", "LC_ALL=C.UTF-8", "foot", "--title", title, "sh", "-c",
                                     "exec cat > \"$0\"", file_.string()});
        } else {
            process_ = ChildProcess(
                {"env", "LC_ALL=C.UTF-8", program, "-platform", "wayland", title, file_.string()});
        }
    }
};
