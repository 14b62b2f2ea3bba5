#pragma once

// Programs the tests start (servers, compositors, clients), each ended by its process id when
// its object goes.

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Polls cond every 10 ms until it holds or the limit has passed; true when it held.
inline bool WaitFor(const std::function<bool()>& cond,
                    std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (cond())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A program started without a shell, its output discarded (or appended to a log file), ended
// when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    // extraFd >= 0 is handed to the child as its descriptor 3. runAsUser != 0 runs the child as
    // that user (and group of the same number) when this process is root. The child is told to
    // end with this process, so that a test that crashes leaves no server behind.
    explicit ChildProcess(const std::vector<std::string>& argv, int extraFd = -1,
                          uid_t runAsUser = 0, const std::string& log = {}) {
        const char* output = log.empty() ? "/dev/null" : log.c_str();
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ != 0)
            return;
        // In the child: only async-signal-safe calls until exec. A change of user clears the
        // death signal, so it comes first.
        if (runAsUser != 0 && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(runAsUser, runAsUser, runAsUser) != 0 ||
             setresuid(runAsUser, runAsUser, runAsUser) != 0))
            _exit(126);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127); // the parent is already gone
        const int out = open(output, O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, 1);
        dup2(out, 2);
        if (extraFd >= 0)
            dup2(extraFd, 3);
        execvp(args[0], args.data());
        _exit(127);
    }
    ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_) { other.pid_ = -1; }
    ChildProcess& operator=(ChildProcess&& other) noexcept {
        if (this != &other) {
            Stop();
            pid_ = other.pid_;
            other.pid_ = -1;
        }
        return *this;
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    pid_t Pid() const { return pid_; }
    bool Running() {
        if (pid_ <= 0)
            return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        return true;
    }
    // The signal (SIGTERM unless told), then SIGKILL when it has not ended within two seconds.
    void Stop(int signal = SIGTERM) {
        if (pid_ <= 0)
            return;
        kill(pid_, signal);
        int status = 0;
        if (!WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; },
                     std::chrono::seconds(2))) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};
