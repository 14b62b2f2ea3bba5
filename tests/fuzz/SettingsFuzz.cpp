// Settings texts -> the serial device map, the port lists and the line settings. The map read
// again from what it wrote is the map it held; numbers are never moved; only installed ports are
// used, and the stored lists settle after one scan.
//
// Input: the settings file as text, "[Group]" and "name=value" lines. Besides the program's own
// groups, [Found] lists the devices that discovery finds ("device path=by-id link") and [Line]
// gives the driver's BaudRate, Parity (a letter), DataBits and StopBits.
#include "FuzzCheck.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "serial/SP_Support.h"
#include "serial/SerialDeviceMap.h"
#include "serial/TermiosLine.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Input {
    FakeSettingsStore settings;
    std::vector<DiscoveredPort> found;
    std::map<std::string, std::string> line;
};

Input Parse(const std::string& text) {
    Input input;
    std::string group;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string row = text.substr(start, end - start);
        start = end + 1;
        if (!row.empty() && row.back() == '\r')
            row.pop_back();
        if (row.size() >= 2 && row.front() == '[' && row.back() == ']') {
            group = row.substr(1, row.size() - 2);
            continue;
        }
        const std::size_t eq = row.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string name = row.substr(0, eq), value = row.substr(eq + 1);
        if (group == "Found")
            input.found.push_back({name, value});
        else if (group == "Line")
            input.line[name] = value;
        else
            input.settings.values[group][name] = value;
    }
    return input;
}

// The port a key names: "COM" in any case, then 1 to 200 without leading zeros; else 0.
int PortOfKey(const std::string& key) {
    if (key.size() < 4 || key.size() > 6 || key[3] == '0')
        return 0;
    for (int i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(key[i])) != "com"[i])
            return 0;
    for (std::size_t i = 3; i < key.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(key[i])))
            return 0;
    const int n = std::stoi(key.substr(3));
    return n <= 200 ? n : 0;
}

