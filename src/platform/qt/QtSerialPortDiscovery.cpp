#include "platform/qt/QtSerialPortDiscovery.h"

#include "platform/posix/SerialDeviceNames.h"

#include <QSerialPortInfo>

std::vector<DiscoveredPort> QtSerialPortDiscovery::Discover() {
    const std::set<std::string> consoles = SerialDeviceNames::ConsoleNames();
    std::vector<DiscoveredPort> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string device = info.systemLocation().toStdString();
        if (device.empty() || SerialDeviceNames::IsConsole(device, consoles))
            continue;
        found.push_back(
            {device, SerialDeviceNames::ByIdPath(device), info.description().toStdString()});
    }
    return found;
}
