// Readings through the real world's trouble: a receiver unplugged and plugged back, a target
// file that another program holds open.
#include "OtherProgramHolding.h"
#include "ReceiverPort.h"
#include "ReceiverSimulator.h"
#include "resources/CommandIds.h"
#include "resources/ControlIds.h"
#include "serial/SerialTestSupport.h"
#include "view/ViewHarness.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void OpenWithPortAndFile(ViewHarness& h, const QString& target) {
    h.Open([&](SetupRecord& s) {
        s.OpenSerialPort = 1;
        s.OpenWriteToFile = 1;
        std::strcpy(s.TargetFilePath, target.toUtf8().constData());
        std::strcpy(s.TargetFileName, QFileInfo(target).fileName().toUtf8().constData());
    });
}

TEST(ViewDelivery, ReceiverUnpluggedIsTakenBackWhenItReturns) {
    auto sim = std::make_unique<ReceiverSimulator>();
    ASSERT_TRUE(sim->Ok());
    ViewHarness h;
    // As a USB receiver's /dev/serial/by-id name: a link that udev points at each new node.
    const std::string link = h.dir.filePath("usb-Trailnote_Dock-if00").toStdString();
    ASSERT_EQ(symlink(sim->SlavePath().c_str(), link.c_str()), 0);
    const auto replug = [&] {
        unlink(link.c_str());
        sim = std::make_unique<ReceiverSimulator>();
        ASSERT_EQ(symlink(sim->SlavePath().c_str(), link.c_str()), 0);
    };
    MapReceiverAsCom3(h.settings, link);
    h.Start();
    const QString target = h.dir.filePath("readings.csv");
    OpenWithPortAndFile(h, target);
    ASSERT_EQ(h.Field(ctl::Device), "Trailnote USB Dock on COM3");
    sim->SendReading("1.5");
    ASSERT_TRUE(WaitUntil([&] { return Contents(target) == "1.5\r\n"; }));

    // Pulled out in the middle of a reading.
    sim->SendRaw("12.3");
    ASSERT_TRUE(WaitUntil([&] { return h.Field(ctl::InputPacket) == "12.3"; }));
    const int tips = h.frame.trayTipRefreshes;
    sim->Hangup();
    ASSERT_TRUE(WaitUntil([&] { return h.Lamp(ctl::SerialLed) == Led::Yellow; }));
    EXPECT_EQ(h.Field(ctl::Device), "Trailnote USB Dock on COM3 - disconnected, waiting for it");
    EXPECT_TRUE(h.Form().IsChecked(ctl::SerialSwitch)) << "the operator still wants the port";
    EXPECT_EQ(h.Lamp(ctl::PacketLed), Led::Red) << "the half reading is discarded";
    EXPECT_GT(h.frame.trayTipRefreshes, tips);
    EXPECT_EQ(h.notices.Count(NoticeKind::Receiver), 1);
    EXPECT_NE(h.notices.Shown(NoticeKind::Receiver).find(u"disconnected"), std::u16string::npos);
    EXPECT_TRUE(h.messages.shown.empty()) << "no box takes the keyboard while capture runs";

    // Waiting costs nothing: the program sleeps until the device's folder changes.
    const auto before = serialtest::CpuTime();
    Idle(2000);
    EXPECT_LT((serialtest::CpuTime() - before).count(), 200) << "ms of processor time";

    // Plugged in again: a new device node behind the same name.
    replug();
    ASSERT_TRUE(WaitUntil([&] { return h.Lamp(ctl::SerialLed) == Led::Green; }, 4000));
    EXPECT_EQ(h.Field(ctl::Device), "Trailnote USB Dock on COM3");
    EXPECT_EQ(sim->IdentifyCount(), 1) << "identified on its own port";
    EXPECT_EQ(h.notices.Count(NoticeKind::Receiver), 2);
    EXPECT_NE(h.notices.Shown(NoticeKind::Receiver).find(u"back"), std::u16string::npos);
    sim->SendReading("45.6");
    ASSERT_TRUE(WaitUntil([&] { return Contents(target) == "1.5\r\n45.6\r\n"; }))
        << Contents(target).toStdString();

    // Away again, and switched off: the wait ends and nothing reopens by itself.
    sim->Hangup();
    ASSERT_TRUE(WaitUntil([&] { return h.Lamp(ctl::SerialLed) == Led::Yellow; }));
    h.View().OnEnableSerialPort();
    EXPECT_EQ(h.Lamp(ctl::SerialLed), Led::Red);
    EXPECT_FALSE(h.Form().IsChecked(ctl::SerialSwitch));
    EXPECT_EQ(h.Field(ctl::Device), "");
    EXPECT_EQ(h.notices.Shown(NoticeKind::Receiver), u"");
    replug();
    Idle(500);
    EXPECT_EQ(sim->IdentifyCount(), 0);
    EXPECT_FALSE(h.View().SerialPort.IsOpen());
}

