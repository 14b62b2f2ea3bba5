#include "ReceiverSimulator.h"
#include "serial/RS232.h"
#include "serial/TermiosLine.h"

#include <gtest/gtest.h>

namespace {

TEST(LineSettingsTest, BaudRatesOutsideTheListFallBackTo9600) {
    struct Row {
        int asked, expected;
    } rows[] = {
        {300, 300},     {600, 600},     {1200, 1200},     {2400, 2400},
        {4800, 4800},   {9600, 9600},   {14400, 14400},   {19200, 19200},
        {38400, 38400}, {57600, 57600}, {115200, 115200}, {110, 9600},
        {256000, 9600}, {0, 9600},      {-9600, 9600},    {230400, 9600},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BuildLineSettings(row.asked, 'N', 8, 1).BaudRate, row.expected)
            << "asked " << row.asked;
}

TEST(LineSettingsTest, ParityLetters) {
    struct Row {
        int letter, expected;
    } rows[] = {
        {'N', NoParity}, {'O', OddParity}, {'E', EvenParity}, {'M', MarkParity}, {'S', SpaceParity},
        {'n', NoParity}, {'s', NoParity},  {'e', NoParity},   {'X', NoParity},   {0, NoParity},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BuildLineSettings(9600, row.letter, 8, 1).Parity, row.expected)
            << "letter " << row.letter;
}

TEST(LineSettingsTest, StopBitsAndDataBits) {
    struct Row {
        int dataBits, stopBits, byteSize, code;
    } rows[] = {
        {8, 1, 8, OneStopBit},     {8, 2, 8, TwoStopBits}, {5, 15, 5, One5StopBits},
        {8, 3, 8, OneStopBit},     {8, 0, 8, OneStopBit},  {7, 1, 7, OneStopBit},
        {0x107, 1, 7, OneStopBit}, // only the low 8 bits count
    };
    for (const Row& row : rows) {
        const LineSettings s = BuildLineSettings(9600, 'N', row.dataBits, row.stopBits);
        EXPECT_EQ(s.ByteSize, row.byteSize) << row.dataBits << "/" << row.stopBits;
        EXPECT_EQ(s.StopBits, row.code) << row.dataBits << "/" << row.stopBits;
    }
}

TEST(LineSettingsTest, DtrAndRtsRaisedWithoutFlowControl) {
    const LineSettings s = BuildLineSettings(9600, 'N', 8, 1);
    EXPECT_EQ(s.DtrControl, 1);
    EXPECT_EQ(s.RtsControl, 1);
    EXPECT_EQ(s.OutxCtsFlow, 0);
    EXPECT_EQ(s.OutX, 0);
    EXPECT_EQ(s.InX, 0);
}

TEST(LineSettingsTest, TermiosFormOfTheRecord) {
    struct Row {
        LineSettings settings;
        tcflag_t size, parityBits;
        bool cstopb;
        speed_t speed;
    } rows[] = {
        {BuildLineSettings(9600, 'N', 8, 1), CS8, 0, false, B9600},
        {BuildLineSettings(115200, 'O', 7, 2), CS7, PARENB | PARODD, true, B115200},
        {BuildLineSettings(300, 'E', 6, 1), CS6, PARENB, false, B300},
        {BuildLineSettings(1200, 'M', 5, 15), CS5, PARENB | PARODD | CMSPAR, true, B1200},
        {BuildLineSettings(57600, 'S', 8, 15), CS8, PARENB | CMSPAR, false, B57600},
        {BuildLineSettings(14400, 'N', 8, 1), CS8, 0, false, B9600}, // rate set by termios2
        {BuildLineSettings(9600, 'N', 9, 1), CS8, 0, false, B9600},  // no 9-bit characters
    };
    for (const Row& row : rows) {
        struct termios tio {};
        tio.c_cflag = CRTSCTS | PARENB | CSTOPB | CS5;
        tio.c_iflag = IXON | IXOFF;
        tio.c_lflag = ICANON | ECHO;
        ToTermios(row.settings, tio);
        const int baud = row.settings.BaudRate;
        EXPECT_EQ(tio.c_cflag & CSIZE, row.size) << baud;
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), row.parityBits) << baud;
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, row.cstopb) << baud;
        EXPECT_EQ(cfgetospeed(&tio), row.speed) << baud;
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD)) << baud;
        EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u) << baud;
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u) << baud;
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u) << baud;
        EXPECT_EQ(tio.c_cc[VMIN], 0) << baud;
        EXPECT_EQ(tio.c_cc[VTIME], 0) << baud;
        if (row.speed != B9600 || baud == 9600) {
            LineSettings back = FromTermios(tio);
            EXPECT_EQ(back.BaudRate, baud);
            EXPECT_EQ(back.Parity, row.settings.Parity) << baud;
        }
    }
}

// What the opened port reports, read on the master side of the receiver's pseudo-terminal. A
// pty keeps the rate and the stop bits; it always reports 8 data bits without parity.
TEST(LineSettingsTest, OpenPortSetsTheLineUp) {
    struct Row {
        int baud, dataBits, stopBits;
        int rate;
        bool cstopb;
    } rows[] = {
        {9600, 8, 1, 9600, false}, {115200, 7, 2, 115200, true}, {110, 8, 1, 9600, false},
        {300, 5, 15, 300, true},   {19200, 8, 15, 19200, false}, {256000, 6, 3, 9600, false},
        {4800, 8, 2, 4800, true},
    };
    ReceiverSimulator receiver({ReplyMode::Silent});
    ASSERT_TRUE(receiver.Ok());
    CRS232 port;
    port.DevicePath = [&](int) { return receiver.SlavePath(); };
    for (const Row& row : rows) {
        port.BaudRate = row.baud;
        port.DataBits = row.dataBits;
        port.StopBits = row.stopBits;
        ASSERT_EQ(port.OpenPort(), 1);
        struct termios tio {};
        ASSERT_EQ(tcgetattr(receiver.MasterFd(), &tio), 0);
        EXPECT_EQ(FromTermios(tio).BaudRate, row.rate) << row.baud;
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, row.cstopb) << row.baud;
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u) << row.baud;
        port.ClosePort();
    }
}

TEST(LineSettingsTest, RateWithoutTermiosConstantIsAskedForAsCustomRate) {
    ReceiverSimulator receiver({ReplyMode::Silent});
    ASSERT_TRUE(receiver.Ok());
    CRS232 port;
    port.DevicePath = [&](int) { return receiver.SlavePath(); };
    port.BaudRate = 14400;
    ASSERT_EQ(port.OpenPort(), 1);
    EXPECT_EQ(port.LineSettings.BaudRate, 14400);
    bool custom = false;
    const LineSettings seen = ReadLineSettings(receiver.MasterFd(), &custom);
    EXPECT_TRUE(custom); // a pty keeps no custom rate itself, only the request for one
    EXPECT_EQ(seen.ByteSize, 8);
    EXPECT_EQ(seen.Parity, NoParity);
}

} // namespace
