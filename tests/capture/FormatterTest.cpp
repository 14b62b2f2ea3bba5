#include "capture/Parse_Data_Pkt.h"
#include "fakes/FakePacketOwner.h"
#include "fakes/FakeViewFields.h"
#include "resources/ControlIds.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

std::int64_t MorningOf29April2009() {
    std::tm t{};
    t.tm_year = 109;
    t.tm_mon = 3;
    t.tm_mday = 29;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

class FormatterTest : public ::testing::Test {
protected:
    FormatterTest() {
        records.SetDefaults();
        packet.Owner = &owner;
        packet.Setup = &records.Setup;
        packet.Fields = &fields;
        packet.Now = [this] { return now; };
    }
    void Load(const std::string& bytes) {
        std::copy(bytes.begin(), bytes.end(), packet.PacketBuffer);
        packet.PacketCount = static_cast<int>(bytes.size());
    }
    // Formats and returns the Output Packet field.
    std::string Output(const std::string& bytes) {
        Load(bytes);
        packet.ProcessPacket();
        return fields.Text(ctl::OutputPacket);
    }
    SetupRecord& S() { return records.Setup; }

    SetupRecords records;
    CParse_Data_Pkt packet;
    FakeViewFields fields;
    FakePacketOwner owner;
    std::int64_t now = MorningOf29April2009();
};

TEST_F(FormatterTest, WorkedExamples) {
    struct Row {
        int stamp, position, separator, commasToTabs, crsToTabs, commasToCRs;
        const char* shown;
    } rows[] = {
        {0, 0, ',', 0, 0, 0, "12.345{CR}"},
        {1, 0, ',', 0, 0, 0, "9:05:03 AM,12.345{CR}"},
        {1, 1, ',', 0, 0, 0, "12.345,9:05:03 AM{CR}"},
        {2, 0, ',', 0, 0, 0, "4-29-2009,9:05:03 AM,12.345{CR}"},
        {2, 1, ',', 0, 0, 0, "12.345,4-29-2009,9:05:03 AM{CR}"},
        {1, 0, '\t', 1, 0, 0, "9:05:03 AM{Tab}12.345{CR}"},
        {1, 0, '\t', 1, 1, 0, "9:05:03 AM{Tab}12.345{Tab}"},
        {1, 0, '\r', 0, 0, 1, "9:05:03 AM{CR}12.345{CR}"},
        {0, 1, ',', 0, 0, 0, "12.345{CR}"},
    };
    for (const Row& r : rows) {
        S().StampType = static_cast<std::uint8_t>(r.stamp);
        S().StampPosition = static_cast<std::uint8_t>(r.position);
        S().CommaReplacement = static_cast<std::uint8_t>(r.separator);
        S().CommasToTabs = static_cast<std::uint8_t>(r.commasToTabs);
        S().CRsToTabs = static_cast<std::uint8_t>(r.crsToTabs);
        S().CommasToCRs = static_cast<std::uint8_t>(r.commasToCRs);
        EXPECT_EQ(Output("12.345\r"), r.shown);
        EXPECT_EQ(fields.Text(ctl::InputPacket), "12.345{CR}");
    }
}

TEST_F(FormatterTest, DateOrderSeparatorAnd24HourClock) {
    S().StampType = 2;
    S().DateOrder = 1;
    S().DateSeparator = 1;
    S().TimeFormat = 1;
    EXPECT_EQ(Output("7\r"), "29/4/2009,9:05:03,7{CR}");
}

TEST_F(FormatterTest, OneBytePacketInEveryStampMode) {
    S().StampType = 0;
    EXPECT_EQ(Output("\r"), "{CR}");
    S().StampType = 1;
    S().StampPosition = 0;
    EXPECT_EQ(Output("\r"), "9:05:03 AM,{CR}");
    S().StampPosition = 1;
    EXPECT_EQ(Output("\r"), ",9:05:03 AM{CR}");
}

TEST_F(FormatterTest, HighBytesShownInHexAndDeliveredAsLatin1) {
    owner.SendToApp = 1;
    Output("\x80\xC8\xFF\x7F\x1A\r");
    EXPECT_EQ(fields.Text(ctl::InputPacket), "{80}{c8}{ff}{7f}{EOF}{CR}");
    EXPECT_EQ(fields.Text(ctl::OutputPacket), "{80}{c8}{ff}{7f}{EOF}{CR}");
    ASSERT_EQ(owner.app.packets.size(), 1u);
    EXPECT_EQ(owner.app.packets[0], (std::u16string{0x80, 0xC8, 0xFF, 0x7F, 0x1A, u'\r'}));
}

TEST_F(FormatterTest, ReplacementsApplyInOrderToTheWholeText) {
    S().StampType = 1;
    S().CommaReplacement = ',';
    S().CommasToTabs = 1; // the separator comma becomes a tab too
    EXPECT_EQ(Output("1,2\r"), "9:05:03 AM{Tab}1{Tab}2{CR}");
    S().CommasToTabs = 0;
    S().CommasToCRs = 1;
    S().CRsToTabs = 1; // commas end as tabs, and so does the end character
    EXPECT_EQ(Output("1,2\r"), "9:05:03 AM{Tab}1{Tab}2{Tab}");
}

TEST_F(FormatterTest, NoSeparatorCharacter) {
    S().CommaReplacement = 0;
    S().StampType = 1;
    EXPECT_EQ(Output("5\r"), "9:05:03 AM5{CR}");
    S().StampType = 2; // date and time joined with nothing between them
    EXPECT_EQ(Output("5\r"), "4-29-20099:05:03 AM5{CR}");
    EXPECT_EQ(packet.OutputText.find(u'\0'), std::u16string::npos);
}

TEST_F(FormatterTest, DeliveryFollowsTheSwitches) {
    Output("1\r");
    EXPECT_TRUE(owner.app.packets.empty());
    EXPECT_TRUE(owner.file.packets.empty());
    EXPECT_EQ(owner.countersShown, 0);

    std::vector<std::string> order;
    owner.app.onSend = [&] { order.push_back("app"); };
    owner.file.onWrite = [&] { order.push_back("file"); };
    owner.SendToApp = 1;
    owner.SendToFile = 1;
    S().StampType = 1;
    Output("2\r");
    EXPECT_EQ(order, (std::vector<std::string>{"app", "file"}));
    EXPECT_EQ(owner.app.packets.back(), u"9:05:03 AM,2\r");
    EXPECT_EQ(owner.file.packets.back(), owner.app.packets.back());
    EXPECT_EQ(owner.countersShown, 1);
}

TEST_F(FormatterTest, FullPacketIsFormattedWhole) {
    S().StampType = 2;
    const std::string body(499, '9');
    Output(body + "\r");
    EXPECT_EQ(packet.OutputText.size(), 500u + std::string("4-29-2009,9:05:03 AM,").size());
    EXPECT_EQ(packet.OutputLength, static_cast<int>(packet.OutputText.size()));
}

TEST_F(FormatterTest, ControlNamesAndBrackets) {
    struct Row {
        unsigned c;
        const char* text;
    } rows[] = {{0, "{NUL}"},  {8, "{BkSp}"},  {9, "{Tab}"},  {10, "{LF}"},  {13, "{CR}"},
                {17, "{XON}"}, {19, "{XOFF}"}, {26, "{EOF}"}, {27, "{Esc}"}, {31, "{US}"},
                {127, "{7f}"}, {128, "{80}"},  {200, "{c8}"}, {255, "{ff}"}};
    for (const Row& r : rows) {
        const auto text = CParse_Data_Pkt::BracketText(r.c);
        EXPECT_EQ(std::string(text.begin(), text.end()), r.text);
    }
}

} // namespace
