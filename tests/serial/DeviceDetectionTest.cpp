#include "serial/DeviceDetection.h"
#include "ForeignUser.h"
#include "ReceiverSimulator.h"
#include "SerialTestSupport.h"
#include "capture/CaptureCycle.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeNotices.h"
#include "fakes/FakePacketOwner.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "fakes/FakeViewFields.h"
#include "serial/SerialDeviceMap.h"
#include "targets/TextString.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <pwd.h>

using namespace std::chrono_literals;
using serialtest::Since;

namespace {

const std::u16string FailureText =
    u"Cannot find a serial device supported by Tapline Brisk.\n"
    u"\n"
    u"Supported devices include the following:\n"
    u"    - Trailnote USB Dock     \n"
    u"    - Trailnote USB Compact Dock     \n"
    u"    - Trailnote RS-232/USB Dock     \n"
    u"    - Trailnote Keyboard/USB Dock     \n"
    u"    - Skyrell Wireless Relay Station  (discontinued)     \n"
    u"    - Skyrell Wireless USB Dongle  (discontinued)     \n"
    u"    - Trailnote RS-232 Legacy Dock  (discontinued)     \n"
    u"\n"
    u"The baud rate and communication parameters of the connected\n"
    u"serial device must be set to the factory default of 9600-N-8-1.\n"
    u"\n"
    u"Be sure that another application is not currently connected to your serial device.";

// Message boxes that also note themselves in the test's list of events.
class NotedMessages : public FakeMessageBox {
public:
    std::vector<std::string>* events = nullptr;
    MsgAnswer Show(const std::u16string& text, MsgStyle style = {}) override {
        events->push_back(text == FailureText ? "failure message" : "other message");
        return FakeMessageBox::Show(text, style);
    }
};

// Simulated receivers on pseudo-terminals entered in the serial device map as COM<n>. The test
// sees which ports the search opens, in order.
class DeviceDetectionTest : public ::testing::Test {
protected:
    DeviceDetectionTest() {
        port.DevicePath = [this](int n) {
            opened.push_back(n);
            return SerialDeviceMap(settings).PathOf(n);
        };
        detection = std::make_unique<CDeviceDetection>(port, settings, discovery, messages);
        detection->EndWaitCursor = [this] { events.push_back("end wait cursor"); };
        messages.events = &events;
    }

    ReceiverSimulator& Receiver(int com, ReceiverOptions options = {}) {
        auto& sim = receivers[com];
        sim = std::make_unique<ReceiverSimulator>(std::move(options));
        EXPECT_TRUE(sim->Ok());
        settings.values["SerialDeviceMap"]["COM" + std::to_string(com)] = sim->SlavePath();
        return *sim;
    }
    void Silent(int com) { Receiver(com, {ReplyMode::Silent}); }
    void Gone(int com) {
        settings.values["SerialDeviceMap"]["COM" + std::to_string(com)] =
            serialtest::TempPath("unplugged");
    }
    void SetLastPort(int port) { settings.WriteProfileInt("Settings", "LastPort", port); }
    int LastPort() { return settings.GetProfileInt("Settings", "LastPort", -1); }
    int Find() { return detection->FindSerialDevice(); }

