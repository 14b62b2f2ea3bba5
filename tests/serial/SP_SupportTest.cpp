#include "serial/SP_Support.h"
#include "ReceiverSimulator.h"
#include "SerialTestSupport.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "targets/TextString.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

namespace {

std::string Flags(std::set<int> ports) {
    std::string text(200, '0');
    for (const int p : ports)
        text[p - 1] = '1';
    return text;
}

std::set<int> Chosen(const CSP_Support& inventory) {
    std::set<int> ports;
    for (int i = 0; i < 200; ++i)
        if (inventory.PortUsed[i])
            ports.insert(i + 1);
    return ports;
}

// Installed ports are pseudo-terminals entered in the serial device map; a removed port keeps
// its entry, whose device no longer exists.
class SP_SupportTest : public ::testing::Test {
protected:
    void Install(std::set<int> ports) {
        auto& map = settings.values["SerialDeviceMap"];
        map.clear();
        for (const int p : ports) {
            devices.push_back(
                std::make_unique<ReceiverSimulator>(ReceiverOptions{ReplyMode::Silent}));
            map["COM" + std::to_string(p)] = devices.back()->SlavePath();
        }
    }
    void Remove(int port) {
        settings.values["SerialDeviceMap"]["COM" + std::to_string(port)] =
            serialtest::TempPath("unplugged");
    }
    void Store(const std::string& installed, const std::string& use) {
        settings.WriteProfileString("Settings", "InstalledPorts", installed);
        settings.WriteProfileString("Settings", "UsePorts", use);
    }
    std::string Stored(const char* name) { return settings.GetProfileString("Settings", name); }
    // A fresh inventory, as the device search and the dialog make one.
    std::set<int> Load() {
        CSP_Support inventory(settings, discovery, messages);
        inventory.ScanInstalledPorts();
        inventory.LoadPortChoice();
        for (int i = 0; i < 200; ++i)
            EXPECT_TRUE(inventory.PortUsed[i] == 0 || inventory.PortInstalled[i] == 1) << i;
        return Chosen(inventory);
    }

    FakeSettingsStore settings;
    FakeSerialPortDiscovery discovery;
    FakeMessageBox messages;
    std::vector<std::unique_ptr<ReceiverSimulator>> devices;
};

TEST_F(SP_SupportTest, ScanListsInstalledPortsWithTheirDevices) {
    Install({1, 4});
    Remove(6);
    CSP_Support inventory(settings, discovery, messages);
    inventory.PortInstalled[10] = 1;
    inventory.PortDescription[10] = "old";
    inventory.ScanInstalledPorts();
    for (int i = 0; i < 200; ++i) {
        const bool installed = i == 0 || i == 3;
        EXPECT_EQ(inventory.PortInstalled[i], installed ? 1 : 0) << i;
        EXPECT_EQ(inventory.PortDescription[i].empty(), !installed) << i;
    }
    EXPECT_EQ(inventory.PortDescription[0],
              std::filesystem::canonical(devices[0]->SlavePath()).string());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(discovery.scans, 1);
}

TEST_F(SP_SupportTest, ScanNumbersDiscoveredDevices) {
    Install({2});
    devices.push_back(std::make_unique<ReceiverSimulator>(ReceiverOptions{ReplyMode::Silent}));
    discovery.ports = {{devices.back()->SlavePath(), ""}};
    CSP_Support inventory(settings, discovery, messages);
    inventory.ScanInstalledPorts();
    EXPECT_EQ(inventory.PortInstalled[0], 1) << "the new device took COM1";
    EXPECT_EQ(inventory.PortInstalled[1], 1);
    EXPECT_EQ(settings.values["SerialDeviceMap"]["COM1"], devices.back()->SlavePath());
}

TEST_F(SP_SupportTest, NoInstalledPortIsReported) {
    Remove(3);
    Store(Flags({3}), Flags({3}));
    CSP_Support inventory(settings, discovery, messages);
    inventory.ScanInstalledPorts();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              u"There are no serial ports installed on this computer.     ");
    EXPECT_EQ(messages.shown[0].style.buttons, MsgButtons::Ok);
    inventory.LoadPortChoice();
    EXPECT_TRUE(Chosen(inventory).empty());
    EXPECT_EQ(Stored("InstalledPorts"), std::string(200, '0'));
    EXPECT_EQ(Stored("UsePorts"), std::string(200, '0'));
}

