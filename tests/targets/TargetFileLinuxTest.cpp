#include "OtherProgramHolding.h"
#include "TargetFileFixture.h"
#include "platform/FileHolders.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// From here on the process dies the moment it tries to remove a file, as it would if the
// power went off right there.
void DieOnUnlink() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_unlink, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_unlinkat, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        _exit(3);
}

TEST_F(TargetFileTest, OtherProgramHoldingTheFileIsNamed) {
    writer.WritePacket(u"1\r");
    {
        OtherProgramHolding holder(file);
        std::string self; // the holder is a fork of this program
        std::getline(std::ifstream("/proc/self/comm"), self);
        EXPECT_EQ(ProgramsHolding(file), std::vector<std::string>{self});
    }
    EXPECT_TRUE(ProgramsHolding(file).empty());
}

TEST_F(TargetFileTest, ReaderOpeningTheFileWheneverItGrowsLosesNoLine) {
    std::ofstream{file};
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(inotify_add_watch(watch, file.c_str(), IN_MODIFY), 0);
    std::atomic<bool> stop = false;
    std::thread indexer([&] {
        pollfd ready{watch, POLLIN, 0};
        char buffer[4096];
        while (!stop) {
            if (poll(&ready, 1, 10) <= 0)
                continue;
            while (read(watch, buffer, sizeof buffer) > 0) {
            }
            const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
            while (fd >= 0 && read(fd, buffer, sizeof buffer) > 0) {
            }
            if (fd >= 0)
                close(fd);
        }
    });
    for (int i = 0; i < 400; ++i)
        writer.WritePacket(Reading(i));
    stop = true;
    indexer.join();
    close(watch);
    for (int tries = 0; tries < 10 && writer.WaitingTotal() > 0; ++tries)
        writer.RetryWaiting();

    EXPECT_EQ(Contents(file), Lines(0, 400));
    EXPECT_EQ(owner.FileWriteCount, 400);
    EXPECT_EQ(writer.WaitingTotal(), 0);
}

TEST_F(TargetFileTest, LinesOfAKilledRunAreDeliveredAtTheNextStart) {
    std::ofstream{file};
    auto holder = std::make_unique<OtherProgramHolding>(file);
    int taken[2];
    ASSERT_EQ(pipe(taken), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(taken[0]);
        for (int i = 0;; ++i) {
            writer.WritePacket(Reading(i));
            (void)!write(taken[1], "t", 1);
        }
    }
    close(taken[1]);
    int reported = 0;
    char c;
    while (reported < 20 && read(taken[0], &c, 1) == 1)
        ++reported;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(taken[0]);
    holder.reset();

    // This process wrote nothing itself: its writer is the next start.
    const int found = writer.LoadSpools();
    EXPECT_GE(found, reported) << "every line the killed run had taken";
    EXPECT_EQ(writer.Waiting(file), found);
    EXPECT_EQ(writer.RetryWaiting(), found);
    EXPECT_EQ(Contents(file), Lines(0, found));
    EXPECT_TRUE(SpoolFiles(writer.SpoolFolder).empty());
}

TEST_F(TargetFileTest, CrashBetweenAppendAndSpoolRemovalDoesNotDoubleLines) {
    writer.WritePacket(u"1\r");
    {
        OtherProgramHolding holder(file);
        writer.WritePacket(u"2\r");
        writer.WritePacket(u"3\r");
    }
    const pid_t child = fork();
    if (child == 0) {
        DieOnUnlink();
        writer.RetryWaiting();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) << "died removing the spool";
    ASSERT_EQ(Contents(file), "1\r\n2\r\n3\r\n");
    ASSERT_EQ(SpoolFiles(writer.SpoolFolder).size(), 1u);

    CTarget_File next;
    Attach(next);
    EXPECT_EQ(next.LoadSpools(), 0);
    next.RetryWaiting();
    next.WritePacket(u"4\r");
    EXPECT_EQ(Contents(file), "1\r\n2\r\n3\r\n4\r\n");
    EXPECT_TRUE(SpoolFiles(next.SpoolFolder).empty());
}

TEST_F(TargetFileTest, FullDiskLeavesNoHalfLineAndTheLineWaitsForSpace) {
    writer.WritePacket(u"first\r");
    const auto before = fs::file_size(file);
    // A child process whose file-size limit lets only 3 more bytes through: the write stops
    // half way, as on a full disk, and the spool cannot grow either.
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{static_cast<rlim_t>(before + 3), RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limit);
        writer.WritePacket(u"12.345\r");
        int wrong = 0;
        if (Contents(file) != "first\r\n")
            wrong |= 1; // the half line was not cut off
        if (owner.FileErrorCount != 1 || owner.FileWriteCount != 1 || writer.Waiting(file) != 1)
            wrong |= 2;
        if (writer.SpoolError() != EFBIG)
            wrong |= 4;
        limit.rlim_cur = RLIM_INFINITY; // space again
        setrlimit(RLIMIT_FSIZE, &limit);
        writer.WritePacket(u"next\r");
        if (writer.WaitingTotal() != 0 || writer.SpoolError() != 0 || owner.FileWriteCount != 3)
            wrong |= 8;
        _exit(wrong);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Contents(file), "first\r\n12.345\r\nnext\r\n");
}

TEST_F(TargetFileTest, TornSpoolRecordIsCutOffAndLaterLinesReadBack) {
    // Escapes in the path and in the lines: tab, line feed, backslash, NUL, CR.
    const fs::path folder = dir / "not\tthere\nyet\\";
    UseFile(folder / "r.csv");
    writer.WritePacket(u"a\\b\tc\r");
    writer.WritePacket(std::u16string(u"n\0l\rx", 5));
    const std::vector<fs::path> spools = SpoolFiles(writer.SpoolFolder);
    ASSERT_EQ(spools.size(), 1u);
    // A crash in the middle of the next append: the first half of a record like the others.
    const std::string kept = Contents(spools[0]);
    std::ofstream(spools[0], std::ios::binary | std::ios::app)
        << kept.substr(0, kept.find('\n') / 2);

    CTarget_File second;
    Attach(second);
    EXPECT_EQ(second.LoadSpools(), 2);
    second.WritePacket(u"3\r");
    EXPECT_EQ(second.Waiting(file), 3);

    CTarget_File third;
    Attach(third);
    EXPECT_EQ(third.LoadSpools(), 3);
    fs::create_directories(folder);
    EXPECT_EQ(third.RetryWaiting(), 3);
    EXPECT_EQ(Contents(file), "a\\b\tc\r\n" + std::string("n\0l", 3) + "\r\nx\r\n3\r\n");
}

} // namespace
