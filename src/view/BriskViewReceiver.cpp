// The receiver that goes away (a pulled cable, a hub reset, a computer asleep) and comes back:
// the port switch stays on, the window says what is going on, and the same receiver is taken
// back on the same port without the operator.
#include "gui/TemplateForm.h"
#include "platform/NoticeService.h"
#include "platform/qt/WaitNotifier.h"
#include "resources/ControlIds.h"
#include "view/BriskView.h"
#include "view/ViewFrame.h"

#include <cerrno>

bool CBriskView::SerialWanted() const {
    return SerialPort.IsOpen() || Receiver.Current() == CReceiverWatch::State::Waiting;
}

QString CBriskView::DeviceName() const {
    return QStringLiteral("%1 on COM%2")
        .arg(QString::fromStdU16String(Device.GetDeviceName()))
        .arg(Device.DevicePort);
}

QString CBriskView::DeviceText() const {
    const QString device = DeviceName();
    if (Receiver.Current() != CReceiverWatch::State::Waiting)
        return device;
    switch (ReceiverState) {
    case CReceiverWatch::Change::Refused:
        if (SerialPort.OpenError == EBUSY)
            return device + QStringLiteral(" - disconnected, port in use, waiting for it");
        if (SerialPort.OpenError == EACCES || SerialPort.OpenError == EPERM)
            return device + QStringLiteral(" - disconnected, no permission, waiting for it");
        return device + QStringLiteral(" - disconnected, waiting for it");
    case CReceiverWatch::Change::NoAnswer:
        return device + QStringLiteral(" - disconnected, no answer, waiting for it");
    case CReceiverWatch::Change::OtherReceiver:
        return device + QStringLiteral(" - disconnected, another receiver answers, waiting for it");
    default:
        return device + QStringLiteral(" - disconnected, waiting for it");
    }
}

// Watches the folder of the port's device while the operator wants the port: a device that goes
// or comes wakes the program, which otherwise sleeps.
void CBriskView::WatchReceiver() {
    const WaitHandle watch = Destroyed ? NoWaitHandle : Receiver.WatchFd();
    if (ReceiverEvents && ReceiverEvents->Handle() == watch)
        return;
    delete ReceiverEvents;
    ReceiverEvents = nullptr;
    if (watch == NoWaitHandle)
        return;
    ReceiverEvents = new WaitNotifier(watch, this);
    connect(ReceiverEvents, &WaitNotifier::Ready, this, [this] { CheckReceiver(); });
}

void CBriskView::CheckReceiver(bool retry) {
    if (Destroyed || Receiver.Current() == CReceiverWatch::State::Off)
        return;
    // The port's descriptor may close now: nothing may watch it meanwhile.
    StopWatchingPort();
    const CReceiverWatch::Change change = Receiver.Check(retry);
    switch (change) {
    case CReceiverWatch::Change::None:
        break;
    case CReceiverWatch::Change::Gone:
        ReceiverState = change;
        ShowReceiverGone();
        break;
    case CReceiverWatch::Change::Back:
        ReceiverState = change;
        ShowReceiverBack();
        break;
    default:
        ReceiverState = change;
        Form->SetText(ctl::Device, DeviceText());
        DescribeLamp(ctl::SerialLed);
        MainFrame->RefreshTrayTip();
        break;
    }
    WatchReceiver();
    if (Receiver.WantsRetry()) {
        if (!ReceiverRetry.isActive())
            ReceiverRetry.start(1000);
    } else {
        ReceiverRetry.stop();
    }
    if (SerialPort.IsOpen() && TimerId == 0 && !WakePending)
        Rest(); // back to sleep on the port
}

void CBriskView::ShowReceiverGone() {
    // Half a reading is no reading: it never joins the first bytes after the receiver returns.
    Capture.DiscardPacket();
    SetLed(ctl::SerialLed, Led::Yellow);
    Form->SetText(ctl::Device, DeviceText());
    SetText(ctl::RxDBuffer, {});
    MainFrame->RefreshTrayTip();
    Notices.Post(NoticeKind::Receiver, u"Receiver disconnected",
                 (DeviceName() + QStringLiteral(" is disconnected. Readings go on as soon as it is "
                                                "plugged in again."))
                     .toStdU16String());
}

void CBriskView::ShowReceiverBack() {
    SetLed(ctl::SerialLed, Led::Green);
    Capture.SetPacketLed(3);
    Form->SetText(ctl::Device, DeviceText());
    Capture.RxDCount = 0;
    Capture.RxDShown = -1;
    Capture.ShowRxDCount();
    MainFrame->RefreshTrayTip();
    Notices.Post(NoticeKind::Receiver, u"Receiver connected",
                 (DeviceName() + QStringLiteral(" is back: capture goes on.")).toStdU16String());
    Wake();
}
