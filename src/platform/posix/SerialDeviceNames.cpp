#include "platform/posix/SerialDeviceNames.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadSmallFile(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? std::string() : resolved.string();
}

} // namespace

std::set<std::string> SerialDeviceNames::ParseConsoleNames(const std::string& sysActive,
                                                           const std::string& procConsoles) {
    std::set<std::string> names;
    std::istringstream active(sysActive);
    for (std::string name; active >> name;)
        names.insert(name);
    std::istringstream consoles(procConsoles);
    for (std::string line; std::getline(consoles, line);) {
        std::istringstream fields(line);
        std::string name;
        if (fields >> name)
            names.insert(name);
    }
    return names;
}

std::set<std::string> SerialDeviceNames::ConsoleNames() {
    return ParseConsoleNames(ReadSmallFile("/sys/class/tty/console/active"),
                             ReadSmallFile("/proc/consoles"));
}

bool SerialDeviceNames::IsConsole(const std::string& devicePath,
                                  const std::set<std::string>& consoles) {
    if (consoles.count(fs::path(devicePath).filename().string()) != 0)
        return true;
    const std::string resolved = Canonical(devicePath);
    return !resolved.empty() && consoles.count(fs::path(resolved).filename().string()) != 0;
}

std::string SerialDeviceNames::ByIdPath(const std::string& devicePath, const std::string& byIdDir) {
    const std::string device = Canonical(devicePath);
    if (device.empty())
        return {};
    std::error_code ec;
    std::vector<std::string> links;
    for (fs::directory_iterator it(byIdDir, ec), end; !ec && it != end; it.increment(ec))
        links.push_back(it->path().string());
    std::sort(links.begin(), links.end());
    for (const std::string& link : links)
        if (Canonical(link) == device)
            return link;
    return {};
}