TEST(ViewDelivery, ReadingsWaitForABusyTargetFileAndGoInOrder) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    ViewHarness h;
    MapReceiverAsCom3(h.settings, sim.SlavePath());
    h.Start();
    h.View().WaitingNoticeAfterMs = 0;
    const QString target = h.dir.filePath("readings.csv");
    OpenWithPortAndFile(h, target);
    sim.SendReading("1");
    ASSERT_TRUE(WaitUntil([&] { return Contents(target) == "1\r\n"; }));

    {
        OtherProgramHolding holder(target.toStdString());
        sim.SendReading("2");
        sim.SendReading("3");
        ASSERT_TRUE(WaitUntil([&] { return h.frame.waiting == "2 readings waiting"; }));
        EXPECT_EQ(Contents(target), "1\r\n");
        EXPECT_TRUE(h.Form().Control(ctl::FileName)->toolTip().startsWith("2 readings waiting"));
        EXPECT_TRUE(WaitUntil([&] { return h.Field(ctl::FileErrors) == "2"; }));
        // The notice names the program that holds the file (this test's own child).
        ASSERT_TRUE(WaitUntil([&] { return !h.notices.Shown(NoticeKind::WaitingLines).empty(); }));
        const std::u16string notice = h.notices.Shown(NoticeKind::WaitingLines);
        EXPECT_EQ(notice.rfind(u"readings.csv is open in ", 0), 0u)
            << std::string(notice.begin(), notice.end());
        EXPECT_NE(notice.find(u": 2 readings waiting"), std::u16string::npos);
    }
    // Released: the waiting readings go in, in order, before the next new one.
    ASSERT_TRUE(WaitUntil([&] { return Contents(target) == "1\r\n2\r\n3\r\n"; }, 3000));
    EXPECT_EQ(h.frame.waiting, "");
    EXPECT_EQ(h.notices.Shown(NoticeKind::WaitingLines), u"");
    EXPECT_EQ(h.Field(ctl::FileWrites), "3");
    sim.SendReading("4");
    ASSERT_TRUE(WaitUntil([&] { return Contents(target) == "1\r\n2\r\n3\r\n4\r\n"; }));

    // Held again when the operator turns away from the file: he may save what waits elsewhere.
    const QString other = h.dir.filePath("saved.csv");
    {
        OtherProgramHolding holder(target.toStdString());
        sim.SendReading("5");
        ASSERT_TRUE(WaitUntil([&] { return h.frame.waiting == "1 reading waiting"; }));
        h.messages.answers = {MsgAnswer::No};
        h.dialogs.answers = {other};
        ASSERT_TRUE(h.Run(cmd::DisableTargetFile));
        ASSERT_EQ(h.messages.shown.size(), 1u);
        EXPECT_EQ(h.messages.shown[0].style.defaultButton, 0) << "the default keeps them waiting";
        EXPECT_EQ(Contents(other), "5\r\n");
        EXPECT_EQ(h.frame.waiting, "");
    }
    Idle(1200);
    EXPECT_EQ(Contents(target), "1\r\n2\r\n3\r\n4\r\n") << "saved elsewhere, not twice";
}

} // namespace
