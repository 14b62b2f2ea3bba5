// End-to-end figures of the real program on a private X server with a simulated receiver:
// start-up time and memory, idle CPU with the port open, latency from the last byte of a reading
// on the serial line to the line in the target file and to the last keystroke in an X client,
// the same keystroke latency for a hand-made wedge (a shell loop calling xdotool), and a
// sustained run at 20 readings a second, and a receiver unplugged and plugged in again. Run it
// with bench/run-e2e.
#include "app/ProgramHarness.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <sstream>
#include <sys/stat.h>

using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Stats {
    double median, p99, max;
};
Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    if (v.empty())
        return {0, 0, 0};
    const auto at = [&](double q) { return v[std::min(v.size() - 1, std::size_t(q * v.size()))]; };
    return {at(0.5), at(0.99), v.back()};
}

long RssKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// CPU time (user + system) of a process, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(all.substr(all.rfind(')') + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14)
            utime = std::stoull(f);
        if (i == 15)
            stime = std::stoull(f);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

std::uintmax_t SizeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? std::uintmax_t(st.st_size) : 0;
}

// The program on its private X server with a receiving window of the bench's own.
class Bench {
public:
    Bench() {
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    bool Ok() const { return h_.Ok(); }

    fs::path Setup(const std::string& name, bool sendToApp, const fs::path& target,
                   const std::string& targetTitle = {}) {
        return h_.WriteSetup(name + ".tpln_brisk", target, sendToApp, targetTitle);
    }
    // A setup whose targets are switched on as given when it opens.
    fs::path Setup(const std::string& name, bool sendToApp, bool sendToFile,
                   const fs::path& target) {
        SetupRecords records;
        records.SetDefaults();
        records.Setup.OpenSerialPort = 1;
        records.Setup.OpenWriteToFile = sendToFile ? 1 : 0;
        records.Setup.OpenAppActive = sendToApp ? 1 : 0;
        std::strncpy(records.Setup.TargetFilePath, target.c_str(), 300);
        std::strncpy(records.Setup.TargetFileName, target.filename().c_str(), 300);
        const fs::path path = Dir() / (name + ".tpln_brisk");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(records.Setup.Bytes()), SetupRecord::Size);
        return path;
    }
    // Starts the program on a setup and returns the time until its window showed.
    double Start(const fs::path& setup) {
        const auto t0 = Clock::now();
        h_.Start({setup.string()});
        const std::string title = "Tapline Brisk - " + setup.stem().string();
        WaitFor([&] { return Viewable(h_.MainWindow(title)); }, std::chrono::seconds(20));
        return Ms(Clock::now() - t0);
    }
    void Stop() { h_.Program().Stop(); }
    pid_t Pid() { return h_.Program().Pid(); }

    // A window that takes the keys typed into it.
    Window ReceiverWindow() {
        Display* d = h_.X().Connection();
        if (window_ == None) {
            window_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 300, 100, 0, 0, 0xFFFFFF);
            XStoreName(d, window_, "receiving window");
            XSelectInput(d, window_, KeyPressMask);
            XMapWindow(d, window_);
            XSync(d, False);
            WaitFor([&] { return Viewable(window_); });
        }
        return window_;
    }
    void Focus(Window w) {
        RequestActivation(h_.X().Connection(), w);
        WaitFor([&] { return HasFocus(h_.X().Connection(), w); });
    }
    // A second window of the bench's own that takes the keyboard away from the receiving one.
    Window CoverWindow() {
        Display* d = h_.X().Connection();
        if (cover_ == None) {
            cover_ = XCreateSimpleWindow(d, DefaultRootWindow(d), 400, 0, 300, 100, 0, 0, 0);
            XStoreName(d, cover_, "cover");
            XMapWindow(d, cover_);
            XSync(d, False);
            WaitFor([&] { return Viewable(cover_); });
        }
        return cover_;
    }
    // How long the window manager takes to hand the keyboard to a window, polled every 0.1 ms.
    double HandOverMs(Window w) {
        Display* d = h_.X().Connection();
        const auto t0 = Clock::now();
        RequestActivation(d, w);
        while (!HasFocus(d, w) && Clock::now() - t0 < std::chrono::seconds(1))
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        return Ms(Clock::now() - t0);
    }
    // Waits until the Return key reached the receiving window and, when a file is given, until
    // it has grown to the given size; the times at which each was seen, within a millisecond.
    struct Arrival {
        std::optional<Clock::time_point> key, file;
    };
    Arrival WaitArrival(std::chrono::milliseconds limit, const fs::path& file = {},
                        std::uintmax_t size = 0) {
        Display* d = h_.X().Connection();
        Arrival a;
        const auto end = Clock::now() + limit;
        while (Clock::now() < end && !(a.key && (a.file || file.empty()))) {
            while (!a.key && XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == KeyPress && e.xkey.keycode == 36)
                    a.key = Clock::now();
            }
            if (!file.empty() && !a.file && SizeOf(file) >= size)
                a.file = Clock::now();
            pollfd fd{ConnectionNumber(d), POLLIN, 0};
            poll(&fd, 1, 1);
        }
        return a;
    }
    void DrainKeys() {
        Display* d = h_.X().Connection();
        XSync(d, False);
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
        }
    }

    ReceiverSimulator& Sim() { return h_.Receiver(); }
    const fs::path& Dir() const { return h_.Dir(); }

