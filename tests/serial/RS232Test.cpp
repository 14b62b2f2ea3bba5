#include "serial/RS232.h"
#include "ReceiverSimulator.h"
#include "SerialTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <pty.h>
#include <sys/ioctl.h>
#include <thread>

using namespace std::chrono_literals;
using serialtest::Since;
using serialtest::ThreadCountSettlingAt;

namespace {

// COM1 and COM2 are two silent receivers; every other number has no device.
class RS232Test : public ::testing::Test {
protected:
    RS232Test() {
        port.DevicePath = [this](int n) {
            return n == 1 ? com1.SlavePath() : n == 2 ? com2.SlavePath() : std::string();
        };
    }
    // Opens the port on a pseudo-terminal of its own whose receiver reads nothing; its master
    // side, or -1.
    int OpenLineNobodyReads() {
        int master = -1, slave = -1;
        if (::openpty(&master, &slave, lineName, nullptr, nullptr) != 0)
            return -1;
        ::close(slave);
        port.DevicePath = [this](int) { return std::string(lineName); };
        return port.OpenPort() == 1 ? master : -1;
    }
    char lineName[256] = {};

    void SetUp() override {
        ASSERT_TRUE(com1.Ok());
        ASSERT_TRUE(com2.Ok());
        baseThreads = serialtest::StableThreadCount();
    }
    // Another program (a second driver) trying the device of port n.
    int OtherProgramOpens(int n) {
        CRS232 other;
        other.DevicePath = port.DevicePath;
        other.PortNumber = n;
        return other.OpenPort();
    }
    std::string ReadLineText(int* count) {
        char line[CRS232::LineLimit + 1];
        std::memset(line, 'x', sizeof line);
        *count = port.ReadLine(line);
        return std::string(line, strnlen(line, sizeof line));
    }

    ReceiverSimulator com1{{ReplyMode::Silent}};
    ReceiverSimulator com2{{ReplyMode::Silent}};
    CRS232 port;
    int baseThreads = 0;
};

TEST_F(RS232Test, OpenPortOpensTheMappedDeviceAndStartsOneWriterThread) {
    port.PortNumber = 1;
    ASSERT_EQ(port.OpenPort(), 1);
    EXPECT_EQ(port.IsOpen(), 1);
    EXPECT_EQ(port.PortName, "COM1");
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads + 1), baseThreads + 1);
    EXPECT_EQ(OtherProgramOpens(1), 0) << "the port is this program's alone";
    port.ClosePort();
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads), baseThreads);
    EXPECT_EQ(OtherProgramOpens(1), 1) << "closing lets others have the port";
}

TEST_F(RS232Test, PortsThatCannotBeOpenedLeaveTheDriverClosedWithoutThread) {
    const std::string file = serialtest::TempPath("not-a-port");
    std::ofstream(file) << "data";
    const std::string missing = serialtest::TempPath("no-such-device");
    port.DevicePath = [&](int n) {
        return n == 3 ? missing : n == 4 ? file : n == 1 ? com1.SlavePath() : std::string();
    };
    CRS232 holder;
    holder.DevicePath = port.DevicePath;
    ASSERT_EQ(holder.OpenPort(), 1); // COM1 in use by another driver
    baseThreads = serialtest::StableThreadCount();

    for (const int n : {9, 3, 4, 1, 0, -1, 201}) {
        port.PortNumber = n;
        EXPECT_EQ(port.OpenPort(), 0) << "COM" << n;
        EXPECT_EQ(port.IsOpen(), 0) << "COM" << n;
        EXPECT_EQ(port.PortName, "COM" + std::to_string(n));
        EXPECT_EQ(ThreadCountSettlingAt(baseThreads), baseThreads) << "COM" << n;
        EXPECT_EQ(port.GetRxDCount(), 0u);
    }
    std::ifstream in(file);
    std::string content;
    std::getline(in, content);
    EXPECT_EQ(content, "data") << "a file named in the map is never written to";
}

