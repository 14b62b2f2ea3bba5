#include "ReceiverPort.h"
#include "ReceiverSimulator.h"
#include "fakes/FakeKeyboardInjector.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeProcessLauncher.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeViewDocument.h"
#include "fakes/FakeViewFrame.h"
#include "fakes/FakeWindowSystem.h"
#include "gui/TemplateForm.h"
#include "resources/ControlIds.h"
#include "view/BriskView.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Focus = "Use application with current input focus";

// The view on fake services, in a fake frame, showing a fake setup document.
struct ViewHarness {
    FakeSettingsStore settings;
    FakeMessageBox messages;
    FakeSerialPortDiscovery discovery; // finds nothing: tests map their ports by hand
    FakeKeyboardInjector keyboard;
    FakeWindowSystem windows;
    FakeProcessLauncher processes;
    FakeViewFrame frame;
    FakeViewDocument doc;
    QTemporaryDir dir;
    std::unique_ptr<CBriskView> view;

    void Start() {
        view = std::make_unique<CBriskView>(
            ViewServices{settings, messages, discovery, keyboard, windows, processes});
        view->OnInitialUpdate(&frame, &doc);
    }
    // A setup file read: the default record changed by edit.
    void Open(const std::function<void(SetupRecord&)>& edit) {
        SetupRecords records;
        records.SetDefaults();
        edit(records.Setup);
        doc.Open(records.Setup);
    }

    CBriskView& View() { return *view; }
    TemplateForm& Form() { return *view->Form; }
    QString Field(int id) { return Form().Text(id); }

    // The lamp a control shows now.
    Led Lamp(int id) {
        const QImage shown = qobject_cast<QLabel*>(Form().Control(id))->pixmap().toImage();
        for (Led led : {Led::DarkRed, Led::DarkGreen, Led::Red, Led::Yellow, Led::Green})
            if (View().Leds.Image(led).toImage() == shown)
                return led;
        ADD_FAILURE() << "control " << id << " shows no lamp";
        return Led::DarkRed;
    }
};

TEST(ViewState, StartUp) {
    ViewHarness h;
    h.Start();
    EXPECT_EQ(h.frame.title, "Untitled");
    EXPECT_EQ(h.Field(ctl::KbApp), Focus);
    for (int id : {ctl::InputPacket, ctl::OutputPacket, ctl::FileName, ctl::FileWrites,
                   ctl::FileErrors, ctl::Device, ctl::RxDBuffer})
        EXPECT_EQ(h.Field(id), "") << id;
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Red);
    EXPECT_EQ(h.Lamp(ctl::KeyboardLed), Led::Red);
    EXPECT_EQ(h.Lamp(ctl::FileLed), Led::DarkRed);
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::DarkRed);
    for (int id : {ctl::SerialSwitch, ctl::SendToAppSwitch, ctl::SendToFileSwitch})
        EXPECT_FALSE(h.Form().IsChecked(id)) << id;
    EXPECT_TRUE(h.Form().IsEnabled(ctl::SendToAppSwitch));
    EXPECT_FALSE(h.Form().IsEnabled(ctl::SendToFileSwitch)) << "no target file yet";
    EXPECT_EQ(h.frame.iconModes, std::vector<int>{0}) << "on the taskbar";
    EXPECT_FALSE(h.doc.SetupChanged());
}

TEST(ViewState, SecondInitialUpdateDoesNothing) {
    ViewHarness h;
    h.Start();
    h.View().OnSendToApp();
    const int timer = h.View().TimerId;
    h.View().OnInitialUpdate(&h.frame, &h.doc);
    EXPECT_EQ(h.View().SendToApp, 1);
    EXPECT_EQ(h.View().TimerId, timer);
    EXPECT_EQ(h.frame.placed, 1) << "the window is placed once";
    EXPECT_EQ(h.doc.pendingOpens, 1) << "a file named before the view existed is read once";
}

