#include "serial/SerialDeviceMap.h"

#include "platform/SerialDevicePresence.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Canonical(const std::string& path) {
    if (path.empty())
        return {};
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? std::string() : resolved.string();
}

} // namespace

int SerialDeviceMap::PortNumberOfKey(const std::string& key) {
    if (key.size() < 4 || key.size() > 6)
        return 0;
    for (int i = 0; i < 3; ++i)
        if ((key[i] | 0x20) != "com"[i])
            return 0;
    if (key[3] == '0')
        return 0;
    int n = 0;
    for (std::size_t i = 3; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9')
            return 0;
        n = n * 10 + (key[i] - '0');
    }
    return n <= MaxPorts ? n : 0;
}

SerialDeviceMap::SerialDeviceMap(SettingsStore& settings)
    : Settings(settings), Paths(MaxPorts + 1) {
    std::vector<std::string> keys = Settings.GetSectionEntries(Group);
    // A hand-edited file may name one port twice in different case ("COM3", "com3"): the
    // upper-case key wins, then the first in name order, so the answer never changes by chance.
    std::sort(keys.begin(), keys.end());
    std::vector<bool> exact(MaxPorts + 1, false);
    for (const std::string& key : keys) {
        const int n = PortNumberOfKey(key);
        if (n == 0)
            continue;
        const bool isExact = key == "COM" + std::to_string(n);
        if (!Paths[n].empty() && (exact[n] || !isExact))
            continue;
        const std::string path = Settings.GetProfileString(Group, key, {});
        if (path.empty())
            continue;
        Paths[n] = path;
        exact[n] = isExact;
    }
}

void SerialDeviceMap::Update(const std::vector<DiscoveredPort>& found) {
    std::vector<std::string>& paths = Paths;
    for (const DiscoveredPort& device : found) {
        if (device.devicePath.empty() && device.byIdPath.empty())
            continue;
        const std::string key = device.byIdPath.empty() ? device.devicePath : device.byIdPath;
        const std::string where = Canonical(device.devicePath);
        bool known = false;
        for (int n = 1; n <= MaxPorts && !known; ++n) {
            const std::string& path = paths[n];
            if (path.empty())
                continue;
            known = path == key || path == device.devicePath ||
                    (!where.empty() && Canonical(path) == where);
        }
        if (known)
            continue;
        // Windows numbers its ports itself (\\.\COM3): such a port keeps its own number.
        const int own = key.rfind("\\\\.\\", 0) == 0 ? PortNumberOfKey(key.substr(4)) : 0;
        auto freeSlot = own > 0 && paths[own].empty() ? paths.begin() + own : paths.end();
        if (freeSlot == paths.end())
            freeSlot = std::find_if(paths.begin() + 1, paths.end(),
                                    [](const std::string& p) { return p.empty(); });
        if (freeSlot == paths.end())
            return; // all 200 numbers taken
        *freeSlot = key;
        Settings.WriteProfileString(Group, "COM" + std::to_string(freeSlot - paths.begin()), key);
    }
}

std::string SerialDeviceMap::PathOf(int portNumber) const {
    if (portNumber < 1 || portNumber > MaxPorts)
        return {};
    return Paths[portNumber];
}

bool SerialDeviceMap::IsInstalled(int portNumber) const {
    return SerialDevicePresent(PathOf(portNumber));
}

std::string SerialDeviceMap::Description(int portNumber) const {
    const std::string path = PathOf(portNumber);
    const std::string resolved = Canonical(path);
    return resolved.empty() ? path : resolved;
}

std::function<std::string(int)> SerialDeviceMap::Lookup(SettingsStore& settings) {
    return [&settings](int portNumber) { return SerialDeviceMap(settings).PathOf(portNumber); };
}