TEST_F(RS232Test, PortWithoutDeviceLookupCannotBeOpened) {
    CRS232 bare;
    EXPECT_EQ(bare.OpenPort(), 0);
    EXPECT_EQ(bare.IsOpen(), 0);
}

TEST_F(RS232Test, SecondOpenPortClosesTheFirstPortFirst) {
    port.PortNumber = 1;
    ASSERT_EQ(port.OpenPort(), 1);
    port.PortNumber = 2;
    ASSERT_EQ(port.OpenPort(), 1);
    EXPECT_EQ(port.PortName, "COM2");
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads + 1), baseThreads + 1);
    EXPECT_EQ(OtherProgramOpens(1), 1);
    EXPECT_EQ(OtherProgramOpens(2), 0);

    // Reopening the same port works as well.
    ASSERT_EQ(port.OpenPort(), 1);
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads + 1), baseThreads + 1);
}

TEST_F(RS232Test, ClosePortIsHarmlessWhenClosed) {
    port.ClosePort();
    port.PortNumber = 1;
    ASSERT_EQ(port.OpenPort(), 1);
    port.ClosePort();
    port.ClosePort();
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads), baseThreads);
}

TEST_F(RS232Test, DestroyingAnOpenDriverClosesItAndEndsTheThread) {
    {
        CRS232 driver;
        driver.DevicePath = port.DevicePath;
        ASSERT_EQ(driver.OpenPort(), 1);
        EXPECT_EQ(ThreadCountSettlingAt(baseThreads + 1), baseThreads + 1);
    }
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads), baseThreads);
    EXPECT_EQ(OtherProgramOpens(1), 1);
}

TEST_F(RS232Test, ClosedDriverReportsNothing) {
    unsigned char b = 0x55;
    char line[CRS232::LineLimit + 1] = "junk";
    EXPECT_EQ(port.GetRxDCount(), 0u);
    EXPECT_EQ(port.ReadByte(&b), 0);
    EXPECT_EQ(b, 0x55);
    EXPECT_EQ(port.ReadLine(line), 0);
    EXPECT_STREQ(line, "");
}

TEST_F(RS232Test, ReceivedBytesAreCountedAndReadOneAtATime) {
    ASSERT_EQ(port.OpenPort(), 1);
    com1.SendRaw("12.3\r");
    const auto start = std::chrono::steady_clock::now();
    while (port.GetRxDCount() < 5 && Since(start) < 2s)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(port.GetRxDCount(), 5u);
    std::string got;
    unsigned char b;
    ASSERT_EQ(port.ReadByte(&b), 1);
    got += static_cast<char>(b);
    EXPECT_EQ(port.GetRxDCount(), 4u) << "a byte read is no longer counted, the others still are";
    while (port.ReadByte(&b) == 1)
        got += static_cast<char>(b);
    EXPECT_EQ(got, "12.3\r");
    EXPECT_EQ(port.GetRxDCount(), 0u);
    EXPECT_EQ(port.ReadByte(&b), 0);

    // What was received and not yet read is gone once the port closes.
    com1.SendRaw("4.5\r");
    while (port.GetRxDCount() < 4 && Since(start) < 2s)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(port.ReadByte(&b), 1);
    port.ClosePort();
    ASSERT_EQ(port.OpenPort(), 1);
    EXPECT_EQ(port.GetRxDCount(), 0u);
    EXPECT_EQ(port.ReadByte(&b), 0);
}

TEST_F(RS232Test, BytesSentBeforeThePortWasOpenedAreNotReceived) {
    com1.SendRaw("stale\r");
    ASSERT_EQ(port.OpenPort(), 1);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(port.GetRxDCount(), 0u);
}

TEST_F(RS232Test, SendBytesReachesTheLineInOrder) {
    ASSERT_EQ(port.OpenPort(), 1);
    const unsigned char identify[] = {'<', 'V'};
    port.SendBytes(identify, 2);
    ASSERT_TRUE(com1.WaitForReceived(2, 2s));
    EXPECT_EQ(com1.Received(), "<V");
}

