#include "ReceiverPort.h"
#include "ReceiverSimulator.h"
#include "dialogs/Available_SP_Dlg.h"
#include "dialogs/Parse_Setup_Brisk_Dlg.h"
#include "dialogs/PreferencesDlg.h"
#include "dialogs/Target_App_Dlg.h"
#include "gui/TemplateForm.h"
#include "resources/CommandIds.h"
#include "resources/ControlIds.h"
#include "resources/PreferencesTemplate.h"
#include "resources/TargetAppTemplate.h"
#include "view/BriskView.h"
#include "view/ViewHarness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <deque>

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Focus = "Use application with current input focus";

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
    EXPECT_EQ(h.keyboard.beginCalls, 1) << "only switching on asks the desktop";

    // A desktop that refuses typing: the operator is told, the switch stays off.
    h.keyboard.refusal = u"The desktop did not allow typing.";
    qobject_cast<QAbstractButton*>(h.Form().Control(ctl::SendToAppSwitch))->click();
    EXPECT_EQ(h.View().SendToApp, 0);
    EXPECT_FALSE(h.Form().IsChecked(ctl::SendToAppSwitch));
    EXPECT_EQ(h.Lamp(ctl::KeyboardLed), Led::Red);
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].text, h.keyboard.refusal);
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

// Saved with keyboard transfer disabled (its title kept for later) and "send to app active", or
// damaged to a mode no setup holds: opened, such a setup types nowhere, not even into the
// window that its title names.
TEST(ViewState, SetupFileWithKeyboardTransferDisabledTypesNowhere) {
    for (const std::uint8_t mode : {2, 9}) {
        SCOPED_TRACE(mode);
        ViewHarness h;
        h.Start();
        h.windows.Add(7, u"readings.csv - LibreOffice Calc");
        h.windows.foreground = 7;
        SetupRecords records;
        records.SetDefaults();
        records.Setup.TargetAppMode = mode;
        std::strcpy(records.Setup.TargetAppTitle, "readings");
        records.Setup.OpenAppActive = 1;
        const QString path = h.dir.filePath("Line 3.tpln_brisk");
        ASSERT_TRUE(WriteSetupFile(QFile::encodeName(path).toStdString(), records.Setup));
        ASSERT_TRUE(h.OpenFile(path));

        EXPECT_EQ(h.Lamp(ctl::KeyboardLed), Led::DarkRed);
        EXPECT_FALSE(h.Form().IsEnabled(ctl::SendToAppSwitch));
        EXPECT_FALSE(h.Form().IsEnabled(ctl::KbApp));
        EXPECT_EQ(h.Field(ctl::KbApp), "");
        EXPECT_EQ(h.View().SendToApp, 0);
        EXPECT_EQ(h.doc.Setup.TargetAppMode, 2);
        EXPECT_EQ(h.doc.SetupChanged(), mode != 2) << "a damaged mode is put right, and saved";

        // A reading as the capture cycle hands it on: shown, typed nowhere.
        std::memcpy(h.View().Packet.PacketBuffer, "12.5\r", 5);
        h.View().Packet.PacketCount = 5;
        h.View().Packet.ProcessPacket();
        EXPECT_EQ(h.Field(ctl::OutputPacket), "12.5{CR}");
        EXPECT_TRUE(h.keyboard.texts.empty());
        EXPECT_TRUE(h.keyboard.batches.empty());
        EXPECT_EQ(h.keyboard.beginCalls, 0) << "the desktop is not even asked to let us type";
    }
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
    EXPECT_EQ(h.Field(ctl::SerialSwitch), "Enable serial &port");
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Red);
    ASSERT_FALSE(h.messages.shown.empty());
    EXPECT_EQ(h.messages.shown.back().text.rfind(
                  u"Cannot find a serial device supported by Tapline Brisk.\n", 0),
              0u);
}

