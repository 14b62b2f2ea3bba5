#include "PtyLine.h"
#include "capture/CaptureCycle.h"
#include "fakes/FakeNotices.h"
#include "fakes/FakePacketOwner.h"
#include "fakes/FakeViewFields.h"
#include "serial/RS232.h"

#include <cerrno>
#include <chrono>
#include <sstream>
#include <thread>
#include <windows.h>

// The Windows serial driver on a line whose far end is a pseudo-terminal (COM5, made by the
// test runner).

namespace {

constexpr int Com = 5;

class RS232WineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(line.Ready()) << "run under tests/windows/run-wine --pty 5";
        port.PortNumber = Com;
    }

    PtyLine line{Com};
    CRS232 port;
};

TEST_F(RS232WineTest, ReadingThroughTheCaptureCycleArrivesByteExact) {
    SetupRecords records;
    records.SetDefaults();
    CParse_Data_Pkt packet;
    FakeViewFields fields;
    FakeNotices notices;
    FakePacketOwner owner;
    CCaptureCycle cycle(port, packet, fields, notices);
    packet.Owner = &owner;
    packet.Setup = &records.Setup;
    packet.Fields = &fields;
    cycle.Setup = &records.Setup;
    owner.SendToApp = 1;
    ASSERT_EQ(port.OpenPort(), 1);

    // Every byte value a reading may carry, and a second reading right behind the first.
    std::string reading = "12.345";
    for (int c = 0x20; c < 0x100; ++c)
        if (c != '\r' && c != '\t')
            reading += static_cast<char>(c);
    line.Send(reading + "\r-0.5\r");
    // The view sleeps until the port says bytes came.
    ASSERT_EQ(::WaitForSingleObject(port.Handle(), 3000), WAIT_OBJECT_0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (owner.app.packets.size() < 2 && std::chrono::steady_clock::now() < end) {
        cycle.OnTimer();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(owner.app.packets.size(), 2u);
    std::string first;
    for (const char16_t c : owner.app.packets[0])
        first += static_cast<char>(c);
    EXPECT_EQ(first, reading + "\r");
    EXPECT_EQ(owner.app.packets[1], u"-0.5\r");
}

TEST_F(RS232WineTest, IdentifyCommandReachesTheLineAndItsReplyIsRead) {
    ASSERT_EQ(port.OpenPort(), 1);
    const unsigned char bytes[] = {'<', 'V'};
    port.SendBytes(bytes, 2);
    EXPECT_EQ(line.Received(2), "<V");

    line.AnswerIdentify("\rTN-UDCK-00,1.04\r");
    char reply[CRS232::LineLimit + 1] = {};
    port.SendBytes(bytes, 2);
    EXPECT_EQ(port.ReadLine(reply), 1);
    EXPECT_STREQ(reply, "\r");
    EXPECT_EQ(port.ReadLine(reply), 16);
    EXPECT_STREQ(reply, "TN-UDCK-00,1.04\r");
}

TEST_F(RS232WineTest, LineSettingsAreWhatTheLineGets) {
    // A pseudo-terminal keeps the rate and the stop bits it is given; it always reports 8 data
    // bits without parity, so parity is asked for here but cannot be seen.
    struct Row {
        int baud, parity, stop;
        const char* seen; // rate and stop bits
    } rows[] = {
        {9600, 'N', 1, "9600 1"},
        {19200, 'E', 1, "19200 1"},
        {115200, 'O', 2, "115200 2"},
        {110, 'x', 3, "9600 1"}, // outside the lists: the defaults
    };
    for (const Row& row : rows) {
        port.BaudRate = row.baud;
        port.ParityLetter = row.parity;
        port.StopBits = row.stop;
        ASSERT_EQ(port.OpenPort(), 1);
        std::istringstream settings(line.Settings());
        std::string baud, parity, bits, stop;
        settings >> baud >> parity >> bits >> stop;
        EXPECT_EQ(baud + " " + stop, row.seen) << row.baud << " " << char(row.parity);
        port.ClosePort();
    }
}

TEST_F(RS232WineTest, MissingPortIsNoDevice) {
    CRS232 missing;
    missing.PortNumber = 77;
    EXPECT_EQ(missing.OpenPort(), 0);
    EXPECT_EQ(missing.OpenError, ENODEV);
    EXPECT_EQ(missing.IsOpen(), 0);
}

TEST_F(RS232WineTest, PortHeldByAnotherOpenIsBusy) {
    // Windows gives a serial port to one opener only. Wine does not enforce that for the
    // Unix devices it maps, so there is nothing to observe under it.
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr)
        GTEST_SKIP() << "Wine shares serial ports between openers";
    ASSERT_EQ(port.OpenPort(), 1);
    CRS232 other;
    other.PortNumber = Com;
    EXPECT_EQ(other.OpenPort(), 0);
    EXPECT_EQ(other.OpenError, EBUSY);
    EXPECT_EQ(other.IsOpen(), 0);
    port.ClosePort();
    EXPECT_EQ(other.OpenPort(), 1) << "free again once closed";
}

} // namespace
