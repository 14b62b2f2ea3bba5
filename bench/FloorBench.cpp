// What this machine charges for the work a reading cannot do without, paced like readings (20 a
// second), as CPU of this process: waking from the wait between readings, one exclusive append
// with fdatasync to a file on the disk, X round trips on a connection of our own, and (when a
// display is set) a Qt Widgets window's event loop woken by a 50 ms timer, alone and with a line
// edit changed five times a second. The program's own cost per reading is set against these in
// bench/README.md.
#include "platform/ExclusiveFile.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

double CpuSeconds() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// CPU per step, each step 50 ms after the one before.
void Paced(const char* what, int steps, const std::function<bool()>& step) {
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < steps; ++i) {
        if (!step()) {
            std::printf("%s: failed\n", what);
            return;
        }
        std::this_thread::sleep_until(t0 + std::chrono::milliseconds(50) * (i + 1));
    }
    std::printf("%-52s %.3f ms of CPU per reading\n", what, (CpuSeconds() - cpu0) * 1000 / steps);
}

// CPU per tick of a shown Qt window's event loop, woken every 50 ms like the capture cycle;
// with a field, every fourth tick puts the next number into it.
void QtTicks(const char* what, int steps, QLineEdit* field) {
    int tick = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (field != nullptr && tick % 4 == 0)
            field->setText(QString::number(12.0 + tick / 1000.0, 'f', 3));
        if (++tick == steps)
            QApplication::quit();
    });
    const double cpu0 = CpuSeconds();
    timer.start(50);
    QApplication::exec();
    std::printf("%-52s %.3f ms of CPU per reading\n", what, (CpuSeconds() - cpu0) * 1000 / steps);
}

} // namespace

int main(int argc, char* argv[]) {
    const int steps = argc > 1 ? std::atoi(argv[1]) : 200;
    const fs::path folder =
        fs::path("/var/tmp") / ("brisk-floor-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string file = folder / "readings.csv";

    Paced("the wake between readings alone", steps, [] { return true; });
    Paced("the wake and one exclusive append with fdatasync", steps, [&] {
        ExclusiveFile out;
        return out.Open(file, true) && out.Append("9:05:03 AM,12.345\r\n");
    });
    if (xcb_connection_t* c = xcb_connect(nullptr, nullptr); !xcb_connection_has_error(c)) {
        for (const int trips : {1, 4}) {
            char what[64];
            std::snprintf(what, sizeof what, "the wake and %d X round trip%s", trips,
                          trips > 1 ? "s" : "");
            Paced(what, steps, [&] {
                for (int i = 0; i < trips; ++i)
                    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
                return true;
            });
        }
        xcb_disconnect(c);
        // As the program runs: repaints go over the socket.
        qputenv("QT_XCB_NO_MITSHM", "1");
        QApplication app(argc, argv);
        QLineEdit field;
        field.setReadOnly(true);
        field.show();
        QTimer::singleShot(500, [] { QApplication::quit(); }); // shown and settled
        QApplication::exec();
        QtTicks("a Qt window's event loop woken every 50 ms", steps, nullptr);
        QtTicks("the same, a line edit changed 5 times a second", steps, &field);
    }
    fs::remove_all(folder);
}
