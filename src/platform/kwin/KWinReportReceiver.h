#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

// The D-Bus object KWin scripts report to (callDBus). It lives on a thread of its own, so that
// the caller can wait for a report without running its event loop: the program's other events
// (serial readings, timers) must not run in the middle of a window-system call.
class KWinReportReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tapline.Brisk.KWinReport")

public:
    static constexpr const char* Interface = "org.tapline.Brisk.KWinReport";

    // Reports with another token are late answers to calls given up on, and are dropped.
    void Expect(const QString& token);
    // The report of the expected token, or nothing when it has not come within limit.
    std::optional<QString> Wait(std::chrono::milliseconds limit);

public Q_SLOTS:
    Q_SCRIPTABLE void Report(const QString& token, const QString& text);

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    QString token_;
    std::optional<QString> text_;
};
