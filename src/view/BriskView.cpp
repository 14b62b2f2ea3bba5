#include "view/BriskView.h"

#include "gui/TemplateForm.h"
#include "platform/NoticeService.h"
#include "platform/qt/WaitNotifier.h"
#include "resources/ControlIds.h"
#include "resources/MainViewTemplate.h"
#include "targets/TextString.h"
#include "view/ViewDocument.h"
#include "view/ViewFrame.h"

#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <cstring>
#include <string>

namespace {
const QString FocusText = QStringLiteral("Use application with current input focus");
}

CBriskView::CBriskView(ViewServices services, QWidget* parent)
    : QWidget(parent), TestProgram(services.windows, services.processes, services.messages),
      TargetApp(services.keyboard, services.windows),
      Device(SerialPort, services.settings, services.discovery, services.messages),
      Receiver(SerialPort, Device), Capture(SerialPort, Packet, *this, services.notices),
      Messages(services.messages), Notices(services.notices), Dialogs(services.dialogs),
      Windows(services.windows), Settings(services.settings), Discovery(services.discovery),
      Keyboard(services.keyboard) {
    Form = new TemplateForm(MainViewTemplate(), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Form);
    connect(Form, &TemplateForm::Command, this, &CBriskView::OnCommand);
    // The counters have no label of their own; the prompt of "Clear File Counters" names them.
    Form->Control(ctl::FileWrites)->setAccessibleName(QStringLiteral("Packets saved"));
    Form->Control(ctl::FileErrors)->setAccessibleName(QStringLiteral("Packets failed"));

    TargetApp.Typing = CTarget_App::TypingFromSetting(
        services.settings.GetProfileString("Settings", "KeyboardTyping", "Layout"));
    // The reading stays in the output field and the file; the operator learns why its keys
    // did not come, without the capture waiting for an answer.
    TargetApp.NotTyped = [this](const std::u16string& reason) {
        const std::string count = std::to_string(TargetApp.NotTypedCount);
        Notices.Post(NoticeKind::NotTyped, u"Reading not typed",
                     (reason.empty() ? u"A reading could not be typed." : reason) +
                         u"\n\nReadings not typed since the program started: " +
                         std::u16string(count.begin(), count.end()));
    };
    Device.EndWaitCursor = [this] { MainFrame->DoWaitCursor(-1); };
    ReceiverRetry.setSingleShot(true);
    connect(&ReceiverRetry, &QTimer::timeout, this, [this] { CheckReceiver(true); });
    connect(&FileRetry, &QTimer::timeout, this, &CBriskView::RetryWaitingLines);
    HeldShow.setSingleShot(true);
    HeldShow.setTimerType(Qt::PreciseTimer);
    connect(&HeldShow, &QTimer::timeout, this, &CBriskView::ShowHeldFields);
    RegisterCommands();
}

CBriskView::~CBriskView() {
    OnDestroy();
}

void CBriskView::OnCommand(int id) {
    switch (id) {
    case ctl::SerialSwitch:
        OnEnableSerialPort();
        break;
    case ctl::SendToAppSwitch:
        OnSendToApp();
        break;
    case ctl::SendToFileSwitch:
        OnSendToFile();
        break;
    }
}

void CBriskView::OnInitialUpdate(ViewFrame* frame, ViewDocument* document) {
    if (Initialised == 1)
        return;
    Initialised = 1;

    Document = document;
    MainFrame = frame;
    Setup = &document->Setup;
    Packet.Owner = this;
    Packet.Setup = Setup;
    Packet.Fields = this;
    TargetApp.Setup = Setup;
    TargetFile.Owner = this;
    TargetFile.Setup = Setup;
    Capture.Setup = Setup;
    Document->View = this;

    MainFrame->PlaceFrame();

    Leds.PrepareLeds(palette().color(QPalette::Button));
    SetLed(ctl::SerialLed, Led::Red);
    SetLed(ctl::KeyboardLed, Led::Red);
    SetLed(ctl::FileLed, Led::DarkRed);
    SetLed(ctl::PacketLed, Led::DarkRed);
    MainFrame->SetFrameTitle(QStringLiteral("Untitled"));
    ResetView();
    TimerId = startTimer(50, Qt::PreciseTimer); // one packet per tick: ticks must not drift

    // What an earlier run could not write goes first, before any reading of this one.
    DeliverLeftLines();
    Document->OpenPendingFile();
}

