// A stand-in for the communications test program Linescope, for tests and demonstrations: one X11
// window with the test program's title that writes down every port message it receives.
//
//   linescope-standin [--title TEXT] [--log FILE] [switches...]
//
// The switches are those Tapline passes (-H -ASKWIRELESS -C3 -B9600 -PN -D8 -S1); they are
// written to the log as one line "args ..." at start. Each port message adds a line with its
// wParam (1003 release, 1004 free), or "unexpected ..." when its form is not the agreed one.
// Without --title the window is "Orvane Serial Test Program - COM<n>" for the -C switch;
// LINESCOPE_STANDIN_TITLE and LINESCOPE_STANDIN_LOG stand in for the options when Tapline starts
// the program with its switches only. SIGTERM or SIGINT end it.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void AppendLine(const std::string& logPath, const std::string& line) {
    if (logPath.empty())
        return;
    std::ofstream log(logPath, std::ios::app);
    log << line << '\n';
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

int main(int argc, char** argv) {
    std::string title = Env("LINESCOPE_STANDIN_TITLE");
    std::string logPath = Env("LINESCOPE_STANDIN_LOG");
    std::vector<std::string> switches;
    std::string port = "1";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--title" && i + 1 < argc) {
            title = argv[++i];
        } else if (arg == "--log" && i + 1 < argc) {
            logPath = argv[++i];
        } else {
            switches.push_back(arg);
            if (arg.rfind("-C", 0) == 0)
                port = arg.substr(2);
        }
    }
    if (title.empty())
        title = "Orvane Serial Test Program - COM" + port;

    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "linescope-standin: cannot open the X display\n");
        return 1;
    }
    std::string argsLine = "args";
    for (const std::string& s : switches)
        argsLine += " " + s;
    AppendLine(logPath, argsLine);

    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), 40, 40, 320, 120, 1,
                            BlackPixel(display, screen), WhitePixel(display, screen));
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom portMessage = XInternAtom(display, "_ORVANE_PORT_MESSAGE", False);
    const Atom wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XStoreName(display, window, title.c_str());
    XChangeProperty(display, window, netWmName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XClassHint classHint{const_cast<char*>("linescope"), const_cast<char*>("Linescope")};
    XSetClassHint(display, window, &classHint);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XFlush(display);

    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    bool closed = false;
    while (stopRequested == 0 && !closed) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != ClientMessage)
                continue;
            const XClientMessageEvent& message = event.xclient;
            if (message.message_type == wmProtocols &&
                static_cast<Atom>(message.data.l[0]) == deleteWindow) {
                closed = true;
            } else if (message.message_type == portMessage) {
                if (message.format == 32 && message.data.l[0] == 0x8065 && message.data.l[2] == 0)
                    AppendLine(logPath, std::to_string(message.data.l[1]));
                else
                    AppendLine(logPath, "unexpected format " + std::to_string(message.format) +
                                            " " + std::to_string(message.data.l[0]) + " " +
                                            std::to_string(message.data.l[1]) + " " +
                                            std::to_string(message.data.l[2]));
            }
        }
        // Wake up now and then to notice a signal that came between two events.
        poll(&connection, 1, 100);
    }
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
