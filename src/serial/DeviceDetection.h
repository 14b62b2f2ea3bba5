#pragma once

#include "platform/MessageBoxService.h"
#include "platform/SerialPortDiscovery.h"
#include "platform/SettingsStore.h"
#include "serial/PortAccess.h"
#include "serial/RS232.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// The search for a receiver: the ports the user allows are opened in turn, the port where a
// receiver was found last time first, and the first whose device answers the identify command
// with a known model stays open. Runs on the user-interface thread and blocks it meanwhile: a
// silent port costs about 100 ms, a receiver that answers no more than its own reply time.
class CDeviceDetection {
public:
    struct Model {
        const char* Identifier; // the reply's first 11 characters
        int DeviceType;
        const char16_t* ShortName;
    };
    static constexpr int IdentifierLength = 11;

    // Sets the driver's DevicePath to the serial device map in settings when it has none; the
    // settings store must then live as long as the driver.
    CDeviceDetection(CRS232& port, SettingsStore& settings, SerialPortDiscovery& discovery,
                     MessageBoxService& messages);
    virtual ~CDeviceDetection() = default;

    int DevicePort = 1; // port of the last successful search
    int DeviceType = 0; // model found by the last identify exchange; 0 none
    // Called before the failure message, so that the box does not show the wait cursor.
    std::function<void()> EndWaitCursor;

    // 1: a receiver answered; the driver stays open on DevicePort and LastPort names it.
    // 0: none did; the user has been told (and which ports he may not use), the driver is
    // closed and LastPort is 0.
    int FindSerialDevice();
    // The identify exchange on the open port: 1 and DeviceType set for a known model, else 0.
    int IdentifyDevice();
    // Short name of DeviceType; empty for 0 or an unknown type.
    std::u16string GetDeviceName() const;

    static const std::array<Model, 10>& ModelTable();
    static std::u16string FailureMessage();

private:
    bool TryPort(int port, const std::string& device);

    CRS232& Port;
    SettingsStore& Settings;
    SerialPortDiscovery& Discovery;
    MessageBoxService& Messages;
    std::vector<CPortAccess::DeniedPort> Denied; // ports of this search the user may not open
};