void CBriskView::ResetView() {
    Document->SetDefaults();
    if (SerialWanted())
        OnEnableSerialPort();
    if (SendToApp == 1)
        OnSendToApp();
    if (SendToFile == 1)
        OnSendToFile();
    Capture.RxDCount = 0;
    Capture.RxDShown = -1;
    SendToApp = 0;
    SendToFile = 0;
    TargetFileEnabled = 1;
    Capture.PacketDone = 1;
    for (int id : {ctl::InputPacket, ctl::OutputPacket, ctl::FileName, ctl::RxDBuffer})
        Form->SetText(id, {});
    ShowWaitingLines();
    Form->SetText(ctl::KbApp, FocusText);
    Form->Enable(ctl::SendToAppSwitch, true);
    Form->Enable(ctl::KbApp, true);
    SetLed(ctl::KeyboardLed, Led::Red);
    Form->Enable(ctl::SendToFileSwitch, false);
    SetLed(ctl::FileLed, Led::DarkRed);
    ResetFileCounters();
    PostIconMode();
}

void CBriskView::ApplySetup() {
    if (Setup->OpenSerialPort == 1)
        OnEnableSerialPort();
    // Keyboard transfer stays off when the setup says so at file open, when it was saved with
    // transfer disabled (the title it keeps is for a later return to mode 1), and when its mode
    // is none the program writes (a damaged file): the record then says disabled too.
    const bool appDisabled = Setup->OpenAppDisabled == 1 || Setup->TargetAppMode > 1;
    if (appDisabled) {
        Setup->TargetAppMode = 2;
        SetLed(ctl::KeyboardLed, Led::DarkRed);
        Form->SetText(ctl::KbApp, {});
        Form->Enable(ctl::SendToAppSwitch, false);
        Form->Enable(ctl::KbApp, false);
    } else {
        Form->SetText(ctl::KbApp, Setup->TargetAppMode == 0
                                      ? FocusText
                                      : QString::fromStdU16String(
                                            CTextString::FromField(Setup->TargetAppTitle)));
    }
    if (TargetFileChosen()) {
        Form->SetText(ctl::FileName,
                      QString::fromStdU16String(CTextString::FromField(Setup->TargetFileName)));
        Form->Enable(ctl::SendToFileSwitch, true);
        Form->Enable(ctl::FileWrites, true);
        Form->Enable(ctl::FileErrors, true);
        SetLed(ctl::FileLed, Led::Red);
    }
    if (Setup->OpenWriteToFile == 1)
        OnSendToFile();
    ResetFileCounters();
    PostIconMode();
    if (Setup->OpenMinimized == 1)
        MainFrame->ShowMinimizedNext();
    // Typing last: a desktop may ask the operator first, and readings that arrive meanwhile
    // must already go to the file and its counters.
    if (!appDisabled && Setup->OpenAppActive == 1)
        OnSendToApp();
}

bool CBriskView::TargetFileChosen() const {
    return Setup && Setup->TargetFileName[0] != '\0';
}

void CBriskView::PostIconMode() {
    MainFrame->PostIconMode(Setup->ProgramIcon == 1 ? 1 : 0);
}

void CBriskView::ResetFileCounters() {
    FileWriteCount = 0;
    FileErrorCount = 0;
    if (TargetFileChosen()) {
        SetInt(ctl::FileWrites, 0);
        SetInt(ctl::FileErrors, 0);
    } else {
        SetText(ctl::FileWrites, {});
        SetText(ctl::FileErrors, {});
    }
    OnCtlColor();
}

void CBriskView::ShowFileCounters() {
    SetText(ctl::FileWrites, CTextString::FormatCount(FileWriteCount));
    SetText(ctl::FileErrors, CTextString::FormatCount(FileErrorCount));
    OnCtlColor();
    ShowWaitingLines();
}

