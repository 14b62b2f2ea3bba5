#include "serial/DeviceDetection.h"

#include "serial/SP_Support.h"
#include "serial/SerialDeviceMap.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::array<CDeviceDetection::Model, 10> Models{{
    {"SK-RLAY-00,", 1, u"Skyrell Relay Station"},
    {"SK-DNGL-00,", 2, u"USB Dongle"},
    {"TN-UDCK-00,", 3, u"Trailnote USB Dock"},
    {"TN-CDCK-00,", 4, u"Trailnote USB Compact Dock"},
    {"TN-CDCK-R2,", 4, u"Trailnote USB Compact Dock"},
    {"TN-SDCK-00,", 5, u"Trailnote RS-232/USB Dock"},
    {"TN-LDCK-00,", 6, u"Trailnote RS-232 Legacy Dock"},
    {"TN-UDCK-R2,", 3, u"Trailnote USB Dock"},
    {"TN-SDCK-R2,", 5, u"Trailnote RS-232/USB Dock"},
    {"TN-KDCK-R2,", 7, u"Trailnote Keyboard Dock"},
}};

// Names of the supported devices as the failure message lists them; they differ from the
// short names of the model table.
constexpr const char16_t* SupportedDevices[] = {
    u"Trailnote USB Dock",
    u"Trailnote USB Compact Dock",
    u"Trailnote RS-232/USB Dock",
    u"Trailnote Keyboard/USB Dock",
    u"Skyrell Wireless Relay Station  (discontinued)",
    u"Skyrell Wireless USB Dongle  (discontinued)",
    u"Trailnote RS-232 Legacy Dock  (discontinued)",
};

} // namespace

CDeviceDetection::CDeviceDetection(CRS232& port, SettingsStore& settings,
                                   SerialPortDiscovery& discovery, MessageBoxService& messages)
    : Port(port), Settings(settings), Discovery(discovery), Messages(messages) {
    if (!Port.DevicePath)
        Port.DevicePath = SerialDeviceMap::Lookup(Settings);
}

const std::array<CDeviceDetection::Model, 10>& CDeviceDetection::ModelTable() {
    return Models;
}

std::u16string CDeviceDetection::FailureMessage() {
    std::u16string text = u"Cannot find a serial device supported by Tapline Brisk.\n"
                          u"\n"
                          u"Supported devices include the following:\n";
    for (const char16_t* name : SupportedDevices)
        text += u"    - " + std::u16string(name) + u"     \n";
    text += u"\n"
            u"The baud rate and communication parameters of the connected\n"
            u"serial device must be set to the factory default of 9600-N-8-1.\n"
            u"\n"
            u"Be sure that another application is not currently connected to your serial device.";
    return text;
}

std::u16string CDeviceDetection::GetDeviceName() const {
    for (const Model& model : Models)
        if (model.DeviceType == DeviceType)
            return model.ShortName;
    return {};
}

int CDeviceDetection::IdentifyDevice() {
    static const unsigned char identify[] = {'<', 'V'};
    Port.SendBytes(identify, sizeof identify);
    DeviceType = 0;

    // The receiver answers with a lone CR first, then with its identifier line.
    char line[CRS232::LineLimit + 1] = {};
    if (Port.ReadLine(line) != 1 || line[0] != '\r')
        return 0;
    if (Port.ReadLine(line) < 5)
        return 0;
    for (const Model& model : Models) {
        if (std::strncmp(line, model.Identifier, IdentifierLength) == 0) {
            DeviceType = model.DeviceType;
            return 1;
        }
    }
    return 0;
}

bool CDeviceDetection::TryPort(int port, const std::string& device) {
    Port.PortNumber = port;
    if (!Port.OpenPort()) {
        const bool refused = Port.OpenError == EACCES || Port.OpenError == EPERM;
        const bool noted = std::any_of(Denied.begin(), Denied.end(),
                                       [port](const auto& d) { return d.port == port; });
        if (refused && !noted)
            Denied.push_back({port, device});
        return false;
    }
    if (IdentifyDevice())
        return true;
    Port.ClosePort();
    return false;
}

int CDeviceDetection::FindSerialDevice() {
    CSP_Support inventory(Settings, Discovery, Messages);
    inventory.ScanInstalledPorts();
    inventory.LoadPortChoice();
    const int last = inventory.GetLastPort();
    Denied.clear();

    int found = 0;
    if (last >= 1 && last <= CSP_Support::MaxPorts && inventory.PortInstalled[last - 1] == 1 &&
        inventory.PortUsed[last - 1] == 1 && TryPort(last, inventory.PortDescription[last - 1]))
        found = last;
    for (int p = 1; p <= CSP_Support::MaxPorts && found == 0; ++p)
        if (inventory.PortUsed[p - 1] == 1 && TryPort(p, inventory.PortDescription[p - 1]))
            found = p;

    if (found == 0) {
        if (EndWaitCursor)
            EndWaitCursor();
        // A port refused for want of permission looks like a missing receiver unless the user
        // is told; the usual cause is a user outside the device's group.
        std::sort(Denied.begin(), Denied.end(),
                  [](const auto& a, const auto& b) { return a.port < b.port; });
        Messages.Show(FailureMessage() + CPortAccess::NoPermissionParagraph(Denied),
                      MsgStyle::OkBox());
        inventory.SetLastPort(0);
        return 0;
    }
    if (found != last)
        inventory.SetLastPort(found);
    DevicePort = found;
    return 1;
}
