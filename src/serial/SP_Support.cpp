#include "serial/SP_Support.h"

#include "serial/SerialDeviceMap.h"
#include "targets/TextString.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The product name of the found device that is the given device.
std::string ProductOf(const std::vector<DiscoveredPort>& found, const std::string& device) {
    for (const DiscoveredPort& port : found) {
        std::error_code ec;
        if (!port.product.empty() && fs::canonical(port.devicePath, ec).string() == device)
            return port.product;
    }
    return {};
}

bool OnlyFlags(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '0' || c == '1'; });
}

} // namespace

CSP_Support::CSP_Support(SettingsStore& settings, SerialPortDiscovery& discovery,
                         MessageBoxService& messages)
    : Settings(settings), Discovery(discovery), Messages(messages) {}

void CSP_Support::ScanInstalledPorts() {
    PortDescription.fill({});
    PortProduct.fill({});
    std::fill(std::begin(PortInstalled), std::end(PortInstalled), 0);

    SerialDeviceMap map(Settings);
    const std::vector<DiscoveredPort> found = Discovery.Discover();
    map.Update(found);
    bool any = false;
    for (int n = 1; n <= MaxPorts; ++n) {
        if (!map.IsInstalled(n))
            continue;
        PortInstalled[n - 1] = 1;
        PortDescription[n - 1] = map.Description(n);
        PortProduct[n - 1] = ProductOf(found, PortDescription[n - 1]);
        any = true;
    }
    if (!any)
        Messages.Show(Ascii16(NoPortsMessage), MsgStyle::OkBox());
}

std::string CSP_Support::FlagText(const int* flags) const {
    std::string text(MaxPorts, '0');
    for (int i = 0; i < MaxPorts; ++i)
        if (flags[i] == 1)
            text[i] = '1';
    return text;
}

void CSP_Support::LoadPortChoice() {
    // Stored values come from a file the user may edit: anything but '0' and '1' of the right
    // length counts as not stored. An old InstalledPorts may be shorter than 200 (an edited
    // file); positions past its end count as installed then, so no port there seems new.
    const std::string storedInstalled = Settings.GetProfileString(Section, "InstalledPorts", {});
    std::string oldInstalled = storedInstalled;
    if (oldInstalled.size() > MaxPorts || !OnlyFlags(oldInstalled))
        oldInstalled.clear();
    StoreIfChanged("InstalledPorts", storedInstalled, FlagText(PortInstalled));

    const std::string usePorts = Settings.GetProfileString(Section, "UsePorts", {});
    bool anyUsed = false;
    if (usePorts.size() == MaxPorts && OnlyFlags(usePorts)) {
        for (int i = 0; i < MaxPorts; ++i) {
            const bool isNew = i < static_cast<int>(oldInstalled.size()) && oldInstalled[i] == '0';
            PortUsed[i] = PortInstalled[i] == 1 && (usePorts[i] == '1' || isNew) ? 1 : 0;
            anyUsed = anyUsed || PortUsed[i] == 1;
        }
    }
    if (!anyUsed)
        std::copy(std::begin(PortInstalled), std::end(PortInstalled), std::begin(PortUsed));
    StoreIfChanged("UsePorts", usePorts, FlagText(PortUsed));
}

void CSP_Support::StoreIfChanged(const char* name, const std::string& stored,
                                 const std::string& value) {
    // The settings file is written out at every store: the search stays quick by not writing
    // what is there already.
    if (stored != value)
        Settings.WriteProfileString(Section, name, value);
}

int CSP_Support::GetLastPort() {
    return Settings.GetProfileInt(Section, "LastPort", 0);
}

void CSP_Support::SetLastPort(int port) {
    Settings.WriteProfileInt(Section, "LastPort", port);
}