void CBriskView::OnCtlColor() {
    auto* field = qobject_cast<QLineEdit*>(Form->Control(ctl::FileErrors));
    if (!field)
        return;
    const bool alert = FileErrorCount > 0;
    if (field->property("alert").toBool() == alert)
        return;
    field->setProperty("alert", alert);
    QPalette p = Form->palette();
    if (alert)
        p.setColor(QPalette::Base, QColor(255, 154, 154));
    field->setPalette(p);
}

void CBriskView::OnEnableSerialPort() {
    StopWatchingPort(); // the descriptor is about to change
    if (SerialWanted()) {
        // Off also ends the wait for a receiver that is away: nothing reopens by itself.
        delete ReceiverEvents;
        ReceiverEvents = nullptr;
        Receiver.Stop();
        Notices.Withdraw(NoticeKind::Receiver);
        SetLed(ctl::SerialLed, Led::Red);
        Capture.SetPacketLed(4);
        Form->SetCheck(ctl::SerialSwitch, false);
        SerialPort.ClosePort();
        Form->SetText(ctl::Device, {});
        SetText(ctl::RxDBuffer, {});
        MainFrame->RefreshTrayTip();
        TestProgram.AnnouncePortFree();
        return;
    }
    MainFrame->DoWaitCursor(1);
    TestProgram.RequestPortRelease();
    SerialPort.PortNumber = Device.DevicePort;
    SerialPort.BaudRate = BaudRate;
    SerialPort.ParityLetter = ParityLetter;
    SerialPort.DataBits = DataBits;
    SerialPort.StopBits = StopBits;
    Packet.PacketCount = 0;
    if (Device.FindSerialDevice()) {
        SetLed(ctl::SerialLed, Led::Green);
        Capture.SetPacketLed(3);
        Receiver.Connected();
        WatchReceiver();
        Form->SetText(ctl::Device, DeviceText());
        Capture.RxDCount = 0;
        Capture.RxDShown = -1;
        Capture.ShowRxDCount();
        Form->SetCheck(ctl::SerialSwitch, true);
        Wake();
    } else {
        Form->SetCheck(ctl::SerialSwitch, false);
        Form->SetText(ctl::Device, {});
        Form->SetText(ctl::SerialSwitch, QStringLiteral("Enable serial &port"));
    }
    MainFrame->RefreshTrayTip();
    MainFrame->DoWaitCursor(-1);
}

void CBriskView::OnSendToApp() {
    // A desktop may ask the operator first; a click meanwhile changes nothing.
    if (AskingToType) {
        Form->SetCheck(ctl::SendToAppSwitch, SendToApp == 1);
        return;
    }
    if (SendToApp == 0) {
        AskingToType = true;
        const QPointer<CBriskView> alive(this);
        const std::u16string refusal = Keyboard.BeginTyping();
        if (alive.isNull())
            return;
        AskingToType = false;
        if (!refusal.empty()) {
            Form->SetCheck(ctl::SendToAppSwitch, false);
            Messages.Show(refusal, MsgStyle::OkBox());
            return;
        }
    }
    SendToApp = 1 - SendToApp;
    Form->SetCheck(ctl::SendToAppSwitch, SendToApp == 1);
    SetLed(ctl::KeyboardLed, SendToApp == 1 ? Led::Green : Led::Red);
}

void CBriskView::OnSendToFile() {
    SendToFile = 1 - SendToFile;
    Form->SetCheck(ctl::SendToFileSwitch, SendToFile == 1);
    SetLed(ctl::FileLed, SendToFile == 1 ? Led::Green : Led::Red);
}

void CBriskView::OnDestroy() {
    Capture.InTimer = 1; // no capture cycle runs any more
    Destroyed = true;
    StopWatchingPort();
    ReceiverRetry.stop();
    FileRetry.stop();
    HeldShow.stop();
    delete ReceiverEvents;
    ReceiverEvents = nullptr;
    if (TimerId != 0) {
        killTimer(TimerId);
        TimerId = 0;
    }
}

void CBriskView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != TimerId) {
        QWidget::timerEvent(event);
        return;
    }
    RunCycle();
}

