#pragma once

#include <string>
#include <vector>

// One value of the system's serial device map, HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: the device
// the driver made (\Device\Serial0) and the port name it goes by (COM3).
struct SerialCommEntry {
    std::string device;
    std::string port;
};

// The map's values in the order the registry gives them; empty when no port is installed (the
// key is missing then). Values whose name or data do not fit are passed over.
std::vector<SerialCommEntry> SerialCommEntries();
// "\\.\COM3" for port name "COM3": the path that opens the port.
std::string PortDevicePath(const std::string& port);