TEST(ViewState, ReadingsWhileTheDesktopAsksToTypeGoToTheFile) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    ViewHarness h;
    MapReceiverAsCom3(h.settings, sim.SlavePath());
    h.Start();
    // The operator takes a while to answer; the capture goes on meanwhile.
    h.keyboard.whileAsking = [&] {
        sim.SendReading("7.5");
        EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "7.5{CR}"; }));
    };
    const QString target = h.dir.filePath("readings.csv");
    h.Open([&](SetupRecord& s) {
        s.OpenSerialPort = 1;
        s.OpenWriteToFile = 1;
        s.OpenAppActive = 1;
        std::strcpy(s.TargetFilePath, target.toUtf8().constData());
        std::strcpy(s.TargetFileName, "readings.csv");
    });
    EXPECT_EQ(h.keyboard.beginCalls, 1);
    EXPECT_EQ(h.View().SendToApp, 1);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "7.5\r\n");
    EXPECT_EQ(h.Field(ctl::FileWrites), "1");
}

// Readings that stream in change the fields at a pace that can be read, ending on the latest;
// what the program writes meanwhile outside the capture (a closed port) is never undone by a
// reading still waiting to be shown.
TEST(ViewState, StreamedReadingsShowAtAReadablePaceAndEndOnTheLatest) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    ViewHarness h;
    MapReceiverAsCom3(h.settings, sim.SlavePath());
    h.Start();
    h.Open([](SetupRecord& s) { s.OpenSerialPort = 1; });
    ASSERT_TRUE(h.View().SerialPort.IsOpen());
    EXPECT_TRUE(WaitUntil([&] { return h.View().Resting(); }));

    QStringList shown;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20; ++i) {
        sim.SendReading(std::to_string(i));
        while (clock.elapsed() < 50 * (i + 1)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            const QString now = h.Field(ctl::InputPacket);
            if (shown.isEmpty() || shown.back() != now)
                shown.push_back(now);
        }
    }
    EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "19{CR}"; }, 400));
    shown.removeAll(QString());
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), "0{CR}") << "the first reading after a quiet spell shows at once";
    EXPECT_GE(shown.size(), 3) << shown.join(' ').toStdString();
    EXPECT_LE(shown.size(), 7) << "20 readings in a second: " << shown.join(' ').toStdString();

    Idle(250);
    sim.SendReading("20");
    ASSERT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "20{CR}"; }));
    sim.SendReading("21");
    Idle(80); // taken, and waiting to be shown
    h.View().OnClearData();
    Idle(300);
    EXPECT_EQ(h.Field(ctl::InputPacket), "") << "cleared after the reading came";

    sim.SendReading("22");
    ASSERT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "22{CR}"; }));
    sim.SendReading("23");
    Idle(80);
    h.View().OnEnableSerialPort();
    ASSERT_FALSE(h.View().SerialPort.IsOpen());
    Idle(300);
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::DarkRed);
    EXPECT_EQ(h.Field(ctl::RxDBuffer), "");
    EXPECT_EQ(h.Field(ctl::InputPacket), "23{CR}") << "the last reading received";
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

    // Two readings at once: the first at the wake-up, the second a tick (50 ms) later. After a
    // quiet spell the fields show a reading at once.
    h.View().TargetFile.Owner->SendToFile = 0;
    EXPECT_TRUE(WaitUntil([&] { return h.View().Resting(); }));
    Idle(250);
    sim.SendRaw("1.1\r2.2\r");
    QElapsedTimer gap;
    EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "1.1{CR}"; }));
    gap.start();
    EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "2.2{CR}"; }));
    EXPECT_GE(gap.elapsed(), 45) << "one packet per tick";

    // A reading the desktop cannot type: the capture goes on and the operator gets a notice.
    h.windows.Add(7, u"Spreadsheet");
    h.windows.foreground = 7;
    h.View().OnSendToApp();
    h.keyboard.typingWorks = false;
    h.keyboard.failure = u"No key for \u00B0.";
    sim.SendRaw("3.3\r4.4\r");
    EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "4.4{CR}"; }));
    ASSERT_EQ(h.notices.Count(NoticeKind::NotTyped), 2);
    EXPECT_EQ(h.notices.Shown(NoticeKind::NotTyped),
              u"No key for \u00B0.\n\nReadings not typed since the program started: 2")
        << "the second replaces the first";
    EXPECT_TRUE(h.messages.shown.empty()) << "nothing waits for the operator";

    // The switch closes the port again.
    h.View().OnEnableSerialPort();
    EXPECT_FALSE(h.View().SerialPort.IsOpen());
    EXPECT_EQ(h.Field(ctl::Device), "");
    EXPECT_EQ(h.Field(ctl::RxDBuffer), "");
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Red);
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::DarkRed);
    EXPECT_EQ(h.frame.trayTipRefreshes, 2) << "and the closed one";
}

