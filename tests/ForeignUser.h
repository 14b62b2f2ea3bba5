#pragma once

// Serial devices this process may not use, though the tests run as root: a thread's identity
// for file access (setfsuid) is its own and drops root's override of file modes, so the calling
// thread acts as the user nobody for as long as an ActingAsNobody lives, while the rest of the
// process stays root. Run as another user, the device modes alone refuse.

#include <grp.h>
#include <string>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

// Leaves the device to its group alone (the named group when the process may give it one) and
// returns the name of the group that owns it now.
inline std::string DenyDevice(const std::string& path, const char* groupName) {
    if (::geteuid() == 0) {
        if (const group* g = ::getgrnam(groupName)) [[maybe_unused]]
            const int changed = ::chown(path.c_str(), -1, g->gr_gid);
    }
    ::chmod(path.c_str(), 0060);
    struct stat info {};
    ::stat(path.c_str(), &info);
    const group* owner = ::getgrgid(info.st_gid);
    return owner ? owner->gr_name : std::to_string(info.st_gid);
}

// Open to everyone, nobody included.
inline void AllowDevice(const std::string& path) {
    ::chmod(path.c_str(), 0666);
}

class ActingAsNobody {
public:
    static constexpr unsigned Nobody = 65534;
    ActingAsNobody() {
        if (root_) {
            ::setfsgid(Nobody);
            ::setfsuid(Nobody);
        }
    }
    ~ActingAsNobody() {
        if (root_) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    ActingAsNobody(const ActingAsNobody&) = delete;
    ActingAsNobody& operator=(const ActingAsNobody&) = delete;

private:
    const bool root_ = ::geteuid() == 0;
};
