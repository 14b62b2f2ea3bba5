#pragma once

#include "platform/SerialPortDiscovery.h"

// The serial ports Windows lists in its serial device map. A port keeps the COM number Windows
// gave it: its device path is \\.\COM<n>, and the product is the name of the driver's device
// (\Device\Serial0), the port's "registry description".
class RegistrySerialPortDiscovery : public SerialPortDiscovery {
public:
    std::vector<DiscoveredPort> Discover() override;
};
