#pragma once

#include <set>
#include <string>

// File-system facts about serial devices that discovery needs and Qt does not give: which ttys
// the kernel writes its console to, and the stable by-id link of a device.
class SerialDeviceNames {
public:
    // Names of the console ttys ("ttyS0") from the text of /sys/class/tty/console/active
    // (names separated by blanks) and of /proc/consoles (one console a line, name first).
    static std::set<std::string> ParseConsoleNames(const std::string& sysActive,
                                                   const std::string& procConsoles);
    // The same, read from the system's files; files that cannot be read count as empty.
    static std::set<std::string> ConsoleNames();
    // True when devicePath (or the device it links to) is one of the named console ttys.
    static bool IsConsole(const std::string& devicePath, const std::set<std::string>& consoles);
    // The link in byIdDir that leads to the same device as devicePath; "" when there is none.
    // Of several links the first in name order is taken, so the choice stays the same.
    static std::string ByIdPath(const std::string& devicePath,
                                const std::string& byIdDir = "/dev/serial/by-id");
};
