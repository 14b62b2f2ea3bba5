#include "OtherProgramHolding.h"
#include "fakes/FakePacketOwner.h"
#include "targets/Target_File.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class TargetFileTest : public ::testing::Test {
protected:
    TargetFileTest() {
        records.SetDefaults();
        writer.Owner = &owner;
        writer.Setup = &records.Setup;
        dir = fs::temp_directory_path() / ("target-" + std::to_string(getpid()));
        fs::create_directories(dir);
        UseFile(dir / "readings.csv");
    }
    ~TargetFileTest() override { fs::remove_all(dir); }

    void UseFile(const fs::path& path) {
        file = path;
        std::strncpy(records.Setup.TargetFilePath, path.c_str(), 300);
    }

    SetupRecords records;
    FakePacketOwner owner;
    CTarget_File writer;
    fs::path dir, file;
};

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

TEST_F(TargetFileTest, UnopenableFileCountsAsError) {
    UseFile(dir / "missing-folder" / "x.csv");
    writer.WritePacket(u"1\r");
    records.Setup.TargetFilePath[0] = '\0';
    writer.WritePacket(u"2\r");
    EXPECT_EQ(owner.FileErrorCount, 2);
    EXPECT_EQ(owner.FileWriteCount, 0);
}

TEST_F(TargetFileTest, FileHeldOpenByAnotherProgram) {
    writer.WritePacket(u"1\r");
    {
        OtherProgramHolding holder(file);
        writer.WritePacket(u"2\r");
        writer.WritePacket(u"3\r");
        EXPECT_EQ(owner.FileErrorCount, 2);
        EXPECT_EQ(Contents(file), "1\r\n");
    }
    writer.WritePacket(u"4\r");
    EXPECT_EQ(Contents(file), "1\r\n4\r\n");
    EXPECT_EQ(owner.FileWriteCount, 2);
}

TEST_F(TargetFileTest, FailedWriteLeavesNoHalfLineAndNextPacketTriesAgain) {
    writer.WritePacket(u"first\r");
    const auto before = fs::file_size(file);
    // A child process whose file-size limit lets only 3 more bytes through: the write stops
    // half way, as on a full disk.
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{static_cast<rlim_t>(before + 3), static_cast<rlim_t>(before + 3)};
        setrlimit(RLIMIT_FSIZE, &limit);
        writer.WritePacket(u"12.345\r");
        _exit(owner.FileErrorCount == 1 && owner.FileWriteCount == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure counts as an error, not as written";
    EXPECT_EQ(Contents(file), "first\r\n") << "the partial line was cut off again";

    writer.WritePacket(u"12.345\r");
    EXPECT_EQ(Contents(file), "first\r\n12.345\r\n");
}

} // namespace