TEST_F(RS232Test, FullRingKeepsTheFirst65536BytesOfASend) {
    std::vector<unsigned char> data(70000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i % 251);
    ASSERT_EQ(port.OpenPort(), 1);
    port.SendBytes(data.data(), static_cast<int>(data.size()));
    ASSERT_TRUE(com1.WaitForReceived(65536, 10s));
    std::this_thread::sleep_for(200ms); // anything beyond would have come by now
    const std::string got = com1.Received();
    ASSERT_EQ(got.size(), 65536u) << "4464 bytes are dropped";
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin(), [](char a, unsigned char b) {
        return static_cast<unsigned char>(a) == b;
    }));
}

TEST_F(RS232Test, ClosePortEndsTheWriterWhileTheLineTakesNothing) {
    // A receiver that reads nothing: the line fills up and the writer's write stays pending.
    const int master = OpenLineNobodyReads();
    ASSERT_GE(master, 0);
    std::vector<unsigned char> data(CRS232::TxDBufferSize, 'x');
    for (int i = 0; i < 4; ++i) {
        port.SendBytes(data.data(), static_cast<int>(data.size()));
        std::this_thread::sleep_for(20ms);
    }
    int waiting = 0;
    ASSERT_EQ(::ioctl(master, FIONREAD, &waiting), 0);
    EXPECT_LT(waiting, 4 * CRS232::TxDBufferSize) << "the line took everything; nothing pends";
    port.ClosePort();
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads), baseThreads);
    ::close(master);
}

TEST_F(RS232Test, LineHungUpWithAFullRingIsGoneAndClosesWithoutHanging) {
    // A receiver that reads nothing, then is unplugged while the writer waits on the full line.
    const int master = OpenLineNobodyReads();
    ASSERT_GE(master, 0);
    std::vector<unsigned char> data(CRS232::TxDBufferSize, 'x');
    port.SendBytes(data.data(), static_cast<int>(data.size()));
    port.SendBytes(data.data(), static_cast<int>(data.size()));
    EXPECT_EQ(port.ReceiverGone(), 0);
    ::close(master);

    EXPECT_NE(port.ReceiverGone(), 0);
    port.SendBytes(data.data(), static_cast<int>(data.size()));
    port.ClosePort();
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(port.ReceiverGone(), 0) << "a closed port has no receiver to lose";
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads), baseThreads);
}

TEST_F(RS232Test, EmptySendsAndSendsWhileClosedQueueNothing) {
    const unsigned char early[] = {'E'};
    port.SendBytes(early, 1); // closed
    ASSERT_EQ(port.OpenPort(), 1);
    const unsigned char bytes[] = {'A', 'B'};
    port.SendBytes(bytes, 0);
    port.SendBytes(bytes, -5);
    port.SendBytes(nullptr, 3);
    port.SendBytes(bytes, 2);
    ASSERT_TRUE(com1.WaitForReceived(2, 2s));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(com1.Received(), "AB");
}

TEST_F(RS232Test, ReadLineWithNothingArrivingReturnsEmptyAfterTheTimeOut) {
    ASSERT_EQ(port.OpenPort(), 1);
    const auto start = std::chrono::steady_clock::now();
    int count = -1;
    EXPECT_EQ(ReadLineText(&count), "");
    EXPECT_EQ(count, 0);
    EXPECT_GE(Since(start), 100ms);
    EXPECT_LT(Since(start), 2s);
}

TEST_F(RS232Test, ReadLineOfALoneCR) {
    ASSERT_EQ(port.OpenPort(), 1);
    com1.SendRaw("\r");
    int count = -1;
    EXPECT_EQ(ReadLineText(&count), "\r");
    EXPECT_EQ(count, 1);
}

TEST_F(RS232Test, ReadLineEndsAtCRAndLeavesTheRestQueued) {
    ASSERT_EQ(port.OpenPort(), 1);
    com1.SendRaw("TN-UDCK-00,V1.00\r12.345\r");
    int count = -1;
    EXPECT_EQ(ReadLineText(&count), "TN-UDCK-00,V1.00\r");
    EXPECT_EQ(count, 17);
    EXPECT_EQ(ReadLineText(&count), "12.345\r");
    EXPECT_EQ(count, 7);
}

