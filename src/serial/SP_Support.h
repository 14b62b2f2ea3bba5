#pragma once

#include "platform/MessageBoxService.h"
#include "platform/SerialPortDiscovery.h"
#include "platform/SettingsStore.h"

#include <array>
#include <string>

// The inventory of serial ports: which COM ports are installed now (from the serial device map,
// brought up to date by discovery) and which of them the device search may try (the user's
// choice, reconciled with what came and went since the last time). Made for one use.
class CSP_Support {
public:
    static constexpr int MaxPorts = 200;
    static constexpr const char* Section = "Settings";
    static constexpr const char* NoPortsMessage =
        "There are no serial ports installed on this computer.     ";

    CSP_Support(SettingsStore& settings, SerialPortDiscovery& discovery,
                MessageBoxService& messages);
    virtual ~CSP_Support() = default;

    // Index i stands for COM<i+1>.
    int PortInstalled[MaxPorts] = {};
    std::array<std::string, MaxPorts> PortDescription; // the device of an installed port
    int PortUsed[MaxPorts] = {};                       // only installed ports can be 1
    std::array<std::string, MaxPorts> PortProduct;     // what a device present now calls itself

    // Numbers newly found devices, then fills PortInstalled, PortDescription and PortProduct
    // from the map.
    // Tells the user when no port is installed.
    void ScanInstalledPorts();
    // After ScanInstalledPorts: fills PortUsed from the stored choice and the scan, and stores
    // InstalledPorts and UsePorts anew.
    void LoadPortChoice();
    // The stored LastPort, 0 when none is stored.
    int GetLastPort();
    void SetLastPort(int port);

private:
    std::string FlagText(const int* flags) const;
    void StoreIfChanged(const char* name, const std::string& stored, const std::string& value);

    SettingsStore& Settings;
    SerialPortDiscovery& Discovery;
    MessageBoxService& Messages;
};
