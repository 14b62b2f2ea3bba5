#include "ReceiverSimulator.h"
#include "SerialTestSupport.h"
#include "platform/posix/SerialDeviceNames.h"
#include "platform/qt/QtSerialPortDiscovery.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(SerialDeviceNamesTest, ConsoleNamesFromBothSystemFiles) {
    struct Row {
        const char* active;
        const char* consoles;
        std::set<std::string> names;
    } rows[] = {
        {"ttyS0\n", "ttyS0                -W- (EC  p a)    4:64\n", {"ttyS0"}},
        {"tty0 ttyS1\n", "", {"tty0", "ttyS1"}},
        {"",
         "ttyAMA0              -W- (EC   a)  204:64\nnetcon0 -W- (E)\n",
         {"ttyAMA0", "netcon0"}},
        {"", "", {}},
        {"  \n", "\n\n", {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(SerialDeviceNames::ParseConsoleNames(row.active, row.consoles), row.names)
            << row.active << "|" << row.consoles;
}

TEST(SerialDeviceNamesTest, ConsoleIsKnownByItsNameOrByWhereALinkLeads) {
    ReceiverSimulator device({ReplyMode::Silent});
    ASSERT_TRUE(device.Ok());
    const std::string link = serialtest::TempPath("console-link");
    fs::create_symlink(device.SlavePath(), link);
    const std::string name = fs::path(device.SlavePath()).filename().string();

    EXPECT_TRUE(SerialDeviceNames::IsConsole("/dev/ttyS0", {"ttyS0"}));
    EXPECT_FALSE(SerialDeviceNames::IsConsole("/dev/ttyS1", {"ttyS0"}));
    EXPECT_FALSE(SerialDeviceNames::IsConsole("/dev/ttyS0", {}));
    EXPECT_TRUE(SerialDeviceNames::IsConsole(link, {name}));
    EXPECT_FALSE(SerialDeviceNames::IsConsole(link, {"ttyS0"}));
}

TEST(SerialDeviceNamesTest, ByIdPathIsTheFirstLinkToTheSameDevice) {
    ReceiverSimulator dock({ReplyMode::Silent}), other({ReplyMode::Silent});
    const fs::path dir = serialtest::TempPath("by-id");
    fs::create_directories(dir);
    fs::create_symlink(dock.SlavePath(), dir / "usb-Orvane_Dock_B-if00");
    fs::create_symlink(dock.SlavePath(), dir / "usb-Orvane_Dock_A-if00");
    fs::create_symlink(other.SlavePath(), dir / "usb-Other-if00");
    fs::create_symlink(serialtest::TempPath("gone"), dir / "usb-Gone-if00");

    EXPECT_EQ(SerialDeviceNames::ByIdPath(dock.SlavePath(), dir),
              (dir / "usb-Orvane_Dock_A-if00").string());
    EXPECT_EQ(SerialDeviceNames::ByIdPath(other.SlavePath(), dir),
              (dir / "usb-Other-if00").string());
    EXPECT_EQ(SerialDeviceNames::ByIdPath("/dev/null", dir), "");
    EXPECT_EQ(SerialDeviceNames::ByIdPath(serialtest::TempPath("gone"), dir), "");
    EXPECT_EQ(SerialDeviceNames::ByIdPath(dock.SlavePath(), serialtest::TempPath("no-dir")), "");
}

// Lists this computer's devices without opening any. Virtual machines often run their console
// on ttyS0, which Qt lists as a serial port: discovery must leave it out.
TEST(QtSerialPortDiscoveryTest, NeverListsAConsoleTty) {
    const std::set<std::string> consoles = SerialDeviceNames::ConsoleNames();
    QtSerialPortDiscovery discovery;
    for (const DiscoveredPort& port : discovery.Discover()) {
        EXPECT_FALSE(SerialDeviceNames::IsConsole(port.devicePath, consoles)) << port.devicePath;
        EXPECT_FALSE(port.devicePath.empty());
        if (!port.byIdPath.empty()) {
            EXPECT_EQ(fs::canonical(port.byIdPath), fs::canonical(port.devicePath));
        }
    }
}

} // namespace
