#include "capture/CaptureCycle.h"
#include "fakes/FakeByteSource.h"
#include "fakes/FakeNotices.h"
#include "fakes/FakePacketOwner.h"
#include "fakes/FakeViewFields.h"
#include "resources/ControlIds.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class CaptureCycleTest : public ::testing::Test {
protected:
    CaptureCycleTest() : cycle(port, packet, fields, notices) {
        records.SetDefaults();
        packet.Owner = &owner;
        packet.Setup = &records.Setup;
        packet.Fields = &fields;
        cycle.Setup = &records.Setup;
        owner.SendToApp = 1;
    }

    std::vector<std::string> Delivered() const {
        std::vector<std::string> out;
        for (const auto& p : owner.app.packets)
            out.emplace_back(p.begin(), p.end());
        return out;
    }

    SetupRecords records;
    FakeByteSource port;
    CParse_Data_Pkt packet;
    FakeViewFields fields;
    FakeNotices notices;
    FakePacketOwner owner;
    CCaptureCycle cycle;
};

TEST_F(CaptureCycleTest, EndOfPacketSettingChoosesTheEndingBytes) {
    struct Row {
        int eop;
        const char* input;
        std::vector<std::string> packets;
    } rows[] = {
        {0, "1\t2\r", {"1\t2\r"}}, {1, "1\r2\t", {"1\r2\t"}}, {2, "1\t", {"1\t"}},
        {2, "2\r", {"2\r"}},       {3, "1\r2\t", {}},         {255, "1\r2\t", {}},
    };
    for (const Row& row : rows) {
        owner.app.packets.clear();
        cycle.PacketDone = 1;
        port.queue.clear();
        records.Setup.EndOfPacket = static_cast<std::uint8_t>(row.eop);
        port.Receive(row.input);
        cycle.OnTimer();
        EXPECT_EQ(Delivered(), row.packets) << "EndOfPacket " << row.eop << " input " << row.input;
    }
}

TEST_F(CaptureCycleTest, OutOfRangeEndCharacterDiscardsEvery500Bytes) {
    records.Setup.EndOfPacket = 7;
    port.Receive(std::string(1000, '\r'));
    cycle.OnTimer();
    EXPECT_TRUE(owner.app.packets.empty());
    EXPECT_EQ(cycle.PacketLedState, 3);
    EXPECT_EQ(port.queue.size(), 500u) << "one overflow per cycle";
    cycle.OnTimer();
    EXPECT_TRUE(port.queue.empty());
    EXPECT_TRUE(owner.app.packets.empty());
}

TEST_F(CaptureCycleTest, ZeroBytesAreDroppedButStillStartANewPacket) {
    port.Receive("12.5\r");
    cycle.OnTimer();
    ASSERT_EQ(Delivered(), std::vector<std::string>{"12.5\r"});
    EXPECT_EQ(fields.Text(ctl::OutputPacket), "12.5{CR}");

    port.Receive(std::string("\0", 1));
    cycle.OnTimer();
    EXPECT_EQ(packet.PacketCount, 0);
    EXPECT_EQ(fields.Text(ctl::OutputPacket), "") << "the first byte read clears the output";
    EXPECT_EQ(packet.PacketBuffer[0], 0);

    port.Receive(std::string("7\0.\0"
                             "1\r",
                             6));
    cycle.OnTimer();
    EXPECT_EQ(Delivered().back(), "7.1\r");
}

TEST_F(CaptureCycleTest, PacketBufferLimits) {
    // 499 data bytes and the end character make a complete 500-byte packet.
    port.Receive(std::string(499, 'x') + "\r");
    cycle.OnTimer();
    ASSERT_EQ(owner.app.packets.size(), 1u);
    EXPECT_EQ(owner.app.packets[0].size(), 500u);

    // 500 bytes without an end are discarded; the 501st starts a new packet.
    port.Receive(std::string(500, 'y') + "z\r");
    cycle.OnTimer();
    EXPECT_EQ(owner.app.packets.size(), 1u);
    EXPECT_EQ(cycle.PacketLedState, 3);
    EXPECT_EQ(fields.Text(ctl::InputPacket), "") << "nothing shown after a discard";
    cycle.OnTimer();
    ASSERT_EQ(owner.app.packets.size(), 2u);
    EXPECT_EQ(Delivered()[1], "z\r");
}

