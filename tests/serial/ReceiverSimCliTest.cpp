#include "SerialTestSupport.h"
#include "serial/RS232.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace std::chrono_literals;

namespace {

// The receiver-sim program, started with its output (and optionally its input) on pipes.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args, bool withInput = false) {
        int out[2] = {-1, -1}, in[2] = {-1, -1};
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        if (withInput) {
            EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        if (withInput)
            posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        args.insert(args.begin(), RECEIVER_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&pid_, RECEIVER_SIM_PATH, &actions, nullptr, argv.data(), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = out[0];
        if (withInput) {
            ::close(in[0]);
            input_ = in[1];
        }
    }
    ~SimProcess() {
        CloseInput();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_);
    }
    // One line of standard output without its line feed; "" after 5 s without one.
    std::string ReadLine() {
        std::string line;
        char c;
        pollfd fd{output_, POLLIN, 0};
        while (::poll(&fd, 1, 5000) > 0 && ::read(output_, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    std::string ReadAll() {
        std::string text;
        char buffer[512];
        ssize_t n;
        while ((n = ::read(output_, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }
    void Write(const std::string& text) {
        EXPECT_EQ(::write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void CloseInput() {
        if (input_ >= 0)
            ::close(input_);
        input_ = -1;
    }
    // Exit status after the signal (0 for none sent), or -1 when it does not end within 5 s.
    int Wait(int signal = 0) {
        if (signal)
            ::kill(pid_, signal);
        for (int i = 0; i < 500; ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::usleep(10000);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    int input_ = -1;
};

std::string ReadLineFrom(CRS232& port) {
    char line[CRS232::LineLimit + 1];
    port.ReadLine(line);
    return line;
}

TEST(ReceiverSimCliTest, AnswersIdentifyAndSendsReadingsUntilTerminated) {
    SimProcess sim({"--id", "TN-SDCK-R2,", "--reading", "7.5", "--interval", "30"});
    const std::string path = sim.ReadLine();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
    CRS232 port;
    port.DevicePath = [&](int) { return path; };
    ASSERT_EQ(port.OpenPort(), 1);
    const unsigned char identify[] = {'<', 'V'};
    port.SendBytes(identify, 2);
    // Readings may come before the answer; the answer's two lines come together.
    std::string line;
    const auto start = std::chrono::steady_clock::now();
    while ((line = ReadLineFrom(port)) != "\r" && serialtest::Since(start) < 5s)
        EXPECT_TRUE(line == "7.5\r" || line.empty()) << line;
    EXPECT_EQ(ReadLineFrom(port), "TN-SDCK-R2,V1.00\r");
    while ((line = ReadLineFrom(port)).empty() && serialtest::Since(start) < 5s) {
    }
    EXPECT_EQ(line, "7.5\r");
    EXPECT_EQ(sim.Wait(SIGTERM), 0);
}

TEST(ReceiverSimCliTest, ReadingsFromStandardInputWithChosenEnd) {
    SimProcess sim({"--eop", "tab", "-"}, true);
    const std::string path = sim.ReadLine();
    CRS232 port;
    port.DevicePath = [&](int) { return path; };
    ASSERT_EQ(port.OpenPort(), 1);
    sim.Write("1.25\n");
    std::string got;
    const auto start = std::chrono::steady_clock::now();
    unsigned char b;
    while (got.size() < 5 && serialtest::Since(start) < 5s) {
        if (port.ReadByte(&b))
            got += static_cast<char>(b);
        else
            ::usleep(1000);
    }
    EXPECT_EQ(got, "1.25\t");
    sim.CloseInput();
    EXPECT_EQ(sim.Wait(), 0) << "ends with its input";
}

TEST(ReceiverSimCliTest, PacketPatterns) {
    struct Row {
        std::vector<std::string> args;
        std::string expected; // found in what arrives
        bool endless;         // no end-of-packet character at all
    } rows[] = {
        {{"--pattern", "burst", "--count", "3"}, "7.5\r7.5\r7.5\r", false},
        {{"--pattern", "zeros"}, std::string{'7', '\0', '.', '\0', '5', '\0', '\r'}, false},
        {{"--pattern", "long"}, std::string(600, '7'), true},
        {{"--eop", "0x09"}, "7.5\t", false},
    };
    for (Row& row : rows) {
        row.args.insert(row.args.end(), {"--reading", "7.5", "--interval", "40"});
        SimProcess sim(row.args);
        const std::string path = sim.ReadLine();
        CRS232 port;
        port.DevicePath = [&](int) { return path; };
        ASSERT_EQ(port.OpenPort(), 1);
        std::string got;
        const auto start = std::chrono::steady_clock::now();
        unsigned char b;
        while (got.size() < row.expected.size() * 3 && serialtest::Since(start) < 5s) {
            if (port.ReadByte(&b))
                got += static_cast<char>(b);
            else
                ::usleep(1000);
        }
        EXPECT_NE(got.find(row.expected), std::string::npos) << row.args[1];
        if (row.endless) {
            EXPECT_EQ(got.find_first_not_of('7'), std::string::npos) << row.args[1];
        }
        EXPECT_EQ(sim.Wait(SIGTERM), 0);
    }
}

TEST(ReceiverSimCliTest, HelpAndBadOptions) {
    {
        SimProcess sim({"--help"});
        const std::string help = sim.ReadAll();
        EXPECT_NE(help.find("Usage: receiver-sim"), std::string::npos);
        for (const char* word : {"--id", "--mode", "--reading", "--interval", "--eop", "silent",
                                 "echo", "lowercase", "short", "no-cr", "burst", "zeros", "long"})
            EXPECT_NE(help.find(word), std::string::npos) << word;
        EXPECT_EQ(sim.Wait(), 0);
    }
    for (const char* bad : {"--mode", "--eop", "--pattern", "--frobnicate"}) {
        SimProcess sim({bad, "nonsense"});
        EXPECT_EQ(sim.Wait(), 2) << bad;
    }
}

} // namespace