// A whole file; empty when it is missing.
QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A setup whose target file first.csv has one packet written, file sending on.
void OpenWithTargetFile(ViewHarness& h, const QString& path) {
    h.Open([&](SetupRecord& s) {
        std::strcpy(s.TargetFilePath, path.toUtf8().constData());
        std::strcpy(s.TargetFileName, QFileInfo(path).fileName().toUtf8().constData());
        s.OpenWriteToFile = 1;
    });
    h.View().TargetFile.WritePacket(u"1\r");
    h.View().ShowFileCounters();
}

TEST(ViewCommands, NewTargetFileWhileSendingRestartsCountersOnlyForANewName) {
    struct Row {
        const char* name;
        QString answer; // under the harness folder; empty: Cancel
        QString fileName, writes;
    } rows[] = {
        {"cancel", "", "first.csv", "1"},
        {"same name, other case", "sub/FIRST.csv", "FIRST.csv", "1"},
        {"new name", "second.csv", "second.csv", "0"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ViewHarness h;
        h.Start();
        ASSERT_TRUE(QDir(h.dir.path()).mkdir("sub"));
        const QString first = h.dir.path() + "/first.csv";
        OpenWithTargetFile(h, first);
        h.frame.helpContext = 0;
        int during = -1;
        h.dialogs.whileOpen = [&] { during = h.frame.helpContext; };
        const QString target = r.answer.isEmpty() ? first : h.dir.path() + "/" + r.answer;
        h.dialogs.answers << (r.answer.isEmpty() ? QString() : target);

        ASSERT_TRUE(h.Run(cmd::TargetFile));
        ASSERT_EQ(h.dialogs.asked.size(), 1);
        EXPECT_EQ(h.dialogs.asked[0].title, "Target Disk File");
        EXPECT_EQ(h.dialogs.asked[0].folder, first) << "the dialog starts at the current file";
        EXPECT_EQ(h.dialogs.asked[0].filter,
                  "Comma separated (*.csv);;Text files (*.txt);;All files (*)");
        EXPECT_EQ(h.dialogs.asked[0].suffix, "csv");
        EXPECT_EQ(during, help::Main);
        EXPECT_EQ(h.frame.helpContext, 0) << "the context in force before comes back";

        EXPECT_EQ(QString::fromUtf8(h.doc.Setup.TargetFilePath), target);
        EXPECT_EQ(h.Field(ctl::FileName), r.fileName);
        EXPECT_EQ(h.Field(ctl::FileWrites), r.writes);
        EXPECT_EQ(h.View().SendToFile, 1);
        EXPECT_EQ(h.Lamp(ctl::FileLed), Led::Green);
        h.View().TargetFile.WritePacket(u"2\r");
        EXPECT_EQ(Contents(target), target == first ? "1\r\n2\r\n" : "2\r\n");
        EXPECT_EQ(Contents(first), target == first ? "1\r\n2\r\n" : "1\r\n");
    }
}

TEST(ViewCommands, FirstTargetFileArmsTheSwitchAndAPathThatDoesNotFitIsRefused) {
    ViewHarness h;
    h.Start();
    const QString tooLong = h.dir.path() + "/" + QString(300, u'x') + ".csv";
    h.dialogs.answers << tooLong;
    ASSERT_TRUE(h.Run(cmd::TargetFile));
    EXPECT_EQ(h.doc.Setup.TargetFilePath[0], '\0') << "a cut path would name another file";
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].text,
              u"The full path of the target file may have at most 300 characters.\n\n" +
                  tooLong.toStdU16String() + u"     ");
    EXPECT_FALSE(h.Form().IsEnabled(ctl::SendToFileSwitch));

    const QString readings = h.dir.path() + "/readings.csv";
    h.dialogs.answers << readings;
    ASSERT_TRUE(h.Run(cmd::TargetFile));
    EXPECT_EQ(QString::fromUtf8(h.doc.Setup.TargetFilePath), readings);
    EXPECT_STREQ(h.doc.Setup.TargetFileName, "readings.csv");
    EXPECT_EQ(h.Field(ctl::FileName), "readings.csv");
    EXPECT_EQ(h.Field(ctl::FileWrites), "0");
    EXPECT_EQ(h.Field(ctl::FileErrors), "0");
    EXPECT_TRUE(h.Form().IsEnabled(ctl::SendToFileSwitch));
    EXPECT_EQ(h.Lamp(ctl::FileLed), Led::Red);
    EXPECT_TRUE(h.doc.SetupChanged());
}

