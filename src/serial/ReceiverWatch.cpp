#include "serial/ReceiverWatch.h"

#include "platform/SerialDevicePresence.h"

CReceiverWatch::CReceiverWatch(CRS232& port, CDeviceDetection& device)
    : SerialPort(port), Device(device) {}

void CReceiverWatch::Connected() {
    WatchedPort = SerialPort.PortNumber;
    Type = Device.DeviceType;
    Path = SerialPort.DevicePath ? SerialPort.DevicePath(WatchedPort) : std::string();
    Retryable = false;
    NoAnswers = 0;
    // Without a watch (no inotify left) a gone receiver is still noticed; its return is then
    // only looked for once a second, see WantsRetry.
    Watch.Watch(Path);
    StateNow = State::Connected;
}

void CReceiverWatch::Stop() {
    Watch.Stop();
    StateNow = State::Off;
    Retryable = false;
}

bool CReceiverWatch::PathInstalled() const {
    return SerialDevicePresent(Path);
}

bool CReceiverWatch::WantsRetry() const {
    return StateNow == State::Waiting && Retryable &&
           (Watch.Fd() == NoWaitHandle || PathInstalled());
}

CReceiverWatch::Change CReceiverWatch::Check(bool retry) {
    if (StateNow == State::Off)
        return Change::None;
    // Events are taken in every state, so that a readable descriptor never keeps waking the
    // owner; while connected the port itself tells whether the receiver left.
    const bool pathChanged = Watch.TakeEvents();
    if (StateNow == State::Connected) {
        if (SerialPort.IsOpen() && !SerialPort.ReceiverGone())
            return Change::None;
        SerialPort.ClosePort();
        StateNow = State::Waiting;
        // Unplugged and plugged in again before this check, the receiver's path may already be
        // back with its events taken: it is tried once the owner retries.
        Retryable = true;
        NoAnswers = 0;
        return Change::Gone;
    }
    if (pathChanged) {
        Retryable = true;
        NoAnswers = 0;
    } else if (!retry || !Retryable) {
        return Change::None;
    }
    if (!PathInstalled())
        return Change::None;
    return Reopen();
}

CReceiverWatch::Change CReceiverWatch::Reopen() {
    SerialPort.PortNumber = WatchedPort;
    if (!SerialPort.OpenPort()) {
        // Busy while ModemManager probes a new device, refused until udev has given the node
        // its group: both pass.
        Retryable = true;
        return Change::Refused;
    }
    const int answered = Device.IdentifyDevice();
    if (answered && Device.DeviceType == Type) {
        StateNow = State::Connected;
        Retryable = false;
        NoAnswers = 0;
        return Change::Back;
    }
    SerialPort.ClosePort();
    // The window goes on naming the receiver it waits for, not what answered in its place.
    Device.DeviceType = Type;
    if (answered) {
        Retryable = false;
        return Change::OtherReceiver;
    }
    ++NoAnswers;
    Retryable = NoAnswers <= NoAnswerRetries;
    return Change::NoAnswer;
}
