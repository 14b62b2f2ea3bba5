#include "serial/PortAccess.h"

#include "targets/TextString.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "a", "a and b", "a, b and c".
std::string Enumerate(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

std::string UserName() {
    const passwd* user = ::getpwuid(::geteuid());
    return user != nullptr && user->pw_name != nullptr ? user->pw_name
                                                       : std::to_string(::geteuid());
}

} // namespace

bool CPortAccess::MayOpen(const std::string& device) {
    // The effective user, as open() would be judged.
    if (::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0)
        return true;
    return errno != EACCES && errno != EPERM;
}

std::string CPortAccess::GroupOf(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return {};
    const group* owner = ::getgrgid(info.st_gid);
    return owner != nullptr && owner->gr_name != nullptr ? owner->gr_name
                                                         : std::to_string(info.st_gid);
}

std::u16string CPortAccess::NoPermissionParagraph(const std::vector<DeniedPort>& ports) {
    if (ports.empty())
        return {};
    std::vector<std::string> named, groups;
    for (const DeniedPort& p : ports) {
        named.push_back("COM" + std::to_string(p.port) + " (" + p.device + ")");
        const std::string group = GroupOf(p.device);
        if (!group.empty() && std::find(groups.begin(), groups.end(), group) == groups.end())
            groups.push_back(group);
    }
    const std::string user = UserName();
    std::string text = "\n\nTapline Brisk has no permission to open " + Enumerate(named) + ". ";
    text += ports.size() == 1 ? "To use it, " : "To use them, ";
    if (groups.empty()) {
        text += "give the user " + user + " read and write access to the device";
    } else {
        std::string list;
        for (const std::string& g : groups)
            list += (list.empty() ? "" : ",") + g;
        text += "add the user " + user + " to the group" + (groups.size() == 1 ? " " : "s ") +
                Enumerate(groups) + " (for example: sudo usermod -aG " + list + " " + user + ")";
    }
    text += ", then log out and log in again.";
    return Ascii16(text);
}
