#pragma once

#include "platform/WaitHandle.h"

#include <QObject>

// Tells the user-interface thread, by the signal Ready, that a driver or a watch has news: its
// descriptor turned readable (POSIX) or its event was signalled (Windows). Level-triggered on
// POSIX: Ready comes again while the descriptor stays readable.
class WaitNotifier : public QObject {
    Q_OBJECT
public:
    WaitNotifier(WaitHandle handle, QObject* parent);
    WaitHandle Handle() const { return handle_; }

signals:
    void Ready();

private:
    WaitHandle handle_;
};