    FakeSettingsStore settings;
    FakeSerialPortDiscovery discovery;
    NotedMessages messages;
    CRS232 port;
    std::unique_ptr<CDeviceDetection> detection;
    std::map<int, std::unique_ptr<ReceiverSimulator>> receivers;
    std::vector<int> opened;
    std::vector<std::string> events;
};

TEST_F(DeviceDetectionTest, ReceiverOnTheLastPortIsTheOnlyPortOpened) {
    Receiver(1);
    Receiver(5);
    SetLastPort(5);
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(opened, std::vector<int>{5});
    EXPECT_EQ(LastPort(), 5);
    EXPECT_EQ(detection->DevicePort, 5);
    EXPECT_EQ(detection->DeviceType, 3);
    EXPECT_EQ(detection->GetDeviceName(), u"Trailnote USB Dock");
    EXPECT_EQ(port.IsOpen(), 1);
    EXPECT_EQ(port.PortName, "COM5");
    EXPECT_EQ(receivers[5]->IdentifyCount(), 1);
    EXPECT_EQ(receivers[1]->IdentifyCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(DeviceDetectionTest, MovedReceiverIsFoundAfterTheLastPortAndTheLowerOnes) {
    Silent(1);
    Receiver(2);
    Silent(5);
    SetLastPort(5);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Find(), 1);
    EXPECT_GE(Since(start), 200ms) << "two silent ports, about 100 ms each";
    EXPECT_EQ(opened, (std::vector<int>{5, 1, 2}));
    EXPECT_EQ(LastPort(), 2);
    EXPECT_EQ(detection->DevicePort, 2);
    EXPECT_EQ(port.PortName, "COM2");
    EXPECT_EQ(receivers[5]->Received(), "<V");
    EXPECT_EQ(receivers[1]->Received(), "<V");
}

TEST_F(DeviceDetectionTest, LastPortNoLongerChosenOrInstalledIsNotTriedFirst) {
    Receiver(1);
    Receiver(5);
    SetLastPort(5);
    settings.WriteProfileString("Settings", "InstalledPorts", std::string(200, '1'));
    std::string use(200, '0');
    use[0] = '1';
    settings.WriteProfileString("Settings", "UsePorts", use); // COM5 not chosen
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(opened, std::vector<int>{1});
    EXPECT_EQ(LastPort(), 1);

    port.ClosePort();
    opened.clear();
    SetLastPort(5);
    Gone(5);
    settings.values["Settings"].erase("UsePorts");
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(opened, std::vector<int>{1});
}

TEST_F(DeviceDetectionTest, LastPortOutOfRangeStartsAtCom1) {
    Receiver(1);
    Receiver(3);
    for (const int last : {0, 500, -1, 201}) {
        port.ClosePort();
        opened.clear();
        SetLastPort(last);
        ASSERT_EQ(Find(), 1) << last;
        EXPECT_EQ(opened, std::vector<int>{1}) << last;
        EXPECT_EQ(LastPort(), 1) << last;
    }
}

TEST_F(DeviceDetectionTest, RevisionTwoCompactDockHasTheCompactDockName) {
    Receiver(2, {ReplyMode::Normal, "TN-CDCK-R2,"});
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(detection->DeviceType, 4);
    EXPECT_EQ(detection->GetDeviceName(), u"Trailnote USB Compact Dock");
}

TEST_F(DeviceDetectionTest, ImproperRepliesArePassedOver) {
    Receiver(1, {ReplyMode::Echo});
    Receiver(2, {ReplyMode::LowerCase});
    Receiver(3, {ReplyMode::Short});
    Receiver(4, {ReplyMode::Normal, "TN-XXXX-00,"});
    Receiver(6, {ReplyMode::Normal, "SK-DNGL-00,"});
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(opened, (std::vector<int>{1, 2, 3, 4, 6}));
    EXPECT_EQ(detection->DevicePort, 6);
    EXPECT_EQ(detection->DeviceType, 2);
    EXPECT_EQ(detection->GetDeviceName(), u"USB Dongle");
    for (const int com : {1, 2, 3, 4})
        EXPECT_EQ(receivers[com]->IdentifyCount(), 1) << com;
}

TEST_F(DeviceDetectionTest, NoChosenPortGivesTheMessageAtOnce) {
    SetLastPort(3);
    detection->DevicePort = 7;
    EXPECT_EQ(Find(), 0);
    EXPECT_TRUE(opened.empty()) << "no port was tried, so none was waited for";
    EXPECT_EQ(events,
              (std::vector<std::string>{"other message", "end wait cursor", "failure message"}))
        << "the scan says that no port is installed, then the search fails";
    EXPECT_EQ(messages.shown[0].text,
              u"There are no serial ports installed on this computer.     ");
    EXPECT_EQ(messages.shown[1].style.buttons, MsgButtons::Ok);
    EXPECT_EQ(messages.shown[1].style.icon, MsgIcon::Exclamation);
    EXPECT_EQ(LastPort(), 0);
    EXPECT_EQ(detection->DevicePort, 7);
    EXPECT_EQ(port.IsOpen(), 0);
}

TEST_F(DeviceDetectionTest, NoReceiverAnywhereClosesThePortAndResetsLastPort) {
    Silent(1);
    Receiver(2, {ReplyMode::LowerCase});
    Gone(3);
    SetLastPort(2);
    detection->DevicePort = 9;
    EXPECT_EQ(Find(), 0);
    EXPECT_EQ(opened, (std::vector<int>{2, 1, 2}));
    EXPECT_EQ(events, (std::vector<std::string>{"end wait cursor", "failure message"}));
    EXPECT_EQ(LastPort(), 0);
    EXPECT_EQ(detection->DeviceType, 0);
    EXPECT_EQ(detection->GetDeviceName(), u"");
    EXPECT_EQ(detection->DevicePort, 9);
    EXPECT_EQ(port.IsOpen(), 0);
}

TEST_F(DeviceDetectionTest, PortsWithoutPermissionAreNamedAfterTheFailureMessage) {
    // To a user outside the device's group a receiver there is as good as missing: he must be
    // told why, and how to get in. The groups are the devices' own, whatever they are.
    const std::string com3 = Receiver(3).SlavePath();
    const std::string uucp = DenyDevice(com3, "uucp");
    Silent(5);
    AllowDevice(receivers[5]->SlavePath());
    const std::string com6 = Receiver(6).SlavePath();
    const std::string dialout = DenyDevice(com6, "dialout");
    SetLastPort(3);
    int found = -1;
    {
        ActingAsNobody nobody;
        found = Find();
    }
    EXPECT_EQ(found, 0);
    EXPECT_EQ(opened, (std::vector<int>{3, 3, 5, 6}));
    EXPECT_EQ(receivers[3]->IdentifyCount(), 0);
    EXPECT_EQ(receivers[5]->Received(), "<V") << "an open device is still tried";

    const std::string user = ::getpwuid(::geteuid())->pw_name;
    const bool two = uucp != dialout;
    const std::string paragraph =
        "\n\nTapline Brisk has no permission to open COM3 (" + com3 + ") and COM6 (" + com6 +
        "). To use them, add the user " + user + " to the group" +
        (two ? "s " + uucp + " and " + dialout : " " + uucp) + " (for example: sudo usermod -aG " +
        (two ? uucp + "," + dialout : uucp) + " " + user + "), then log out and log in again.";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(Narrow8(messages.shown[0].text), Narrow8(FailureText) + paragraph);
    EXPECT_EQ(LastPort(), 0);
}

TEST_F(DeviceDetectionTest, PortInUseByAnotherProgramIsPassedOver) {
    Receiver(1);
    Receiver(2);
    CRS232 otherProgram;
    otherProgram.DevicePath = SerialDeviceMap::Lookup(settings);
    ASSERT_EQ(otherProgram.OpenPort(), 1); // holds COM1
    ASSERT_EQ(Find(), 1);
    EXPECT_EQ(detection->DevicePort, 2);
    EXPECT_EQ(receivers[1]->IdentifyCount(), 0);
}

TEST_F(DeviceDetectionTest, ReplyLineWithoutCRIsAcceptedAfterItsTimeOut) {
    Receiver(1, {ReplyMode::NoCR});
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Find(), 1);
    EXPECT_GE(Since(start), 100ms);
    EXPECT_EQ(detection->DeviceType, 3);
}

TEST_F(DeviceDetectionTest, UsesTheSerialDeviceMapWhenTheDriverHasNoLookup) {
    Receiver(4);
    CRS232 driver;
    CDeviceDetection search(driver, settings, discovery, messages);
    ASSERT_EQ(search.FindSerialDevice(), 1);
    EXPECT_EQ(search.DevicePort, 4);
    EXPECT_EQ(driver.PortName, "COM4");
}

TEST_F(DeviceDetectionTest, ReadingsOfTheFoundReceiverReachTheCaptureCycle) {
    ReceiverSimulator& receiver = Receiver(1);
    ASSERT_EQ(Find(), 1);

    SetupRecords records;
    records.SetDefaults();
    CParse_Data_Pkt packet;
    FakeViewFields fields;
    FakePacketOwner owner;
    owner.SendToApp = 1;
    packet.Owner = &owner;
    packet.Setup = &records.Setup;
    packet.Fields = &fields;
    FakeNotices notices;
    CCaptureCycle cycle(port, packet, fields, notices);
    cycle.Setup = &records.Setup;

    receiver.SendReading("12.345");
    receiver.SendReading("6.5");
    const auto start = std::chrono::steady_clock::now();
    while (owner.app.packets.size() < 2 && Since(start) < 5s) {
        std::this_thread::sleep_for(5ms);
        cycle.OnTimer();
    }
    ASSERT_EQ(owner.app.packets.size(), 2u);
    EXPECT_EQ(owner.app.packets[0], u"12.345\r");
    EXPECT_EQ(owner.app.packets[1], u"6.5\r");
}

// Each row of the model table, through the identify exchange on an open port.
TEST_F(DeviceDetectionTest, ModelTable) {
    struct Row {
        const char* reply;
        int type;
        const char16_t* name;
    } rows[] = {
        {"SK-RLAY-00,", 1, u"Skyrell Relay Station"},
        {"SK-DNGL-00,", 2, u"USB Dongle"},
        {"TN-UDCK-00,", 3, u"Trailnote USB Dock"},
        {"TN-CDCK-00,", 4, u"Trailnote USB Compact Dock"},
        {"TN-CDCK-R2,", 4, u"Trailnote USB Compact Dock"},
        {"TN-SDCK-00,", 5, u"Trailnote RS-232/USB Dock"},
        {"TN-LDCK-00,", 6, u"Trailnote RS-232 Legacy Dock"},
        {"TN-UDCK-R2,", 3, u"Trailnote USB Dock"},
        {"TN-SDCK-R2,", 5, u"Trailnote RS-232/USB Dock"},
        {"TN-KDCK-R2,", 7, u"Trailnote Keyboard Dock"},
    };
    ASSERT_EQ(CDeviceDetection::ModelTable().size(), std::size(rows));
    for (const Row& row : rows) {
        Receiver(1, {ReplyMode::Normal, row.reply, "anything after the eleventh"});
        port.PortNumber = 1;
        ASSERT_EQ(port.OpenPort(), 1);
        EXPECT_EQ(detection->IdentifyDevice(), 1) << row.reply;
        EXPECT_EQ(detection->DeviceType, row.type) << row.reply;
        EXPECT_EQ(detection->GetDeviceName(), row.name) << row.reply;
        port.ClosePort();
    }
}

TEST_F(DeviceDetectionTest, IdentifyRefusals) {
    struct Row {
        ReceiverOptions options;
        const char* why;
    } rows[] = {
        {{ReplyMode::Silent}, "silent"},
        {{ReplyMode::Echo}, "echoes the command"},
        {{ReplyMode::Short}, "four-character line"},
        {{ReplyMode::LowerCase}, "identifier in lower case"},
        {{ReplyMode::Normal, "TN-UDCK-00", ""}, "ten characters"},
        {{ReplyMode::Normal, "TN-UDCK-00;"}, "wrong eleventh character"},
        {{ReplyMode::Normal, "XX-UDCK-00,"}, "unknown identifier"},
    };
    for (const Row& row : rows) {
        Receiver(1, row.options);
        port.PortNumber = 1;
        ASSERT_EQ(port.OpenPort(), 1);
        detection->DeviceType = 5;
        EXPECT_EQ(detection->IdentifyDevice(), 0) << row.why;
        EXPECT_EQ(detection->DeviceType, 0) << row.why;
        port.ClosePort();
    }
}

TEST_F(DeviceDetectionTest, DeviceNameOfUnknownTypesIsEmpty) {
    for (const int type : {0, 8, -1, 100}) {
        detection->DeviceType = type;
        EXPECT_EQ(detection->GetDeviceName(), u"") << type;
    }
}

TEST_F(DeviceDetectionTest, FailureMessageText) {
    EXPECT_EQ(CDeviceDetection::FailureMessage(), FailureText);
}

} // namespace
