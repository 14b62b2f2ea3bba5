#pragma once

#include "capture/CaptureCycle.h"
#include "capture/PacketTargets.h"
#include "capture/Parse_Data_Pkt.h"
#include "capture/ViewFields.h"
#include "gui/CommandRouter.h"
#include "serial/DeviceDetection.h"
#include "serial/RS232.h"
#include "serial/ReceiverWatch.h"
#include "support/Linescope.h"
#include "targets/Target_App.h"
#include "targets/Target_File.h"
#include "view/DocumentView.h"
#include "view/LED_Ctrl.h"
#include "view/ViewServices.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>
#include <QWidget>
#include <utility>
#include <vector>

class FileDialogs;
class MessageBoxService;
class NoticeService;
class TemplateForm;
class ViewDocument;
class ViewFrame;
class WaitNotifier;

// The program's only view: the form with the status fields, the lamps and the three switches.
// It owns the whole capture machinery and runs the capture cycle from its 50 ms timer. It
// reaches the main frame and the setup document only through ViewFrame and ViewDocument.
class CBriskView : public QWidget, public ViewFields, public PacketOwner, public DocumentView {
    Q_OBJECT
public:
    explicit CBriskView(ViewServices services, QWidget* parent = nullptr);
    ~CBriskView() override;

    ViewFrame* MainFrame = nullptr;   // set in OnInitialUpdate
    ViewDocument* Document = nullptr; // set in OnInitialUpdate
    SetupRecord* Setup = nullptr;
    TemplateForm* Form = nullptr;

    CLinescope TestProgram;
    CLED_Ctrl Leds;
    CParse_Data_Pkt Packet;
    CTarget_App TargetApp;
    CTarget_File TargetFile;
    CRS232 SerialPort;
    CDeviceDetection Device; // DevicePort and DeviceType of the last search
    CReceiverWatch Receiver; // the port the operator wants, while its receiver comes and goes
    CCaptureCycle Capture;   // InTimer, PacketDone, PacketLedState, RxDCount, RxDShown

    int TimerId = 0;
    int BaudRate = 9600, ParityLetter = 'N', DataBits = 8, StopBits = 1;
    int Initialised = 0;
    int AlwaysOnTop = 0;
    int TargetFileEnabled = 1;
    int WaitingNoticeAfterMs = 10000; // a target file busy this long is worth a notice

    CommandTarget Commands; // the view's place in command routing
    // The kinds of file the target file dialogs offer.
    static const QString TargetFileFilter;

    void OnInitialUpdate(ViewFrame* frame, ViewDocument* document);
    // DocumentView
    void ResetView() override;
    void ApplySetup() override;
    void AskAboutWaitingLines() override;
    void ResetFileCounters();
    void ShowFileCounters() override;
    void OnEnableSerialPort();
    void OnSendToApp();
    void OnSendToFile();

    // Targets, Test and toolbar commands.
    void OnSetupParsing();
    void OnSetupSerialPorts();
    void OnSetupPreferences();
    void OnTargetApplication();
    void OnTargetFile();
    void OnDisableTargetFile();
    void OnClearTargetFile();
    void OnClearFileCounters();
    void OnCommTest();
    void OnAlwaysOnTop();
    void OnClearData();

    // The serial port switch is on: the port is open, or its receiver is away and awaited.
    bool SerialWanted() const;
    // "<device> on COM<n>"; DeviceText adds what keeps the receiver away while it is away.
    QString DeviceName() const;
    QString DeviceText() const;
    // Readings that wait for a busy target file: the count in the window, the retries, the
    // notice after a while.
    void ShowWaitingLines();
    // Delivers what an earlier run left waiting, at start.
    void DeliverLeftLines();

    // Colours the error counter while packets have failed.
    void OnCtlColor();
    void OnDestroy();

    // ViewFields
    void SetText(int id, const std::u16string& text) override;
    void SetInt(int id, int value) override;
    void SetLed(int id, Led image) override;
    // PacketOwner
    KeystrokeTarget& AppTarget() override { return TargetApp; }
    FileTarget& DiskTarget() override { return TargetFile; }

    // Runs after each capture cycle (the frame refreshes command states).
    std::function<void()> AfterTick;

    // True while the capture cycle rests: nothing to read, so no timer runs until bytes arrive
    // (or the port opens).
    bool Resting() const { return TimerId == 0 && Initialised == 1; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void OnCommand(int id);
    void RegisterCommands();
    void RunCycle();
    void Rest();
    void Wake();
    void StopWatchingPort();
    void CheckReceiver(bool retry = false);
    void WatchReceiver();
    void ShowReceiverGone();
    void ShowReceiverBack();
    void RetryWaitingLines();
    QString WaitingNotice() const;
    void PostIconMode();
    bool TargetFileChosen() const;
    // The lamp's state in words: tool tip, accessible name and description.
    void DescribeLamp(int id);

    MessageBoxService& Messages;
    NoticeService& Notices;
    FileDialogs& Dialogs;
    WindowSystem& Windows;
    SettingsStore& Settings;
    SerialPortDiscovery& Discovery;
    KeyboardInjector& Keyboard;
    bool AskingToType = false;
    WaitNotifier* PortWatch = nullptr;
    WaitNotifier* ReceiverEvents = nullptr; // the device's folder while the port is wanted
    QTimer ReceiverRetry;                   // a receiver that was there but not ready
    CReceiverWatch::Change ReceiverState = CReceiverWatch::Change::None; // last word of the watch
    QTimer FileRetry;           // once a second while readings wait
    QElapsedTimer WaitingSince; // the current target file's readings wait
    bool WaitingNoticeShown = false;
    QString WaitingNoticeText;
    int WaitingShown = -1; // the waiting count last shown
    QElapsedTimer LastCycle;
    // While a capture cycle runs, what it writes to the fields and lamps is kept and shown when
    // it ends: a lamp that goes yellow and back to green, or a field cleared and filled again,
    // within one cycle is no change on screen and costs no repaint. A reading after a quiet
    // spell shows at once; while readings stream in, the fields change at most five times a
    // second, always ending on the latest (faster, nobody can read them, as on a meter's
    // display, and each change costs a repaint).
    static constexpr int FieldRefreshMs = 200;
    void ShowHeldFieldsPaced();
    void ShowHeldFields();
    QTimer HeldShow;
    QElapsedTimer LastShown;
    void HoldLed(int id, Led image);
    // What the program writes to a field or lamp outside a capture cycle is newer than what a
    // cycle left waiting for it: that is dropped. The fields a cycle writes are written
    // through SetText, SetInt and SetLed for this reason.
    void ForgetHeld(int id);
    void ShowLed(int id, Led image); // the image, its tool tip and its words, now
    bool HoldFields = false;
    std::vector<std::pair<int, QString>> HeldTexts;
    std::vector<std::pair<int, Led>> HeldLeds;
    bool WakePending = false;
    bool Destroyed = false;
    QHash<int, Led> Lamps; // the image each lamp shows
};
