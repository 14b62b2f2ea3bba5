#include "OtherProgramHolding.h"
#include "TargetFileFixture.h"

namespace {

TEST_F(TargetFileTest, LineEndRules) {
    struct Row {
        std::u16string text;
        const char* bytes;
    } rows[] = {
        {u"12.345\r", "12.345\r\n"},       {u"1.2\t3.4", "1.2\t3.4\r\n"},
        {u"A\r\nB", "A\r\nB\r\n"},         {u"1\n2\r", "12\r\n"},
        {u"a\rb\rc\r", "a\r\nb\r\nc\r\n"}, {u"\u00E9\u2013\r", "\xE9\x13\r\n"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(CTarget_File::LineBytes(r.text), r.bytes);
}

TEST_F(TargetFileTest, CreatesThenAppends) {
    ASSERT_FALSE(fs::exists(file));
    writer.WritePacket(u"12.345\r");
    EXPECT_EQ(Contents(file), "12.345\r\n");
    writer.WritePacket(u"A\r\nB");
    writer.WritePacket(u"x\ry\rz\r");
    EXPECT_EQ(Contents(file), "12.345\r\nA\r\nB\r\nx\r\ny\r\nz\r\n");
    EXPECT_EQ(owner.FileWriteCount, 3);
    EXPECT_EQ(owner.FileErrorCount, 0);
}

TEST_F(TargetFileTest, ExistingFileKeepsItsContents) {
    std::ofstream(file, std::ios::binary) << "header\r\n";
    writer.WritePacket(u"\u00E9");
    EXPECT_EQ(Contents(file), "header\r\n\xE9\r\n");
}

TEST_F(TargetFileTest, EmptyAndLineFeedOnlyPacketsTouchNothing) {
    writer.WritePacket(u"");
    writer.WritePacket(u"\n\n");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(owner.FileWriteCount + owner.FileErrorCount, 0);
}

TEST_F(TargetFileTest, UnopenableFileCountsAsErrorAndTheLineWaits) {
    const fs::path missing = dir / "missing-folder" / "x.csv";
    UseFile(missing);
    writer.WritePacket(u"1\r");
    records.Setup.TargetFilePath[0] = '\0'; // no file named: nothing to wait for
    writer.WritePacket(u"2\r");
    EXPECT_EQ(owner.FileErrorCount, 2);
    EXPECT_EQ(owner.FileWriteCount, 0);
    EXPECT_EQ(writer.Waiting(missing.string()), 1);
    EXPECT_EQ(writer.WaitingTargets(), std::vector<std::string>{missing.string()});

    const fs::path saved = dir / "saved.csv";
    ASSERT_TRUE(writer.MoveWaiting(missing.string(), saved.string()));
    EXPECT_EQ(Contents(saved), "1\r\n");
    EXPECT_EQ(writer.WaitingTotal(), 0);
    EXPECT_EQ(owner.FileWriteCount, 0) << "not written to a target file of the setup";
    EXPECT_TRUE(SpoolFiles(writer.SpoolFolder).empty());
}

TEST_F(TargetFileTest, LinesWaitWhileAnotherProgramHoldsTheFile) {
    writer.WritePacket(u"1\r");
    {
        OtherProgramHolding holder(file);
        writer.WritePacket(u"2\r");
        writer.WritePacket(u"3\r");
        EXPECT_EQ(writer.Waiting(file.string()), 2);
        EXPECT_EQ(owner.FileErrorCount, 2);
        EXPECT_EQ(writer.RetryWaiting(), 0);
        EXPECT_EQ(owner.FileErrorCount, 2) << "retries count nothing";
        EXPECT_FALSE(writer.MoveWaiting(file.string(), file.string()));
        EXPECT_EQ(writer.Waiting(file.string()), 2);
    }
    EXPECT_EQ(writer.RetryWaiting(), 2);
    writer.WritePacket(u"4\r");
    EXPECT_EQ(Contents(file), "1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(owner.FileWriteCount, 4);
    EXPECT_EQ(owner.FileErrorCount, 2);
    EXPECT_EQ(writer.WaitingTotal(), 0);
}

} // namespace