TEST(ViewCommands, DisableAndClearTargetFile) {
    const std::u16string clearFile = u"Are you sure you want to clear the target file?     ";
    const std::u16string clearCounters = u"Are you sure you want to clear the file counters?     ";
    struct Row {
        const char* name;
        bool withFile; // readings.csv chosen, sending on, one packet written
        std::vector<int> commands;
        std::deque<MsgAnswer> answers; // empty: the default button
        std::vector<std::u16string> questions;
        int sendToFile;
        Led lamp;
        bool switchEnabled, nameEnabled;
        QString fileName, writes;
        bool chooseOn, disableChecked, clearOn; // menu states afterwards
    } rows[] = {
        {"disable twice without a file",
         false,
         {cmd::DisableTargetFile, cmd::DisableTargetFile},
         {},
         {},
         0,
         Led::DarkRed,
         false,
         true,
         "",
         "",
         true,
         false,
         false},
        {"disable while sending",
         true,
         {cmd::DisableTargetFile},
         {},
         {},
         0,
         Led::DarkRed,
         false,
         false,
         "readings.csv",
         "1",
         false,
         true,
         false},
        {"disable and enable again",
         true,
         {cmd::DisableTargetFile, cmd::DisableTargetFile},
         {},
         {},
         0,
         Led::Red,
         true,
         true,
         "readings.csv",
         "1",
         true,
         false,
         true},
        {"clear file, No by default",
         true,
         {cmd::ClearTargetFile},
         {},
         {clearFile},
         1,
         Led::Green,
         true,
         true,
         "readings.csv",
         "1",
         true,
         false,
         true},
        {"clear file, Yes",
         true,
         {cmd::ClearTargetFile},
         {MsgAnswer::Yes},
         {clearFile},
         0,
         Led::DarkRed,
         false,
         true,
         "",
         "",
         true,
         false,
         false},
        {"clear counters, No by default",
         true,
         {cmd::ClearFileCounters},
         {},
         {clearCounters},
         1,
         Led::Green,
         true,
         true,
         "readings.csv",
         "1",
         true,
         false,
         true},
        {"clear counters, Yes",
         true,
         {cmd::ClearFileCounters},
         {MsgAnswer::Yes},
         {clearCounters},
         1,
         Led::Green,
         true,
         true,
         "readings.csv",
         "0",
         true,
         false,
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ViewHarness h;
        h.Start();
        const QString readings = h.dir.path() + "/readings.csv";
        if (r.withFile)
            OpenWithTargetFile(h, readings);
        h.messages.answers = r.answers;
        for (int id : r.commands)
            ASSERT_TRUE(h.Run(id)) << id;

        std::vector<std::u16string> asked;
        for (const auto& shown : h.messages.shown) {
            asked.push_back(shown.text);
            EXPECT_EQ(shown.style.buttons, MsgButtons::YesNo);
            EXPECT_EQ(shown.style.icon, MsgIcon::Question);
            EXPECT_EQ(shown.style.defaultButton, 1) << "No is the default";
        }
        EXPECT_EQ(asked, r.questions);
        EXPECT_EQ(h.View().SendToFile, r.sendToFile);
        EXPECT_EQ(h.Lamp(ctl::FileLed), r.lamp);
        EXPECT_EQ(h.Form().IsEnabled(ctl::SendToFileSwitch), r.switchEnabled);
        EXPECT_EQ(h.Form().IsEnabled(ctl::FileName), r.nameEnabled);
        EXPECT_EQ(h.Field(ctl::FileName), r.fileName);
        EXPECT_EQ(h.Field(ctl::FileWrites), r.writes);
        EXPECT_EQ(h.Ui(cmd::TargetFile).enabled, r.chooseOn);
        EXPECT_TRUE(h.Ui(cmd::DisableTargetFile).enabled);
        EXPECT_EQ(h.Ui(cmd::DisableTargetFile).checked, r.disableChecked);
        EXPECT_EQ(h.Ui(cmd::ClearTargetFile).enabled, r.clearOn);
        EXPECT_EQ(h.Ui(cmd::ClearFileCounters).enabled, r.clearOn);
        if (r.fileName.isEmpty()) {
            const SetupRecord& s = h.doc.Setup;
            EXPECT_TRUE(std::all_of(std::begin(s.TargetFilePath), std::end(s.TargetFilePath),
                                    [](char c) { return c == 0; }));
            EXPECT_TRUE(std::all_of(std::begin(s.TargetFileName), std::end(s.TargetFileName),
                                    [](char c) { return c == 0; }));
        }
        if (r.withFile) {
            EXPECT_EQ(Contents(readings), "1\r\n") << "the file itself is never touched";
        }
    }
}

TEST(ViewCommands, TestProgramAlwaysOnTopAndClear) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    ViewHarness h;
    MapReceiverAsCom3(h.settings, sim.SlavePath());
    h.Start();
    h.View().TestProgram.AppFolder = "/opt/brisk/";
    h.View().OnEnableSerialPort();
    ASSERT_TRUE(h.View().SerialPort.IsOpen());

    // The test program gets the port: it is closed first and stays closed.
    ASSERT_TRUE(h.Run(cmd::CommTest));
    EXPECT_FALSE(h.View().SerialPort.IsOpen());
    EXPECT_FALSE(h.Form().IsChecked(ctl::SerialSwitch));
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Red);
    EXPECT_EQ(h.Field(ctl::Device), "");
    ASSERT_EQ(h.processes.starts.size(), 1u);
    EXPECT_EQ(h.processes.starts[0].program, "/opt/brisk/Linescope");
    EXPECT_EQ(
        h.processes.starts[0].arguments,
        (std::vector<std::string>{"-H", "-ASKWIRELESS", "-C3", "-B9600", "-PN", "-D8", "-S1"}));

    // Clear with the port closed: empty packet fields and a red packet lamp.
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::DarkRed);
    h.Form().SetText(ctl::InputPacket, "12.345{CR}");
    h.Form().SetText(ctl::OutputPacket, "12.345");
    h.View().Packet.PacketCount = 4;
    ASSERT_TRUE(h.Run(cmd::ClearData));
    EXPECT_EQ(h.Field(ctl::InputPacket), "");
    EXPECT_EQ(h.Field(ctl::OutputPacket), "");
    EXPECT_EQ(h.View().Packet.PacketCount, 0);
    EXPECT_EQ(h.View().Capture.PacketLedState, 3);
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::Red);

    EXPECT_FALSE(h.Ui(cmd::AlwaysOnTop).checked);
    ASSERT_TRUE(h.Run(cmd::AlwaysOnTop));
    EXPECT_TRUE(h.Ui(cmd::AlwaysOnTop).checked);
    ASSERT_TRUE(h.Run(cmd::AlwaysOnTop));
    EXPECT_FALSE(h.Ui(cmd::AlwaysOnTop).checked);
    EXPECT_EQ(h.frame.keptOnTop, (std::vector<bool>{true, false}));
}

} // namespace

