#include "platform/FileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIo {

int Open(const std::string& path, int flags, int mode) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int Close(int fd) {
    return ::close(fd);
}

long long ReadAt(int fd, void* data, std::size_t size, long long offset) {
    ssize_t n;
    do {
        n = ::pread(fd, data, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

long long WriteAt(int fd, const void* data, std::size_t size, long long offset) {
    ssize_t n;
    do {
        n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

long long SeekEnd(int fd) {
    return ::lseek(fd, 0, SEEK_END);
}

int Truncate(int fd, long long size) {
    int result;
    do {
        result = ::ftruncate(fd, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result;
}

int SyncData(int fd) {
    return ::fdatasync(fd);
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0700);
}

int Remove(const std::string& path) {
    return ::unlink(path.c_str());
}

int Replace(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}

} // namespace FileIo
