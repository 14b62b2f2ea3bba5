#include "platform/win32/RegistrySerialPortDiscovery.h"

#include "platform/win32/SerialComm.h"

std::vector<DiscoveredPort> RegistrySerialPortDiscovery::Discover() {
    std::vector<DiscoveredPort> ports;
    for (const SerialCommEntry& entry : SerialCommEntries())
        if (!entry.port.empty())
            ports.push_back({PortDevicePath(entry.port), {}, entry.device});
    return ports;
}