TEST_F(CaptureCycleTest, QueuedPacketsAreWorkedOffOnePerTick) {
    port.Receive("1.5\r22.75\r");
    cycle.OnTimer();
    EXPECT_EQ(Delivered(), std::vector<std::string>{"1.5\r"});
    EXPECT_EQ(fields.Text(ctl::RxDBuffer), "6") << "the second packet is still queued";
    cycle.OnTimer();
    EXPECT_EQ(Delivered(), (std::vector<std::string>{"1.5\r", "22.75\r"}));
    EXPECT_EQ(fields.Text(ctl::RxDBuffer), "0");
}

TEST_F(CaptureCycleTest, BytesInBufferCountsPacketInProgressAndIsWrittenOnlyOnChange) {
    port.Receive("12");
    cycle.OnTimer();
    EXPECT_EQ(fields.Text(ctl::RxDBuffer), "2");
    EXPECT_EQ(fields.Text(ctl::InputPacket), "12");
    const int writes = fields.writes[ctl::RxDBuffer];
    cycle.OnTimer(); // nothing new
    cycle.OnTimer();
    EXPECT_EQ(fields.writes[ctl::RxDBuffer], writes);
    port.Receive("3");
    cycle.OnTimer();
    EXPECT_EQ(fields.Text(ctl::RxDBuffer), "3");
    port.Receive("\r");
    cycle.OnTimer();
    EXPECT_EQ(fields.Text(ctl::RxDBuffer), "0")
        << "after a complete packet only queued bytes count";
}

TEST_F(CaptureCycleTest, PacketLampFollowsThePacket) {
    cycle.SetPacketLed(3);
    port.Receive("4");
    cycle.OnTimer();
    EXPECT_EQ(cycle.PacketLedState, 9);
    EXPECT_EQ(fields.leds[ctl::PacketLed], Led::Yellow);
    const int lampWrites = fields.writes[ctl::PacketLed];
    port.Receive("5");
    cycle.OnTimer();
    EXPECT_EQ(fields.writes[ctl::PacketLed], lampWrites) << "yellow is set once per packet";
    port.Receive("\r");
    cycle.OnTimer();
    EXPECT_EQ(cycle.PacketLedState, 5);
    EXPECT_EQ(fields.leds[ctl::PacketLed], Led::Green);
    cycle.OnTimer(); // idle tick keeps the lamp
    EXPECT_EQ(fields.leds[ctl::PacketLed], Led::Green);
}

TEST_F(CaptureCycleTest, ClosedPortDoesNothing) {
    port.open = false;
    port.queue.assign({'1', '\r'});
    cycle.OnTimer();
    EXPECT_TRUE(fields.writes.empty());
    EXPECT_TRUE(owner.app.packets.empty());
}

TEST_F(CaptureCycleTest, ReentryRunsNoSecondCycle) {
    port.Receive("1\r");
    cycle.InTimer = 1;
    cycle.OnTimer();
    EXPECT_TRUE(owner.app.packets.empty());
    EXPECT_EQ(cycle.InTimer, 1) << "a destroyed view stays stopped";

    // A tick that arrives while a delivery is under way (a modal box pumping messages).
    cycle.InTimer = 0;
    owner.app.onSend = [&] {
        port.Receive("2\r");
        cycle.OnTimer();
    };
    cycle.OnTimer();
    EXPECT_EQ(owner.app.packets.size(), 1u);
    EXPECT_EQ(port.queue.size(), 2u);
}

// Told in a notice (no box takes the keyboard while capture runs), for every packet it stops.
TEST_F(CaptureCycleTest, FailingDeliveryIsNoticedAndCaptureGoesOn) {
    owner.app.onSend = [] { throw std::runtime_error("display gone"); };
    port.Receive("1\r2\r3\r");
    cycle.OnTimer();
    EXPECT_EQ(cycle.InTimer, 0);
    ASSERT_EQ(notices.Count(NoticeKind::DeliveryFault), 1);
    EXPECT_NE(notices.Shown(NoticeKind::DeliveryFault).find(u"display gone"), std::u16string::npos);
    cycle.OnTimer();
    EXPECT_EQ(notices.Count(NoticeKind::DeliveryFault), 2);
    owner.app.onSend = nullptr;
    cycle.OnTimer();
    EXPECT_EQ(Delivered(), std::vector<std::string>{"3\r"});
}

} // namespace
