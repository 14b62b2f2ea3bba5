#pragma once

// The real program as a user starts it, on a private X server, with its own settings folder and
// a simulated receiver mapped as a COM port.

#include "../tools/receiver-sim/ReceiverSimulator.h"
#include "ProgramSetup.h"
#include "platform/x11/XServer.h"
#include "platform/x11/XTestClients.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace fs = std::filesystem;

// The program's folders, its per-user settings with the simulated receiver mapped as COMn, its
// setup files, and the running program. The port's name is a link to the receiver, as a USB
// receiver's /dev/serial/by-id name is, so that it can be unplugged and plugged in again.
class ProgramFolder {
public:
    explicit ProgramFolder(int comPort = 3)
        : dir_(fs::temp_directory_path() / ("program-" + std::to_string(getpid()))) {
        fs::create_directories(dir_ / "config" / "Orvane Systems");
        fs::create_symlink(sim_.SlavePath(), dir_ / "usb-receiver");
        fs::create_directories(dir_ / "data");
        fs::create_directories(dir_ / "runtime");
        fs::permissions(dir_ / "runtime", fs::perms::owner_all);
        const std::string ones(200, '1');
        std::string use(200, '0');
        use[comPort - 1] = '1';
        std::ofstream(dir_ / "config" / "Orvane Systems" / "Tapline Brisk.conf")
            << "[SerialDeviceMap]\nCOM" << comPort << "=" << (dir_ / "usb-receiver").string()
            << "\n\n"
            << "[Settings]\nInstalledPorts=" << ones << "\nUsePorts=" << use
            << "\nLastPort=" << comPort << "\nCfgFileFolder=" << dir_.string() << "\n";
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
    }
    ~ProgramFolder() {
        program_.Stop();
        fs::remove_all(dir_);
    }

    ReceiverSimulator& Receiver() { return replugged_ ? *replugged_ : sim_; }
    // Pulls the receiver out, waits until the program has had time to see it go, and plugs a new
    // one in under the same name; false when the program does not take it back.
    bool Replug() {
        Receiver().Hangup();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        replugged_ = std::make_unique<ReceiverSimulator>();
        fs::remove(dir_ / "usb-receiver");
        fs::create_symlink(replugged_->SlavePath(), dir_ / "usb-receiver");
        return replugged_->Ok() &&
               WaitFor([&] { return replugged_->IdentifyCount() > 0; }, std::chrono::seconds(10));
    }
    const fs::path& Dir() const { return dir_; }

    // A setup file that opens the port and writes to target at file open.
    // targetTitle: type into the window whose title contains it (else the focused window).
    fs::path WriteSetup(const std::string& name, const fs::path& target, bool sendToApp = false,
                        const std::string& targetTitle = {}) {
        const fs::path path = dir_ / name;
        WriteProgramSetup(path, target, sendToApp, targetTitle);
        return path;
    }

    void Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{TAPLINE_BRISK_EXE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        program_ = ChildProcess(argv);
    }
    ChildProcess& Program() { return program_; }

protected:
    ReceiverSimulator sim_;
    std::unique_ptr<ReceiverSimulator> replugged_;
    fs::path dir_;
    ChildProcess program_;
};

// The real program as a user starts it on a private X server.
class ProgramHarness : public ProgramFolder {
public:
    explicit ProgramHarness(int comPort = 3) : ProgramFolder(comPort), x_(true) {
        setenv("QT_QPA_PLATFORM", "xcb", 1); // the tests themselves run offscreen
        // Windows come and go while the tests walk the tree; a vanished one is no failure.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~ProgramHarness() {
        program_.Stop(); // before its X server goes
        second_.Stop();
    }

    bool Ok() const { return x_.Ok() && sim_.Ok(); }
    XServer& X() { return x_; }

    // The program's main window, found by a piece of its title, mapped or not; None while
    // there is none.
    Window MainWindow(const std::string& titlePiece) {
        std::vector<Window> found;
        Find(DefaultRootWindow(x_.Connection()), titlePiece, found);
        return found.empty() ? None : found.front();
    }
    int CountWindows(const std::string& titlePiece) {
        std::vector<Window> found;
        Find(DefaultRootWindow(x_.Connection()), titlePiece, found);
        return static_cast<int>(found.size());
    }

private:
    XServer x_;
    ChildProcess second_;

    void Find(Window w, const std::string& piece, std::vector<Window>& found) {
        Display* d = x_.Connection();
        char* name = nullptr;
        if (XFetchName(d, w, &name) && name) {
            if (std::string(name).find(piece) != std::string::npos)
                found.push_back(w);
            XFree(name);
        }
        Window root = None, parent = None, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, w, &root, &parent, &children, &count))
            return;
        for (unsigned i = 0; i < count; ++i)
            Find(children[i], piece, found);
        XFree(children);
    }
};