private:
    bool Viewable(Window w) {
        XWindowAttributes a{};
        return w != None && XGetWindowAttributes(h_.X().Connection(), w, &a) &&
               a.map_state == IsViewable;
    }

    ProgramHarness h_;
    Window window_ = None, cover_ = None;
};

// The pause between two readings: at most 50 ms of it can fall into one capture tick.
struct Gaps {
    int min = 20, max = 80;
};

void Latency(Bench& b, int readings, const Gaps& gaps, double& keyMedian) {
    const fs::path target = b.Dir() / "latency.csv";
    const double startMs = b.Start(b.Setup("latency", true, target));
    const pid_t pid = b.Pid();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::printf("start to main window shown: %.0f ms\n", startMs);
    std::printf("resident memory after start: %.1f MB\n", RssKb(pid) / 1024.0);

    const double cpu0 = CpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    std::printf("CPU with the port open and idle: %.3f%% of one core (10 s)\n",
                (CpuSeconds(pid) - cpu0) / 10.0 * 100.0);

    b.Focus(b.ReceiverWindow());
    b.DrainKeys();
    std::mt19937 random(42);
    std::vector<double> toFile, toKey;
    std::uintmax_t size = SizeOf(target);
    for (int i = 0; i < readings; ++i) {
        const auto t0 = Clock::now();
        b.Sim().SendReading("12.345");
        const auto arrival = b.WaitArrival(std::chrono::seconds(2), target, size + 8);
        size = SizeOf(target);
        if (arrival.file)
            toFile.push_back(Ms(*arrival.file - t0));
        if (arrival.key)
            toKey.push_back(Ms(*arrival.key - t0));
        std::this_thread::sleep_for(
            std::chrono::milliseconds(gaps.min + random() % (gaps.max - gaps.min + 1)));
    }
    const Stats f = Summarise(toFile), k = Summarise(toKey);
    std::printf("gaps between readings %d-%d ms\n", gaps.min, gaps.max);
    std::printf("reading \"12.345\\r\" to the line in the target file (%zu of %d): median %.1f ms, "
                "99th percentile %.1f ms, max %.1f ms\n",
                toFile.size(), readings, f.median, f.p99, f.max);
    std::printf("reading to the last keystroke in an X client (%zu of %d): median %.1f ms, "
                "99th percentile %.1f ms, max %.1f ms\n",
                toKey.size(), readings, k.median, k.p99, k.max);
    keyMedian = k.median;
    b.Stop();
}

// Mode 1: the program finds the receiving window by its title. Already focused, it types at
// once; with another window focused, it activates the receiving window and waits for the
// keyboard, so that figure is the window manager's hand-over plus the program's own time.
void ModeOneLatency(Bench& b, int readings) {
    const fs::path target = b.Dir() / "mode1.csv";
    b.Start(b.Setup("mode1", true, target, "receiving window"));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Window receiver = b.ReceiverWindow(), cover = b.CoverWindow();
    std::mt19937 random(7);
    for (const bool focused : {true, false}) {
        std::vector<double> toKey, handOver;
        for (int i = 0; i < readings; ++i) {
            if (focused) {
                b.Focus(receiver);
            } else {
                handOver.push_back(b.HandOverMs(receiver));
                b.Focus(cover);
            }
            b.DrainKeys();
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 60));
            const auto t0 = Clock::now();
            b.Sim().SendReading("12.345");
            const auto arrival = b.WaitArrival(std::chrono::seconds(2));
            if (arrival.key)
                toKey.push_back(Ms(*arrival.key - t0));
        }
        const Stats k = Summarise(toKey);
        std::printf("mode 1, target %s: reading to the last keystroke (%zu of %d): median %.1f ms, "
                    "99th percentile %.1f ms, max %.1f ms\n",
                    focused ? "already focused" : "not focused", toKey.size(), readings, k.median,
                    k.p99, k.max);
        if (!focused) {
            const Stats h = Summarise(handOver);
            std::printf("  the window manager's own hand-over of the keyboard: median %.1f ms, "
                        "99th percentile %.1f ms\n",
                        h.median, h.p99);
        }
    }
    b.Stop();
}