namespace {

// Runs a command that opens a modal dialog and acts in the dialog once it is up.
template <typename Dialog>
void WhileDialogRuns(ViewHarness& h, int command, const std::function<void(Dialog&)>& act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        acted = true;
        act(*dialog);
    });
    ASSERT_TRUE(h.Run(command));
    EXPECT_TRUE(acted);
}

void Click(TemplateDialog& dialog, int id) {
    dialog.Form().ControlAs<QAbstractButton>(id)->click();
}

// The keyboard target chosen in the dialog: sending stops only when the target changed (the
// title compared without the case of its letters), and the field and lamp follow the mode.
TEST(ViewCommands, TargetApplicationChosenInTheDialog) {
    struct Case {
        const char* what;
        int radio;
        const char* title; // typed into the field for a specific application
        bool stillSending;
        QString field;
        Led lamp;
        bool switchEnabled;
    };
    const Case cases[] = {
        {"same title in other case", idc319::SpecificRadio, "REPORT", true, "REPORT", Led::Green,
         true},
        {"other title", idc319::SpecificRadio, "Logger", false, "Logger", Led::Red, true},
        {"focused window", idc319::FocusRadio, "", false, Focus, Led::Red, true},
        {"disabled", idc319::DisableRadio, "", false, "", Led::DarkRed, false},
    };
    for (const Case& c : cases) {
        ViewHarness h;
        h.Start();
        h.Open([](SetupRecord& r) {
            r.TargetAppMode = 1;
            std::strcpy(r.TargetAppTitle, "Report");
            r.OpenAppActive = 1;
        });
        ASSERT_EQ(h.View().SendToApp, 1) << c.what;
        int helpWhileOpen = 0;
        WhileDialogRuns<CTarget_App_Dlg>(h, cmd::TargetApplication, [&](CTarget_App_Dlg& d) {
            helpWhileOpen = h.frame.helpContext;
            Click(d, c.radio);
            if (c.radio == idc319::SpecificRadio)
                d.Form().ControlAs<QLineEdit>(idc319::AppEdit)->setText(c.title);
            Click(d, idc319::Help);
            Click(d, idc319::Ok);
        });
        EXPECT_EQ(helpWhileOpen, 105) << c.what;
        EXPECT_EQ(h.frame.helpContext, 108) << c.what;
        EXPECT_EQ(h.frame.helpShown, std::vector<int>{105}) << c.what;
        EXPECT_EQ(h.View().SendToApp == 1, c.stillSending) << c.what;
        EXPECT_EQ(h.Field(ctl::KbApp), c.field) << c.what;
        EXPECT_EQ(h.Lamp(ctl::KeyboardLed), c.lamp) << c.what;
        EXPECT_EQ(h.Form().Control(ctl::SendToAppSwitch)->isEnabled(), c.switchEnabled) << c.what;
    }
}