TEST(ViewState, SwitchesToggleTheirLamps) {
    ViewHarness h;
    h.Start();
    h.Form().Control(ctl::SendToAppSwitch)->setFocus();
    qobject_cast<QAbstractButton*>(h.Form().Control(ctl::SendToAppSwitch))->click();
    EXPECT_EQ(h.View().SendToApp, 1);
    EXPECT_TRUE(h.Form().IsChecked(ctl::SendToAppSwitch));
    EXPECT_EQ(h.Lamp(ctl::KeyboardLed), Led::Green);
    qobject_cast<QAbstractButton*>(h.Form().Control(ctl::SendToAppSwitch))->click();
    EXPECT_EQ(h.View().SendToApp, 0);
    EXPECT_EQ(h.Lamp(ctl::KeyboardLed), Led::Red);
}

TEST(ViewState, SetAtFileOpen) {
    struct Row {
        const char* name;
        std::function<void(SetupRecord&)> edit;
        int sendToApp, sendToFile;
        Led keyboard, file;
        bool appEnabled, fileEnabled;
        QString kbApp;
    } rows[] = {
        {"inactive", [](SetupRecord&) {}, 0, 0, Led::Red, Led::DarkRed, true, false, Focus},
        {"active", [](SetupRecord& s) { s.OpenAppActive = 1; }, 1, 0, Led::Green, Led::DarkRed,
         true, false, Focus},
        {"titled",
         [](SetupRecord& s) {
             s.TargetAppMode = 1;
             std::strcpy(s.TargetAppTitle, "Report \xE9");
         },
         0, 0, Led::Red, Led::DarkRed, true, false, QString::fromUtf8("Report \u00e9")},
        {"disabled",
         [](SetupRecord& s) {
             s.OpenAppDisabled = 1;
             s.OpenAppActive = 1;
         },
         0, 0, Led::DarkRed, Led::DarkRed, false, false, ""},
        {"file",
         [](SetupRecord& s) {
             std::strcpy(s.TargetFilePath, "/tmp/x/readings.csv");
             std::strcpy(s.TargetFileName, "readings.csv");
         },
         0, 0, Led::Red, Led::Red, true, true, Focus},
        {"writefile",
         [](SetupRecord& s) {
             std::strcpy(s.TargetFilePath, "/tmp/x/readings.csv");
             std::strcpy(s.TargetFileName, "readings.csv");
             s.OpenWriteToFile = 1;
         },
         0, 1, Led::Red, Led::Green, true, true, Focus},
        {"nofile", [](SetupRecord& s) { s.OpenWriteToFile = 1; }, 0, 1, Led::Red, Led::Green, true,
         false, Focus},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ViewHarness h;
        h.Start();
        h.Open(r.edit);
        EXPECT_EQ(h.View().SendToApp, r.sendToApp);
        EXPECT_EQ(h.View().SendToFile, r.sendToFile);
        EXPECT_EQ(h.Lamp(ctl::KeyboardLed), r.keyboard);
        EXPECT_EQ(h.Lamp(ctl::FileLed), r.file);
        EXPECT_EQ(h.Form().IsEnabled(ctl::SendToAppSwitch), r.appEnabled);
        EXPECT_EQ(h.Form().IsEnabled(ctl::KbApp), r.appEnabled);
        EXPECT_EQ(h.Form().IsEnabled(ctl::SendToFileSwitch), r.fileEnabled);
        EXPECT_EQ(h.Field(ctl::KbApp), r.kbApp);
        EXPECT_EQ(h.Field(ctl::FileName), r.fileEnabled ? "readings.csv" : "");
        EXPECT_EQ(h.Field(ctl::FileWrites), r.fileEnabled ? "0" : "");
    }
}

TEST(ViewState, DisabledKeyboardTargetIsStoredInTheSetup) {
    ViewHarness h;
    h.Start();
    h.Open([](SetupRecord& s) { s.OpenAppDisabled = 1; });
    EXPECT_EQ(h.doc.Setup.TargetAppMode, 2);
    EXPECT_TRUE(h.doc.SetupChanged()) << "the mode change counts as a change";
}

