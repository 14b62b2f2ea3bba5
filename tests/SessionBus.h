#pragma once

// A private session bus (dbus-daemon) for one test, ended with it.

#include "ChildProcess.h"

#include <poll.h>
#include <string>
#include <unistd.h>

class SessionBus {
public:
    SessionBus() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        daemon_ = ChildProcess(
            {"dbus-daemon", "--session", "--nofork", "--nosyslog", "--print-address=3"}, fds[1]);
        close(fds[1]);
        pollfd readable{fds[0], POLLIN, 0};
        while (poll(&readable, 1, 10000) == 1) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n')
                break;
            address_ += c;
        }
        close(fds[0]);
    }
    ~SessionBus() { daemon_.Stop(); }
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Empty when dbus-daemon did not start.
    const std::string& Address() const { return address_; }

private:
    ChildProcess daemon_;
    std::string address_;
};
