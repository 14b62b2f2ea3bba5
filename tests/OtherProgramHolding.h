#pragma once

#ifdef _WIN32
#include "windows/OtherProgramHoldingWin32.h"
#else

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Another program (a child process) that holds a file open until this object is destroyed, as
// a spreadsheet holds the file it shows.
class OtherProgramHolding {
public:
    explicit OtherProgramHolding(const std::string& file) {
        int ready[2], release[2];
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(release), 0);
        pid_ = fork();
        if (pid_ == 0) {
            close(release[1]);
            close(ready[0]);
            const int fd = open(file.c_str(), O_RDONLY);
            char c = fd >= 0 ? 'y' : 'n';
            (void)!write(ready[1], &c, 1);
            (void)!read(release[0], &c, 1);
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        char c = 0;
        EXPECT_EQ(read(ready[0], &c, 1), 1);
        EXPECT_EQ(c, 'y') << "the other program could not open " << file;
        close(ready[0]);
        release_ = release[1];
    }
    ~OtherProgramHolding() {
        close(release_);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    OtherProgramHolding(const OtherProgramHolding&) = delete;
    OtherProgramHolding& operator=(const OtherProgramHolding&) = delete;

private:
    pid_t pid_ = -1;
    int release_ = -1;
};

#endif
