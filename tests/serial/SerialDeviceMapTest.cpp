#include "serial/SerialDeviceMap.h"
#include "ReceiverSimulator.h"
#include "SerialTestSupport.h"
#include "fakes/FakeSettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Serial devices are pseudo-terminals here: one exists while its simulator lives.
class SerialDeviceMapTest : public ::testing::Test {
protected:
    std::map<std::string, std::string>& Entries() { return settings.values["SerialDeviceMap"]; }
    std::unique_ptr<ReceiverSimulator> Plug() {
        auto device = std::make_unique<ReceiverSimulator>(ReceiverOptions{ReplyMode::Silent});
        EXPECT_TRUE(device->Ok());
        return device;
    }
    // A by-id link to the device, as udev makes one for a USB adapter.
    std::string ById(const std::string& name, const std::string& device) {
        fs::create_directories(byIdDir);
        const fs::path link = fs::path(byIdDir) / name;
        std::error_code ec;
        fs::remove(link, ec);
        fs::create_symlink(device, link);
        return link.string();
    }

    FakeSettingsStore settings;
    const std::string byIdDir = serialtest::TempPath("by-id");
};

TEST_F(SerialDeviceMapTest, KeysNameComPortsOneTo200) {
    struct Row {
        const char* key;
        int port;
    } rows[] = {
        {"COM1", 1},   {"COM200", 200}, {"com3", 3},  {"Com12", 12},  {"COM0", 0},
        {"COM201", 0}, {"COM250", 0},   {"COM03", 0}, {"COM", 0},     {"COM1x", 0},
        {"LPT1", 0},   {"COM-1", 0},    {" COM1", 0}, {"COM1000", 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SerialDeviceMap::PortNumberOfKey(row.key), row.port) << row.key;
}

TEST_F(SerialDeviceMapTest, NewDevicesTakeTheLowestFreeNumbers) {
    auto a = Plug(), b = Plug(), c = Plug();
    Entries()["COM2"] = "/dev/ttyS1"; // taken by hand
    SerialDeviceMap map(settings);
    map.Update({{a->SlavePath(), ""}, {b->SlavePath(), ""}, {c->SlavePath(), ""}});
    EXPECT_EQ(map.PathOf(1), a->SlavePath());
    EXPECT_EQ(map.PathOf(2), "/dev/ttyS1");
    EXPECT_EQ(map.PathOf(3), b->SlavePath());
    EXPECT_EQ(map.PathOf(4), c->SlavePath());
    EXPECT_EQ(Entries().at("COM3"), b->SlavePath()) << "numbers are stored";
    EXPECT_EQ(SerialDeviceMap(settings).PathOf(4), c->SlavePath());
}

TEST_F(SerialDeviceMapTest, DevicesAreKeyedByTheirByIdLink) {
    auto adapter = Plug();
    const std::string link = ById("usb-Orvane_Dock_A1-if00-port0", adapter->SlavePath());
    SerialDeviceMap map(settings);
    map.Update({{adapter->SlavePath(), link}});
    EXPECT_EQ(map.PathOf(1), link);
    EXPECT_TRUE(map.IsInstalled(1));
    EXPECT_EQ(map.Description(1), fs::canonical(adapter->SlavePath()).string());
}

TEST_F(SerialDeviceMapTest, DeviceThatComesBackKeepsItsNumber) {
    auto first = Plug();
    const std::string firstLink = ById("usb-first", first->SlavePath());
    SerialDeviceMap(settings).Update({{first->SlavePath(), firstLink}});

    // Unplugged: udev takes the link away. (The pty itself stays, so that no other program
    // gets its number meanwhile.)
    fs::remove(firstLink);
    auto second = Plug();
    const std::string secondLink = ById("usb-second", second->SlavePath());
    {
        SerialDeviceMap map(settings);
        map.Update({{second->SlavePath(), secondLink}});
        EXPECT_EQ(map.PathOf(1), firstLink);
        EXPECT_FALSE(map.IsInstalled(1)) << "its device is gone";
        EXPECT_EQ(map.PathOf(2), secondLink) << "a new one takes the lowest free number";
    }

    auto back = Plug(); // plugged in again, under another tty name
    ById("usb-first", back->SlavePath());
    SerialDeviceMap map(settings);
    map.Update({{second->SlavePath(), secondLink}, {back->SlavePath(), firstLink}});
    EXPECT_EQ(map.PathOf(1), firstLink);
    EXPECT_TRUE(map.IsInstalled(1));
    EXPECT_EQ(map.Description(1), fs::canonical(back->SlavePath()).string());
    EXPECT_EQ(map.PathOf(3), "");
}

TEST_F(SerialDeviceMapTest, EntriesAddedByHandAreNeverRenumbered) {
    auto device = Plug();
    Entries()["COM7"] = device->SlavePath();
    Entries()["com9"] = "/dev/ttyACM5"; // another case, a device not present
    SerialDeviceMap map(settings);
    map.Update({{device->SlavePath(), ""}});
    map.Update({{device->SlavePath(), ""}});
    EXPECT_EQ(Entries().size(), 2u) << "a device already in the map gets no second number";
    EXPECT_EQ(map.PathOf(7), device->SlavePath());
    EXPECT_EQ(map.PathOf(9), "/dev/ttyACM5");
    EXPECT_TRUE(map.IsInstalled(7));
    EXPECT_FALSE(map.IsInstalled(9));
}

TEST_F(SerialDeviceMapTest, KnownDeviceFoundUnderAnotherNameIsNotAddedAgain) {
    auto device = Plug();
    Entries()["COM4"] = device->SlavePath(); // by hand, by its tty path
    const std::string link = ById("usb-dock", device->SlavePath());
    SerialDeviceMap map(settings);
    map.Update({{device->SlavePath(), link}});
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(SerialDeviceMapTest, InstalledMeansACharacterDeviceExistsNow) {
    const std::string file = serialtest::TempPath("plain-file");
    std::ofstream(file) << "x";
    Entries()["COM1"] = file;
    Entries()["COM2"] = serialtest::TempPath("nothing-here");
    Entries()["COM3"] = "/dev/null";
    Entries()["COM4"] = "";
    SerialDeviceMap map(settings);
    EXPECT_FALSE(map.IsInstalled(1));
    EXPECT_FALSE(map.IsInstalled(2));
    EXPECT_TRUE(map.IsInstalled(3));
    EXPECT_FALSE(map.IsInstalled(4));
    EXPECT_FALSE(map.IsInstalled(0));
    EXPECT_FALSE(map.IsInstalled(201));
    EXPECT_EQ(map.Description(2), serialtest::TempPath("nothing-here"));
    EXPECT_EQ(map.Description(5), "");
}

TEST_F(SerialDeviceMapTest, SamePortNamedTwiceTakesTheUpperCaseKey) {
    Entries()["com3"] = "/dev/ttyS7";
    Entries()["COM3"] = "/dev/ttyS3";
    Entries()["cOm3"] = "/dev/ttyS9";
    EXPECT_EQ(SerialDeviceMap(settings).PathOf(3), "/dev/ttyS3");
    Entries().erase("COM3");
    EXPECT_EQ(SerialDeviceMap(settings).PathOf(3), "/dev/ttyS9") << "then the first by name";
}

TEST_F(SerialDeviceMapTest, FullMapTakesNoMoreDevices) {
    for (int n = 1; n <= 200; ++n)
        Entries()["COM" + std::to_string(n)] = "/dev/ttyGone" + std::to_string(n);
    auto device = Plug();
    SerialDeviceMap(settings).Update({{device->SlavePath(), ""}});
    EXPECT_EQ(Entries().size(), 200u);
}

TEST_F(SerialDeviceMapTest, LookupReadsTheStoredMapAtEachCall) {
    const auto lookup = SerialDeviceMap::Lookup(settings);
    EXPECT_EQ(lookup(5), "");
    Entries()["COM5"] = "/dev/pts/77";
    EXPECT_EQ(lookup(5), "/dev/pts/77");
    EXPECT_EQ(lookup(500), "");
}

} // namespace
