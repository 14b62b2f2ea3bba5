#pragma once

#include "platform/PathWatch.h"
#include "serial/DeviceDetection.h"
#include "serial/RS232.h"

#include <string>

// Keeps the operator's wish for the serial port while its receiver is away. A USB receiver that
// is unplugged hangs its line up and loses its device node; plugged in again it comes back as a
// new node under the same by-id link, which the port's map entry names. The port is closed
// while the receiver is away, and reopened (that COM number only, same line settings) once its
// path is there again and the same model answers the identify command.
// Nothing is polled: the owner calls Check after each capture cycle, whenever WatchFd() is
// readable, and once a second while WantsRetry().
class CReceiverWatch {
public:
    enum class State { Off, Connected, Waiting };
    enum class Change { None, Gone, Back, Refused, NoAnswer, OtherReceiver };
    // A receiver may need a moment after its node appears before it answers; it is asked this
    // many times more, a second apart, then only after its path changes again.
    static constexpr int NoAnswerRetries = 3;

    CReceiverWatch(CRS232& port, CDeviceDetection& device);
    CReceiverWatch(const CReceiverWatch&) = delete;
    CReceiverWatch& operator=(const CReceiverWatch&) = delete;

    State Current() const { return StateNow; }
    // A search has just found the receiver and left the port open: remembers the port and the
    // model and watches the port's path.
    void Connected();
    // Connected: Gone (once) when the receiver has left; the port is closed then. Waiting, after
    // a change of the path or with retry set while WantsRetry(): Back (port open, Connected),
    // Refused (the port would not open), NoAnswer or OtherReceiver (port closed again).
    Change Check(bool retry = false);
    // The operator switched the port off: nothing reopens by itself after that. The port is left
    // as it is.
    void Stop();
    // The watch's descriptor (Windows: event) while Connected or Waiting, else NoWaitHandle.
    WaitHandle WatchFd() const { return StateNow == State::Off ? NoWaitHandle : Watch.Fd(); }
    // Waiting, the path is there, and the last try failed for a reason that may pass.
    bool WantsRetry() const;
    int Port() const { return WatchedPort; }
    int DeviceType() const { return Type; }

private:
    Change Reopen();
    bool PathInstalled() const;

    CRS232& SerialPort;
    CDeviceDetection& Device;
    PathWatch Watch;
    State StateNow = State::Off;
    int WatchedPort = 0;
    int Type = 0;
    std::string Path;
    bool Retryable = false;
    int NoAnswers = 0; // tries without an answer since the path last changed
};