// The cycle polls every 50 ms while there is something to read. With nothing waiting it rests:
// the timer stops and the port's descriptor wakes the view when bytes arrive. A wake-up runs a
// cycle at once unless the last one was less than 50 ms ago, so cycles stay at least 50 ms apart
// (at most one packet per tick) while an idle program costs no wake-ups at all.
void CBriskView::RunCycle() {
    LastCycle.start();
    HoldFields = true;
    Capture.OnTimer();
    HoldFields = false;
    ShowHeldFieldsPaced();
    // A cycle that took bytes has just heard from the receiver. The others look for it: a line
    // that hangs up leaves the resting port readable, so such a cycle comes at once.
    if (Capture.BytesTaken == 0)
        CheckReceiver();
    if (AfterTick)
        AfterTick();
    if (Capture.InTimer == 0 && (!SerialPort.IsOpen() || SerialPort.GetRxDCount() == 0))
        Rest();
}

void CBriskView::Rest() {
    if (TimerId != 0) {
        killTimer(TimerId);
        TimerId = 0;
    }
    if (SerialPort.IsOpen() && !PortWatch) {
        PortWatch = new WaitNotifier(SerialPort.Handle(), this);
        connect(PortWatch, &WaitNotifier::Ready, this, &CBriskView::Wake);
    }
}

void CBriskView::Wake() {
    StopWatchingPort();
    if (Destroyed || TimerId != 0 || WakePending)
        return;
    WakePending = true;
    const qint64 since = LastCycle.isValid() ? LastCycle.elapsed() : 50;
    QTimer::singleShot(static_cast<int>(std::max<qint64>(0, 50 - since)), Qt::PreciseTimer, this,
                       [this] {
                           WakePending = false;
                           if (Destroyed || TimerId != 0)
                               return;
                           TimerId = startTimer(50, Qt::PreciseTimer);
                           RunCycle();
                       });
}

void CBriskView::StopWatchingPort() {
    delete PortWatch;
    PortWatch = nullptr;
}

namespace {
template <typename T> void Hold(std::vector<std::pair<int, T>>& held, int id, T value) {
    for (auto& [heldId, heldValue] : held) {
        if (heldId == id) {
            heldValue = std::move(value);
            return;
        }
    }
    held.emplace_back(id, std::move(value));
}

} // namespace

void CBriskView::ForgetHeld(int id) {
    std::erase_if(HeldTexts, [id](const auto& held) { return held.first == id; });
    std::erase_if(HeldLeds, [id](const auto& held) { return held.first == id; });
}

void CBriskView::SetText(int id, const std::u16string& text) {
    if (HoldFields) {
        Hold(HeldTexts, id, QString::fromStdU16String(text));
    } else {
        ForgetHeld(id);
        Form->SetText(id, QString::fromStdU16String(text));
    }
}

void CBriskView::SetInt(int id, int value) {
    if (HoldFields) {
        Hold(HeldTexts, id, QString::number(value));
    } else {
        ForgetHeld(id);
        Form->SetInt(id, value);
    }
}

void CBriskView::HoldLed(int id, Led image) {
    Hold(HeldLeds, id, image);
}

void CBriskView::ShowHeldFieldsPaced() {
    if (HeldTexts.empty() && HeldLeds.empty())
        return;
    if (HeldShow.isActive())
        return; // shown with the next refresh, with whatever later cycles hold by then
    const qint64 since = LastShown.isValid() ? LastShown.elapsed() : FieldRefreshMs;
    if (since >= FieldRefreshMs)
        ShowHeldFields();
    else
        HeldShow.start(static_cast<int>(FieldRefreshMs - since));
}

void CBriskView::ShowHeldFields() {
    if (HeldTexts.empty() && HeldLeds.empty())
        return;
    LastShown.start();
    // The form leaves a field or lamp that shows this already alone.
    for (const auto& [id, text] : HeldTexts)
        Form->SetText(id, text);
    for (const auto& [id, image] : HeldLeds)
        ShowLed(id, image);
    HeldTexts.clear();
    HeldLeds.clear();
}