// The setup dialogs run with their help topics; Preferences works on a copy that replaces the
// record only on OK, and the program moves to the tray at once.
TEST(ViewCommands, SetupDialogs) {
    ViewHarness h;
    h.Start();
    const auto record = [&] {
        return std::vector<unsigned char>(h.View().Setup->Bytes(),
                                          h.View().Setup->Bytes() + SetupRecord::Size);
    };
    const std::vector<unsigned char> before = record();
    std::vector<int> helpWhileOpen;
    WhileDialogRuns<CAvailable_SP_Dlg>(h, cmd::SetupSerialPorts, [&](CAvailable_SP_Dlg& d) {
        helpWhileOpen.push_back(h.frame.helpContext);
        d.reject();
    });
    WhileDialogRuns<CParse_Setup_Brisk_Dlg>(h, cmd::SetupParsing, [&](CParse_Setup_Brisk_Dlg& d) {
        helpWhileOpen.push_back(h.frame.helpContext);
        Click(d, idc318::Cancel);
    });
    WhileDialogRuns<CPreferencesDlg>(h, cmd::SetupPreferences, [&](CPreferencesDlg& d) {
        helpWhileOpen.push_back(h.frame.helpContext);
        Click(d, idc318::SystemTray);
        Click(d, idc318::Cancel);
    });
    EXPECT_EQ(helpWhileOpen, (std::vector<int>{100, 109, 110}));
    EXPECT_EQ(h.frame.helpContext, 108);
    EXPECT_EQ(record(), before);

    h.frame.iconModes.clear();
    WhileDialogRuns<CPreferencesDlg>(h, cmd::SetupPreferences, [&](CPreferencesDlg& d) {
        Click(d, idc318::SystemTray);
        Click(d, idc318::Ok);
    });
    EXPECT_EQ(h.View().Setup->ProgramIcon, 1);
    EXPECT_EQ(h.frame.iconModes, std::vector<int>{1});
}

} // namespace