TEST_F(SP_SupportTest, FirstRunChoosesEveryInstalledPort) {
    Install({1, 4});
    EXPECT_EQ(Load(), (std::set<int>{1, 4}));
    EXPECT_EQ(Stored("InstalledPorts"), Flags({1, 4}));
    EXPECT_EQ(Stored("UsePorts"), Flags({1, 4}));
}

TEST_F(SP_SupportTest, StoredChoiceIsKept) {
    Install({1, 3});
    Store(Flags({1, 3}), Flags({3}));
    EXPECT_EQ(Load(), (std::set<int>{3}));
    EXPECT_EQ(Stored("InstalledPorts"), Flags({1, 3}));
    EXPECT_EQ(Stored("UsePorts"), Flags({3}));
}

TEST_F(SP_SupportTest, UsePortsThatAreNotTwoHundredFlagsCountAsNotStored) {
    Install({1, 3});
    const std::string bad[] = {
        std::string(199, '0'),         Flags({3}) + "0",      "", std::string(200, '2'),
        "001" + std::string(197, ' '), std::string(200, 'x'),
    };
    for (const std::string& use : bad) {
        Store(Flags({1, 3}), use);
        EXPECT_EQ(Load(), (std::set<int>{1, 3})) << '"' << use << '"';
        EXPECT_EQ(Stored("UsePorts"), Flags({1, 3}));
    }
}

TEST_F(SP_SupportTest, RemovedPortIsNoLongerChosen) {
    Install({1, 2, 3});
    Store(Flags({1, 2, 3}), Flags({2, 3}));
    Remove(3);
    EXPECT_EQ(Load(), (std::set<int>{2}));
    EXPECT_EQ(Stored("UsePorts"), Flags({2}));
    EXPECT_EQ(Stored("InstalledPorts"), Flags({1, 2}));
}

TEST_F(SP_SupportTest, NewPortIsChosenAtOnceWhileOthersKeepTheirChoice) {
    Install({1, 2, 5});
    Store(Flags({1, 2}), Flags({2}));
    EXPECT_EQ(Load(), (std::set<int>{2, 5})) << "COM1 stays unchosen, COM5 is new";
    EXPECT_EQ(Load(), (std::set<int>{2, 5}));
}

TEST_F(SP_SupportTest, OnlyChosenPortRemovedChoosesAllInstalledPorts) {
    Install({1, 2, 3});
    Store(Flags({1, 2, 3}), Flags({3}));
    Remove(3);
    EXPECT_EQ(Load(), (std::set<int>{1, 2}));
    EXPECT_EQ(Stored("UsePorts"), Flags({1, 2}));
}

TEST_F(SP_SupportTest, ShortInstalledPortsCountsAsInstalledPastItsEnd) {
    Install({2, 5});
    // Edited by hand: five flags only. COM2 was not installed then (new, so chosen); COM5 lies
    // past the end, so it is not new and keeps its stored choice (not chosen).
    Store("10001", Flags({1}));
    EXPECT_EQ(Load(), (std::set<int>{2}));
    Store("1", Flags({1}));
    EXPECT_EQ(Load(), (std::set<int>{2, 5})) << "nothing chosen is left: every installed port";
}

TEST_F(SP_SupportTest, InstalledPortsWithOtherCharactersCountsAsNotStored) {
    Install({2, 5});
    for (const std::string& installed :
         {std::string(200, 'x'), std::string(201, '0'), std::string("0?0")}) {
        Store(installed, Flags({2}));
        EXPECT_EQ(Load(), (std::set<int>{2})) << installed << ": no port seems new";
    }
}

TEST_F(SP_SupportTest, LowerCaseEntryCountsAndPortsBeyond200AreIgnored) {
    devices.push_back(std::make_unique<ReceiverSimulator>(ReceiverOptions{ReplyMode::Silent}));
    devices.push_back(std::make_unique<ReceiverSimulator>(ReceiverOptions{ReplyMode::Silent}));
    settings.values["SerialDeviceMap"]["com3"] = devices[0]->SlavePath();
    settings.values["SerialDeviceMap"]["COM250"] = devices[1]->SlavePath();
    EXPECT_EQ(Load(), (std::set<int>{3}));
}

TEST_F(SP_SupportTest, LastPortIsStoredAsANumber) {
    CSP_Support inventory(settings, discovery, messages);
    EXPECT_EQ(inventory.GetLastPort(), 0);
    inventory.SetLastPort(5);
    EXPECT_EQ(inventory.GetLastPort(), 5);
    EXPECT_EQ(settings.values["Settings"]["LastPort"], "5");
    settings.values["Settings"]["LastPort"] = "junk";
    EXPECT_EQ(inventory.GetLastPort(), 0);
}

} // namespace
