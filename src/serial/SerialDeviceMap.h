#pragma once

#include "platform/SerialPortDiscovery.h"
#include "platform/SettingsStore.h"

#include <functional>
#include <string>
#include <vector>

// The lasting COM numbers of serial devices, kept in the settings group "SerialDeviceMap" as
// "COM<n>=<device path>" for n from 1 to 200. A device keeps its number while it is away, so a
// receiver plugged in again finds its old port; entries are never renumbered or removed, which
// also keeps entries that the user added by hand (a pseudo-terminal, a link of his own).
// The object works on the entries as they were when it was made, plus its own additions.
class SerialDeviceMap {
public:
    static constexpr int MaxPorts = 200;
    static constexpr const char* Group = "SerialDeviceMap";

    explicit SerialDeviceMap(SettingsStore& settings);
    virtual ~SerialDeviceMap() = default;

    // Gives every found device that has no number yet the lowest free number, keyed by its by-id
    // link when it has one (stable across plugging), else by its device path. A Windows port
    // (\\.\COM<n>) gets its own number n while that is free.
    void Update(const std::vector<DiscoveredPort>& found);
    // The path stored for the port; "" when there is no entry.
    std::string PathOf(int portNumber) const;
    // The entry's path exists now and is a character device.
    bool IsInstalled(int portNumber) const;
    // The device the entry's path leads to now (/dev/ttyUSB0, /dev/pts/4); the stored path when
    // it leads nowhere; "" when there is no entry.
    std::string Description(int portNumber) const;

    // Port number of a key "COM<n>" (any case, no leading zeros, 1 to 200); 0 for other keys.
    static int PortNumberOfKey(const std::string& key);
    // A lookup from port number to device path over the map in settings, read at each call.
    static std::function<std::string(int)> Lookup(SettingsStore& settings);

private:
    SettingsStore& Settings;
    std::vector<std::string> Paths; // index n: the path of COM<n>; "" for none
};