// The hand-made wedge: a shell loop that reads lines from the port and types them with xdotool.
void HandMadeWedge(Bench& b, int readings, double ourMedian) {
    const std::string script = "stty -F \"$0\" 9600 raw -echo icrnl; "
                               "while IFS= read -r line; do xdotool type -- \"$line\"; "
                               "xdotool key Return; done < \"$0\"";
    ChildProcess wedge({"sh", "-c", script, b.Sim().SlavePath()});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    b.Focus(b.ReceiverWindow());
    b.DrainKeys();
    std::vector<double> toKey;
    for (int i = 0; i < readings; ++i) {
        const auto t0 = Clock::now();
        b.Sim().SendReading("12.345");
        if (const auto key = b.WaitArrival(std::chrono::seconds(3)).key)
            toKey.push_back(Ms(*key - t0));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    const Stats k = Summarise(toKey);
    std::printf("hand-made wedge (shell loop + xdotool type) to the last keystroke (%zu of %d): "
                "median %.1f ms, 99th percentile %.1f ms\n",
                toKey.size(), readings, k.median, k.p99);
    if (ourMedian > 0)
        std::printf("ratio of medians, hand-made wedge / Tapline Brisk: %.1f\n",
                    k.median / ourMedian);
}

// CPU of the program per reading at 20 readings a second: with no target switched on, with the
// file, and with the file and the keys typed into the focused receiving window.
void CpuPerReading(Bench& b, int seconds) {
    struct Case {
        const char* name;
        bool app, file;
    };
    for (const Case c : {Case{"no target", false, false}, Case{"file", false, true},
                         Case{"file and keys", true, true}}) {
        const fs::path target = b.Dir() / "cpu.csv";
        fs::remove(target);
        b.Start(b.Setup(std::string("cpu-") + (c.app ? "a" : "") + (c.file ? "f" : ""), c.app,
                        c.file, target));
        const pid_t pid = b.Pid();
        if (c.app)
            b.Focus(b.ReceiverWindow());
        std::this_thread::sleep_for(std::chrono::seconds(1));
        b.DrainKeys();
        const double cpu0 = CpuSeconds(pid);
        const auto t0 = Clock::now();
        const int total = seconds * 20;
        for (int i = 0; i < total; ++i) {
            // A reading that differs from the one before, as a measurement does.
            char reading[16];
            std::snprintf(reading, sizeof reading, "12.%03d", i % 1000);
            b.Sim().SendReading(reading);
            std::this_thread::sleep_until(t0 + std::chrono::milliseconds(50) * (i + 1));
            b.DrainKeys();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const double cpu = CpuSeconds(pid) - cpu0;
        const double elapsed = Ms(Clock::now() - t0) / 1000.0;
        const bool complete =
            !c.file || WaitFor([&] { return SizeOf(target) >= std::uintmax_t(total) * 8; },
                               std::chrono::seconds(5));
        std::printf("CPU at 20 readings/s, %s (%d s): %.2f ms per reading, %.2f%% of one core%s\n",
                    c.name, seconds, cpu * 1000.0 / total, cpu / elapsed * 100.0,
                    complete ? "" : " (lines missing!)");
        b.Stop();
    }
}

void Sustained(Bench& b, int seconds) {
    const fs::path target = b.Dir() / "sustained.csv";
    b.Start(b.Setup("sustained", false, target));
    const pid_t pid = b.Pid();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long rss0 = RssKb(pid);
    const double cpu0 = CpuSeconds(pid);
    const auto t0 = Clock::now();
    const int total = seconds * 20;
    for (int i = 0; i < total; ++i) {
        char reading[16];
        std::snprintf(reading, sizeof reading, "%07d", i);
        b.Sim().SendReading(reading);
        std::this_thread::sleep_until(t0 + std::chrono::milliseconds(50) * (i + 1));
    }
    const double elapsed = Ms(Clock::now() - t0) / 1000.0;
    const double cpu = (CpuSeconds(pid) - cpu0) / elapsed * 100.0;
    const long rss1 = RssKb(pid);
    WaitFor([&] { return SizeOf(target) >= std::uintmax_t(total) * 9; }, std::chrono::seconds(30));
    std::ifstream in(target, std::ios::binary);
    std::string line;
    int expected = 0, wrong = 0;
    while (std::getline(in, line)) {
        char want[16];
        std::snprintf(want, sizeof want, "%07d\r", expected);
        wrong += line != want;
        ++expected;
    }
    std::printf("sustained %d s at 20 readings/s: %d sent, %d lines in the file, %d lost, doubled "
                "or out of order; resident memory %.1f -> %.1f MB (growth %ld kB); CPU %.2f%% of "
                "one core\n",
                seconds, total, expected, wrong + std::abs(total - expected), rss0 / 1024.0,
                rss1 / 1024.0, rss1 - rss0, cpu);
    b.Stop();
}

} // namespace

// A USB receiver unplugged and plugged in again, as a link (its /dev/serial/by-id name) that
// leads to a new pseudo-terminal: the CPU the program uses while it waits, and the time from the
// link's return to the receiver identified and to its first reading in the target file.
void Replug(Bench& b, int idleSeconds) {
    const fs::path link = b.Dir() / "usb-Trailnote_Dock-if00";
    const auto relink = [&](const std::string& device) {
        fs::remove(link);
        fs::create_symlink(device, link);
    };
    relink(b.Sim().SlavePath());
    std::string use(200, '0');
    use[2] = '1';
    std::ofstream(b.Dir() / "config" / "Orvane Systems" / "Tapline Brisk.conf")
        << "[SerialDeviceMap]\nCOM3=" << link.string()
        << "\n\n[Settings]\nInstalledPorts=" << std::string(200, '1') << "\nUsePorts=" << use
        << "\nLastPort=3\n";
    const fs::path target = b.Dir() / "replug.csv";
    b.Start(b.Setup("replug", false, target));
    const pid_t pid = b.Pid();
    b.Sim().SendReading("1.0");
    WaitFor([&] { return SizeOf(target) >= 5; }, std::chrono::seconds(5));

    b.Sim().Hangup();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double cpu0 = CpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    std::printf("CPU while the receiver is away: %.3f%% of one core (%d s)\n",
                (CpuSeconds(pid) - cpu0) / idleSeconds * 100.0, idleSeconds);

    ReceiverSimulator back;
    const auto t0 = Clock::now();
    relink(back.SlavePath());
    const bool identified =
        WaitFor([&] { return back.IdentifyCount() > 0; }, std::chrono::seconds(5));
    const auto t1 = Clock::now();
    back.SendReading("2.0");
    const bool written = WaitFor([&] { return SizeOf(target) >= 10; }, std::chrono::seconds(5));
    const auto t2 = Clock::now();
    std::printf("link back to the receiver identified: %s%.1f ms; to its first reading in the "
                "target file: %s%.1f ms\n",
                identified ? "" : "never within ", Ms(t1 - t0), written ? "" : "never within ",
                Ms(t2 - t0));
    b.Stop();
}

int main(int argc, char** argv) {
    int readings = 200, sustained = 0, replug = 0, cpu = 0;
    Gaps gaps;
    bool wedge = true, mode1 = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--readings" && i + 1 < argc)
            readings = std::atoi(argv[++i]);
        else if (a == "--sustained" && i + 1 < argc)
            sustained = std::atoi(argv[++i]);
        else if (a == "--no-wedge")
            wedge = false;
        else if (a == "--replug" && i + 1 < argc)
            replug = std::atoi(argv[++i]);
        else if (a == "--cpu" && i + 1 < argc)
            cpu = std::atoi(argv[++i]);
        else if (a == "--gaps" && i + 1 < argc &&
                 std::sscanf(argv[++i], "%d-%d", &gaps.min, &gaps.max) == 2 && gaps.min > 0 &&
                 gaps.max >= gaps.min)
            continue;
        else if (a == "--no-mode1")
            mode1 = false;
        else {
            std::fprintf(stderr, "usage: e2e_bench [--readings N] [--gaps MIN-MAX] [--no-mode1] "
                                 "[--sustained SECONDS] [--no-wedge] [--replug IDLE_SECONDS] "
                                 "[--cpu SECONDS]\n");
            return 2;
        }
    }
    Bench b;
    if (!b.Ok()) {
        std::fprintf(stderr, "e2e_bench: no X server or no pseudo-terminal\n");
        return 1;
    }
    double ours = 0;
    if (readings > 0)
        Latency(b, readings, gaps, ours);
    if (readings > 0 && mode1)
        ModeOneLatency(b, std::min(readings, 100));
    if (wedge && readings > 0)
        HandMadeWedge(b, std::min(readings, 100), ours);
    if (cpu > 0)
        CpuPerReading(b, cpu);
    if (sustained > 0)
        Sustained(b, sustained);
    if (replug > 0)
        Replug(b, replug);
    return 0;
}
