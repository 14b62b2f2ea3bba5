#pragma once

#include <string>
#include <vector>

// A serial device present on this computer now.
struct DiscoveredPort {
    std::string devicePath; // /dev/ttyUSB0, /dev/ttyS1 ...
    std::string byIdPath;   // its stable /dev/serial/by-id/... link; empty when it has none
    std::string product{};  // what the device calls itself (a USB product name); may be empty
};

// Lists the serial devices of the computer. Devices the kernel uses as its console are never
// listed: a device search must not write onto the system console.
class SerialPortDiscovery {
public:
    virtual ~SerialPortDiscovery() = default;
    virtual std::vector<DiscoveredPort> Discover() = 0;
};