TEST(ViewState, ErrorCounterAlertAndResetView) {
    ViewHarness h;
    h.Start();
    const QString target = h.dir.path() + "/no-such-folder/readings.csv";
    h.Open([&](SetupRecord& s) {
        std::strcpy(s.TargetFilePath, target.toUtf8().constData());
        std::strcpy(s.TargetFileName, "readings.csv");
        s.OpenWriteToFile = 1;
    });
    auto* errors = qobject_cast<QLineEdit*>(h.Form().Control(ctl::FileErrors));
    const QColor normal = errors->palette().color(QPalette::Base);
    h.View().TargetFile.WritePacket(u"1\r");
    h.View().ShowFileCounters();
    EXPECT_EQ(h.Field(ctl::FileErrors), "1");
    EXPECT_EQ(errors->palette().color(QPalette::Base), QColor(255, 154, 154));

    h.View().ResetView();
    EXPECT_EQ(h.Field(ctl::FileErrors), "");
    EXPECT_EQ(h.Field(ctl::FileName), "");
    EXPECT_EQ(errors->palette().color(QPalette::Base), normal);
    EXPECT_EQ(h.View().SendToFile, 0);
    EXPECT_EQ(h.Lamp(ctl::FileLed), Led::DarkRed);
    EXPECT_FALSE(h.Form().IsEnabled(ctl::SendToFileSwitch));
    EXPECT_FALSE(h.doc.SetupChanged()) << "the record is the default one again";
}

TEST(ViewState, SerialPortSearchFailureLeavesSwitchOff) {
    ViewHarness h;
    h.Start();
    h.View().OnEnableSerialPort(); // nothing mapped: no port at all
    EXPECT_FALSE(h.View().SerialPort.IsOpen());
    EXPECT_FALSE(h.Form().IsChecked(ctl::SerialSwitch));
    EXPECT_EQ(h.Field(ctl::SerialSwitch), "Enable serial port");
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Red);
    ASSERT_FALSE(h.messages.shown.empty());
    EXPECT_EQ(h.messages.shown.back().text.rfind(
                  u"Cannot find a serial device supported by Tapline Brisk.\n", 0),
              0u);
}

// Runs the event loop until cond holds, for at most two seconds.
bool WaitUntil(const std::function<bool()>& cond) {
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.elapsed() > 2000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

TEST(ViewState, SerialPortOpenedAtFileOpenFindsTheReceiver) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    ViewHarness h;
    MapReceiverAsCom3(h.settings, sim.SlavePath());
    h.Start();
    h.Open([](SetupRecord& s) {
        s.OpenSerialPort = 1;
        s.ProgramIcon = 1;
    });
    ASSERT_TRUE(h.View().SerialPort.IsOpen());
    EXPECT_EQ(h.Field(ctl::Device), "Trailnote USB Dock on COM3");
    EXPECT_TRUE(h.Form().IsChecked(ctl::SerialSwitch));
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Green);
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::Red);
    EXPECT_EQ(h.Field(ctl::RxDBuffer), "0");
    EXPECT_EQ(h.settings.GetProfileInt("Settings", "LastPort"), 3);
    EXPECT_EQ(h.frame.trayTipRefreshes, 1) << "the tray tip follows the open port";
    EXPECT_EQ(h.frame.waitCursors, 0) << "the wait cursor ends with the search";

    // With nothing to read the cycle rests; a reading wakes it and goes to the fields.
    EXPECT_TRUE(WaitUntil([&] { return h.View().Resting(); }));
    sim.SendReading("12.345");
    EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "12.345{CR}"; }));
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::Green);

    // Two readings at once: the first at the wake-up, the second a tick (50 ms) later.
    h.View().TargetFile.Owner->SendToFile = 0;
    EXPECT_TRUE(WaitUntil([&] { return h.View().Resting(); }));
    sim.SendRaw("1.1\r2.2\r");
    QElapsedTimer gap;
    EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "1.1{CR}"; }));
    gap.start();
    EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "2.2{CR}"; }));
    EXPECT_GE(gap.elapsed(), 45) << "one packet per tick";

    // The switch closes the port again.
    h.View().OnEnableSerialPort();
    EXPECT_FALSE(h.View().SerialPort.IsOpen());
    EXPECT_EQ(h.Field(ctl::Device), "");
    EXPECT_EQ(h.Field(ctl::RxDBuffer), "");
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Red);
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::DarkRed);
    EXPECT_EQ(h.frame.trayTipRefreshes, 2) << "and the closed one";
}

} // namespace
