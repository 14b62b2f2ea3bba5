#include "platform/ExclusiveFile.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

// The kernel tells a lease holder with SIGIO that another program wants the file; by default
// that signal ends the process. The lease is given up microseconds later anyway, so the signal
// itself is not needed. A handler that someone else installed is left alone.
void IgnoreLeaseBreakSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGIO, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGIO, SIG_IGN);
    });
}

} // namespace

ExclusiveFile::~ExclusiveFile() {
    Close();
}

bool ExclusiveFile::Open(const std::string& path, bool create) {
    Close();
    IgnoreLeaseBreakSignal();
    error_ = 0;
    if (path.empty()) {
        error_ = ENOENT;
        return false;
    }
    const int flags = O_RDWR | O_CLOEXEC | O_NOCTTY | (create ? O_CREAT : 0);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error_ = errno;
        return false;
    }

    bool lease = false;
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        lease = true;
    } else if (errno == EAGAIN || errno == EBUSY) {
        ::close(fd); // another descriptor of the file is open somewhere
        error_ = EBUSY;
        return false;
    } // else: leases not available here; the lock below decides alone

    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        error_ = (errno == EAGAIN || errno == EACCES) ? EBUSY : errno;
        if (lease)
            ::fcntl(fd, F_SETLEASE, F_UNLCK);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    lease_ = lease;
    return true;
}

bool ExclusiveFile::Append(const std::string& bytes) {
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end < 0) {
        error_ = errno;
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (done == bytes.size() && ::fdatasync(fd_) == 0)
        return true;
    if (done == bytes.size())
        error_ = errno;
    // A half-written line, or one the disk could not keep, is cut off again; the caller keeps
    // the line and writes it whole later.
    while (::ftruncate(fd_, end) != 0 && errno == EINTR) {
    }
    return false;
}

void ExclusiveFile::Close() {
    if (fd_ < 0)
        return;
    if (lease_)
        ::fcntl(fd_, F_SETLEASE, F_UNLCK);
    ::close(fd_); // also drops the lock
    fd_ = -1;
    lease_ = false;
}
