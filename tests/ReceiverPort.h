#pragma once

#include "platform/SettingsStore.h"

#include <string>

// Maps a simulated receiver's pseudo-terminal as COM3 and makes COM3 the only port that a device
// search may try.
inline void MapReceiverAsCom3(SettingsStore& settings, const std::string& device) {
    settings.WriteProfileString("SerialDeviceMap", "COM3", device);
    std::string use(200, '0');
    use[2] = '1';
    settings.WriteProfileString("Settings", "InstalledPorts", std::string(200, '1'));
    settings.WriteProfileString("Settings", "UsePorts", use);
}
