#include "app/AppHarness.h"
#include "resources/ControlIds.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

const QString Focus = "Use application with current input focus";

TEST(ViewState, StartUp) {
    AppHarness h;
    h.Start();
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");
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
    EXPECT_EQ(h.Frame().IconMode, 0);
    EXPECT_FALSE(h.Doc().SetupChanged());
}

TEST(ViewState, SecondInitialUpdateDoesNothing) {
    AppHarness h;
    h.Start();
    h.View().OnSendToApp();
    const int timer = h.View().TimerId;
    h.View().OnInitialUpdate(&h.Frame(), &h.Doc());
    EXPECT_EQ(h.View().SendToApp, 1);
    EXPECT_EQ(h.View().TimerId, timer);
}

TEST(ViewState, SwitchesToggleTheirLamps) {
    AppHarness h;
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
        {"inactive.tpln_brisk", [](SetupRecord&) {}, 0, 0, Led::Red, Led::DarkRed, true, false,
         Focus},
        {"active.tpln_brisk", [](SetupRecord& s) { s.OpenAppActive = 1; }, 1, 0, Led::Green,
         Led::DarkRed, true, false, Focus},
        {"titled.tpln_brisk",
         [](SetupRecord& s) {
             s.TargetAppMode = 1;
             std::strcpy(s.TargetAppTitle, "Report \xE9");
         },
         0, 0, Led::Red, Led::DarkRed, true, false, QString::fromUtf8("Report \u00e9")},
        {"disabled.tpln_brisk",
         [](SetupRecord& s) {
             s.OpenAppDisabled = 1;
             s.OpenAppActive = 1;
         },
         0, 0, Led::DarkRed, Led::DarkRed, false, false, ""},
        {"file.tpln_brisk",
         [](SetupRecord& s) {
             std::strcpy(s.TargetFilePath, "/tmp/x/readings.csv");
             std::strcpy(s.TargetFileName, "readings.csv");
         },
         0, 0, Led::Red, Led::Red, true, true, Focus},
        {"writefile.tpln_brisk",
         [](SetupRecord& s) {
             std::strcpy(s.TargetFilePath, "/tmp/x/readings.csv");
             std::strcpy(s.TargetFileName, "readings.csv");
             s.OpenWriteToFile = 1;
         },
         0, 1, Led::Red, Led::Green, true, true, Focus},
        {"nofile.tpln_brisk", [](SetupRecord& s) { s.OpenWriteToFile = 1; }, 0, 1, Led::Red,
         Led::Green, true, false, Focus},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AppHarness h;
        h.Start();
        ASSERT_TRUE(h.app->OpenDocumentFile(h.WriteSetup(r.name, r.edit)));
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
    AppHarness h;
    h.Start();
    h.app->OpenDocumentFile(
        h.WriteSetup("d.tpln_brisk", [](SetupRecord& s) { s.OpenAppDisabled = 1; }));
    EXPECT_EQ(h.Doc().Setup.TargetAppMode, 2);
    EXPECT_TRUE(h.Doc().SetupChanged()) << "the mode change counts as a change";
}

TEST(ViewState, OpenMinimizedShowsTheWindowMinimised) {
    AppHarness h;
    h.Start();
    ASSERT_FALSE(h.Frame().isMinimized());
    h.app->OpenDocumentFile(
        h.WriteSetup("m.tpln_brisk", [](SetupRecord& s) { s.OpenMinimized = 1; }));
    h.Pump();
    EXPECT_TRUE(h.Frame().isMinimized());
    EXPECT_EQ(h.Frame().PendingShowCmd, -1) << "used once";
}

TEST(ViewState, ErrorCounterAlertAndResetView) {
    AppHarness h;
    h.Start();
    const QString target = h.dir.path() + "/no-such-folder/readings.csv";
    h.app->OpenDocumentFile(h.WriteSetup("e.tpln_brisk", [&](SetupRecord& s) {
        std::strcpy(s.TargetFilePath, target.toUtf8().constData());
        std::strcpy(s.TargetFileName, "readings.csv");
        s.OpenWriteToFile = 1;
    }));
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
    EXPECT_FALSE(h.Doc().SetupChanged()) << "the record is the default one again";
}

TEST(ViewState, SerialPortSearchFailureLeavesSwitchOff) {
    AppHarness h;
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

} // namespace

#include "../tools/receiver-sim/ReceiverSimulator.h"

#include <QElapsedTimer>

namespace {

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

// A receiver on a pseudo-terminal mapped as COM3, the only port the search may try.
void MapReceiver(AppHarness& h, const ReceiverSimulator& sim) {
    h.settings.WriteProfileString("SerialDeviceMap", "COM3", sim.SlavePath());
    std::string use(200, '0');
    use[2] = '1';
    h.settings.WriteProfileString("Settings", "InstalledPorts", std::string(200, '1'));
    h.settings.WriteProfileString("Settings", "UsePorts", use);
}

TEST(ViewState, SerialPortOpenedAtFileOpenFindsTheReceiver) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    AppHarness h;
    MapReceiver(h, sim);
    h.Start();
    h.Frame().SetIconMode(1);
    h.app->OpenDocumentFile(h.WriteSetup("port.tpln_brisk", [](SetupRecord& s) {
        s.OpenSerialPort = 1;
        s.ProgramIcon = 1;
    }));
    ASSERT_TRUE(h.View().SerialPort.IsOpen());
    EXPECT_EQ(h.Field(ctl::Device), "Trailnote USB Dock on COM3");
    EXPECT_TRUE(h.Form().IsChecked(ctl::SerialSwitch));
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Green);
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::Red);
    EXPECT_EQ(h.Field(ctl::RxDBuffer), "0");
    EXPECT_EQ(h.settings.GetProfileInt("Settings", "LastPort"), 3);
    EXPECT_EQ(h.Frame().TrayTip(), "  Tapline Brisk\n     Serial Port: COM3 is open  ");

    // With nothing to read the cycle rests; a reading wakes it and goes to the fields.
    h.Pump();
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
    EXPECT_TRUE(h.Frame().TrayTip().endsWith("Closed  "));
}

} // namespace
