#include "platform/PathWatch.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Entries made, removed, renamed or given new owner or mode (udev sets a node's group after
// making it), and the folder itself going away.
constexpr std::uint32_t WatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t FolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

void DiscardEvents(int fd) {
    char buffer[4096];
    while (::read(fd, buffer, sizeof buffer) > 0 || errno == EINTR) {
    }
}

fs::path DeepestExistingFolder(fs::path folder) {
    std::error_code ec;
    while (!fs::is_directory(folder, ec) && folder.has_relative_path())
        folder = folder.parent_path();
    return folder;
}

} // namespace

PathWatch::~PathWatch() {
    Stop();
}

bool PathWatch::Watch(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (path.empty() || ec) {
        Stop();
        return false;
    }
    if (fd_ < 0)
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return false;
    if (watchId_ >= 0)
        ::inotify_rm_watch(fd_, watchId_);
    watchId_ = -1;
    folder_.clear();
    path_ = absolute.lexically_normal().string();
    DiscardEvents(fd_); // what waits concerns the path watched before
    Arm();
    if (watchId_ < 0) {
        Stop();
        return false;
    }
    return true;
}

void PathWatch::Stop() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    watchId_ = -1;
    folder_.clear();
}

bool PathWatch::Arm() {
    bool moved = false;
    // A folder made below the watched one before the new watch was in place sent no event, so
    // after each move the folders are looked at again; the bound only guards against a tree
    // that keeps changing under us.
    for (int round = 0; round < 64; ++round) {
        const fs::path folder = DeepestExistingFolder(fs::path(path_).parent_path());
        if (watchId_ >= 0 && folder.string() == folder_)
            return moved;
        const int id = ::inotify_add_watch(fd_, folder.c_str(), WatchMask);
        if (id < 0) {
            if (errno == ENOENT || errno == ENOTDIR)
                continue; // gone again meanwhile
            return moved;
        }
        if (watchId_ >= 0 && watchId_ != id)
            ::inotify_rm_watch(fd_, watchId_);
        watchId_ = id;
        folder_ = folder.string();
        moved = true;
    }
    return moved;
}

bool PathWatch::TakeEvents() {
    if (fd_ < 0)
        return false;
    if (watchId_ < 0) {
        DiscardEvents(fd_);
        return Arm();
    }
    const fs::path path(path_);
    const fs::path folder(folder_);
    const bool inOwnFolder = path.parent_path() == folder;
    // The name in the watched folder that leads to the path.
    const std::string next =
        inOwnFolder ? path.filename().string() : path.lexically_relative(folder).begin()->string();
    bool changed = false;
    bool rearm = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (watchId_ >= 0 &&
                (event.mask & IN_Q_OVERFLOW || (event.wd == watchId_ && event.mask & FolderGone))) {
                // The folder went (or events were lost): a folder made again under the same
                // name is another inode, so the watch is always made anew.
                ::inotify_rm_watch(fd_, watchId_);
                watchId_ = -1;
                changed = rearm = true;
            } else if (event.wd == watchId_ && event.len > 0 && next == name) {
                changed = true;
                rearm = rearm || !inOwnFolder;
            }
        }
    }
    if (rearm)
        changed = Arm() || changed;
    return changed;
}
