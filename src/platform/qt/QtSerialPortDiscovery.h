#pragma once

#include "platform/SerialPortDiscovery.h"

// Serial devices as Qt Serial Port lists them (it already leaves out the legacy ttyS ports that
// have no hardware behind them), less the kernel's console ttys, each with its by-id link.
class QtSerialPortDiscovery : public SerialPortDiscovery {
public:
    std::vector<DiscoveredPort> Discover() override;
};