TEST_F(RS232Test, ReadLineKeeps30CharactersAndDropsThe31st) {
    ASSERT_EQ(port.OpenPort(), 1);
    const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    com1.SendRaw(forty);
    int count = -1;
    EXPECT_EQ(ReadLineText(&count), forty.substr(0, 30));
    EXPECT_EQ(count, 30);
    EXPECT_EQ(ReadLineText(&count), forty.substr(31)) << "what follows the 31st stays queued";
    EXPECT_EQ(count, 9);
}

TEST_F(RS232Test, ReadLineNeverWritesPastA31ByteBuffer) {
    ASSERT_EQ(port.OpenPort(), 1);
    com1.SendRaw(std::string(30, '7') + "\r");
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(port.ReadLine(buffer), 30);
    EXPECT_EQ(std::string(buffer, 30), std::string(30, '7'));
    EXPECT_EQ(buffer[30], '\0');
    EXPECT_EQ(buffer[31], '#');
}

TEST_F(RS232Test, ReadLineTimeOutRestartsAtEveryByte) {
    ASSERT_EQ(port.OpenPort(), 1);
    // The bytes must really leave 60 ms apart; on a machine so busy that the sending thread
    // was held up for most of the time-out, the try proves nothing and is made again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::chrono::steady_clock::time_point> sent;
        std::thread sender([&] {
            const std::string bytes = "1234\r";
            for (std::size_t k = 0; k < bytes.size(); ++k) {
                std::this_thread::sleep_until(start + k * 60ms);
                com1.SendRaw(bytes.substr(k, 1));
                sent.push_back(std::chrono::steady_clock::now());
            }
        });
        int count = -1;
        const std::string line = ReadLineText(&count);
        sender.join();
        bool spaced = true;
        for (std::size_t k = 1; k < sent.size(); ++k)
            spaced = spaced && sent[k] - sent[k - 1] < 90ms;
        if (!spaced) {
            char rest[CRS232::LineLimit + 1];
            while (port.ReadLine(rest) > 0) {
            }
            continue;
        }
        EXPECT_EQ(line, "1234\r");
        EXPECT_EQ(count, 5);
        EXPECT_GE(Since(start), 240ms);
        return;
    }
    GTEST_SKIP() << "the machine was too busy to send bytes 60 ms apart";
}

TEST_F(RS232Test, PulledCableNeitherCrashesNorSpins) {
    ASSERT_EQ(port.OpenPort(), 1);
    com1.SendRaw("12");
    ASSERT_TRUE([&] {
        const auto start = std::chrono::steady_clock::now();
        while (port.GetRxDCount() < 2 && Since(start) < 2s)
            std::this_thread::sleep_for(1ms);
        return port.GetRxDCount() == 2;
    }());
    com1.Hangup();

    const auto cpuBefore = serialtest::CpuTime();
    const auto start = std::chrono::steady_clock::now();
    unsigned char b = 0;
    EXPECT_EQ(port.GetRxDCount(), 0u);
    EXPECT_EQ(port.ReadByte(&b), 0);
    int count = -1;
    EXPECT_EQ(ReadLineText(&count), "");
    EXPECT_EQ(count, 0);
    std::vector<unsigned char> data(70000, '9');
    port.SendBytes(data.data(), static_cast<int>(data.size()));
    std::this_thread::sleep_for(300ms);
    const auto cpu = serialtest::CpuTime() - cpuBefore;
    EXPECT_LT(cpu, Since(start) / 2) << "the driver must wait, not poll, on a dead line";
    EXPECT_EQ(port.IsOpen(), 1);

    port.ClosePort();
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(ThreadCountSettlingAt(baseThreads - 1), baseThreads - 1)
        << "the receiver's own thread ended with it";
}

} // namespace