bool CharDevice(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

std::string Resolved(const std::string& path) {
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(path, ec);
    return ec || path.empty() ? std::string() : resolved.string();
}

void CheckMap(Input& input) {
    const auto entries = input.settings.values[SerialDeviceMap::Group];
    SerialDeviceMap map(input.settings);
    std::vector<std::string> before(201);
    for (int n = 1; n <= 200; ++n) {
        before[n] = map.PathOf(n);
        // An entry of the port that has a path decides; "COM<n>" before any other spelling.
        bool any = false;
        for (const auto& [key, path] : entries)
            any = any || (PortOfKey(key) == n && !path.empty());
        FUZZ_CHECK(before[n].empty() != any);
        const auto exact = entries.find("COM" + std::to_string(n));
        if (exact != entries.end() && !exact->second.empty())
            FUZZ_CHECK(before[n] == exact->second);
    }
    FUZZ_CHECK(map.PathOf(0).empty() && map.PathOf(201).empty() && map.PathOf(-1).empty());

    map.Update(input.found);
    int free = 0;
    for (int n = 1; n <= 200; ++n) {
        if (!before[n].empty())
            FUZZ_CHECK(map.PathOf(n) == before[n]); // never renumbered
        free += map.PathOf(n).empty() ? 1 : 0;
    }
    for (const DiscoveredPort& device : input.found) {
        if (device.devicePath.empty() && device.byIdPath.empty())
            continue;
        const std::string key = device.byIdPath.empty() ? device.devicePath : device.byIdPath;
        const std::string where = Resolved(device.devicePath);
        bool numbered = false;
        for (int n = 1; n <= 200 && !numbered; ++n) {
            const std::string path = map.PathOf(n);
            numbered = !path.empty() && (path == key || path == device.devicePath ||
                                         (!where.empty() && Resolved(path) == where));
        }
        FUZZ_CHECK(numbered || free == 0);
    }
    SerialDeviceMap reread(input.settings);
    for (int n = 1; n <= 200; ++n)
        FUZZ_CHECK(reread.PathOf(n) == map.PathOf(n));
}

void CheckPortChoice(Input& input) {
    FakeSerialPortDiscovery discovery;
    discovery.ports = input.found;
    FakeMessageBox messages;
    CSP_Support inventory(input.settings, discovery, messages);
    inventory.ScanInstalledPorts();
    inventory.LoadPortChoice();
    SerialDeviceMap map(input.settings);
    bool any = false;
    for (int i = 0; i < 200; ++i) {
        FUZZ_CHECK(inventory.PortInstalled[i] == (CharDevice(map.PathOf(i + 1)) ? 1 : 0));
        FUZZ_CHECK(inventory.PortUsed[i] == 0 || inventory.PortInstalled[i] == 1);
        any = any || inventory.PortInstalled[i] == 1;
    }
    FUZZ_CHECK(messages.shown.size() == (any ? 0u : 1u));
    const std::string installed = input.settings.GetProfileString("Settings", "InstalledPorts");
    const std::string used = input.settings.GetProfileString("Settings", "UsePorts");
    FUZZ_CHECK(installed.size() == 200 && used.size() == 200);
    for (int i = 0; i < 200; ++i) {
        FUZZ_CHECK(installed[i] == (inventory.PortInstalled[i] ? '1' : '0'));
        FUZZ_CHECK(used[i] == (inventory.PortUsed[i] ? '1' : '0'));
    }

    // Nothing came or went: the next scan chooses the same ports and stores nothing.
    const auto stored = input.settings.values;
    CSP_Support again(input.settings, discovery, messages);
    again.ScanInstalledPorts();
    again.LoadPortChoice();
    FUZZ_CHECK(input.settings.values == stored);
    for (int i = 0; i < 200; ++i)
        FUZZ_CHECK(again.PortUsed[i] == inventory.PortUsed[i]);
}

int Number(const std::map<std::string, std::string>& line, const char* name, int otherwise) {
    const auto it = line.find(name);
    if (it == line.end())
        return otherwise;
    try {
        return std::stoi(it->second);
    } catch (...) {
        return otherwise;
    }
}

void CheckLineSettings(const Input& input) {
    const auto parity = input.line.find("Parity");
    const int letter = parity == input.line.end() || parity->second.empty()
                           ? 'N'
                           : static_cast<unsigned char>(parity->second[0]);
    const LineSettings s =
        BuildLineSettings(Number(input.line, "BaudRate", 9600), letter,
                          Number(input.line, "DataBits", 8), Number(input.line, "StopBits", 1));
    static const int rates[] = {300,   600,   1200,  2400,  4800,  9600,
                                14400, 19200, 38400, 57600, 115200};
    FUZZ_CHECK(std::find(std::begin(rates), std::end(rates), s.BaudRate) != std::end(rates));
    FUZZ_CHECK(s.Parity >= NoParity && s.Parity <= SpaceParity);
    FUZZ_CHECK(s.StopBits >= OneStopBit && s.StopBits <= TwoStopBits);

    // The line as termios carries it: what a tty cannot carry becomes its nearest.
    termios tio{};
    ToTermios(s, tio);
    LineSettings expected = s;
    if (expected.ByteSize < 5 || expected.ByteSize > 8)
        expected.ByteSize = 8;
    if (expected.StopBits == One5StopBits && expected.ByteSize != 5)
        expected.StopBits = OneStopBit;
    if (expected.StopBits == TwoStopBits && expected.ByteSize == 5)
        expected.StopBits = One5StopBits;
    if (expected.BaudRate == 14400)
        expected.BaudRate = 9600; // set through termios2 when the port is opened
    FUZZ_CHECK(FromTermios(tio) == expected);
    termios again{};
    ToTermios(FromTermios(tio), again);
    FUZZ_CHECK(again.c_cflag == tio.c_cflag && again.c_iflag == tio.c_iflag &&
               cfgetospeed(&again) == cfgetospeed(&tio));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Input input = Parse(text);
    CheckLineSettings(input);
    CheckMap(input);
    CheckPortChoice(input);
    return 0;
}
