#pragma once

// Waits as WaitFor does while this process's own Qt objects (its windows, the services it
// offers on a bus) keep answering: the event loop runs between the checks.

#include "ChildProcess.h"

#include <QCoreApplication>

#include <chrono>
#include <functional>

inline bool WaitServing(const std::function<bool()>& cond,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return WaitFor(
        [&] {
            QCoreApplication::processEvents();
            return cond();
        },
        limit);
}
