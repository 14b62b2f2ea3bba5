#pragma once

#include "platform/SerialPortDiscovery.h"

// Finds what the test says is plugged in, and counts the scans.
class FakeSerialPortDiscovery : public SerialPortDiscovery {
public:
    std::vector<DiscoveredPort> ports;
    int scans = 0;

    std::vector<DiscoveredPort> Discover() override {
        ++scans;
        return ports;
    }
};
