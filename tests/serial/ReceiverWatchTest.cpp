#include "serial/ReceiverWatch.h"
#include "ReceiverPort.h"
#include "ReceiverSimulator.h"
#include "SerialTestSupport.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <poll.h>

namespace fs = std::filesystem;
using Change = CReceiverWatch::Change;
using State = CReceiverWatch::State;

namespace {

// A USB receiver as udev shows it: a link in <temp>/dev/serial/by-id to the receiver's
// pseudo-terminal, mapped as COM3. Unplugging removes the link or hangs the line up (or both);
// plugging in again points a new link at a new pseudo-terminal.
class ReceiverWatchTest : public ::testing::Test {
protected:
    ReceiverWatchTest() {
        std::string pattern = serialtest::TempPath("receiver-watch-XXXXXX");
        root = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        byId = fs::path(root) / "dev" / "serial" / "by-id";
        link = byId / "usb-Trailnote_USB_Dock_0042-if00-port0";
        fs::create_directories(byId);
        MapReceiverAsCom3(settings, link.string());
    }
    ~ReceiverWatchTest() override {
        port.ClosePort();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void SetUp() override { ASSERT_FALSE(root.empty()); }

    void Plug(const ReceiverSimulator& receiver) {
        fs::remove(link);
        fs::create_symlink(receiver.SlavePath(), link);
    }
    // The operator switches the port on: the search finds the receiver on COM3.
    void Connect() {
        receiver = std::make_unique<ReceiverSimulator>();
        Plug(*receiver);
        ASSERT_EQ(detection.FindSerialDevice(), 1);
        watch.Connected();
        ASSERT_EQ(watch.Current(), State::Connected);
    }
    // What the owner's socket notifier would see within timeoutMs.
    bool WatchWakes(int timeoutMs) {
        pollfd fd{watch.WatchFd(), POLLIN, 0};
        return ::poll(&fd, 1, timeoutMs) == 1;
    }
    std::string ReadReading() {
        pollfd fd{port.Handle(), POLLIN, 0};
        ::poll(&fd, 1, 2000);
        char line[CRS232::LineLimit + 1] = {};
        port.ReadLine(line);
        return line;
    }

    std::string root;
    fs::path byId, link;
    FakeSettingsStore settings;
    FakeSerialPortDiscovery discovery;
    FakeMessageBox messages;
    CRS232 port;
    CDeviceDetection detection{port, settings, discovery, messages};
    CReceiverWatch watch{port, detection};
    std::unique_ptr<ReceiverSimulator> receiver;
};

TEST_F(ReceiverWatchTest, UnpluggedReceiverIsGoneAndTakenBackWhenItsLinkReturns) {
    Connect();
    EXPECT_EQ(watch.Port(), 3);
    EXPECT_EQ(watch.DeviceType(), 3);
    EXPECT_EQ(watch.Check(), Change::None);

    receiver->Hangup();
    EXPECT_EQ(watch.Check(), Change::Gone);
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(watch.Current(), State::Waiting);
    EXPECT_EQ(watch.Check(true), Change::None) << "gone is told once";
    EXPECT_FALSE(watch.WantsRetry()) << "the receiver's node is gone";
    ASSERT_GE(watch.WatchFd(), 0);
    EXPECT_FALSE(WatchWakes(1000)) << "waiting with nothing changing wakes nobody";

    ReceiverSimulator back;
    Plug(back);
    ASSERT_TRUE(WatchWakes(5000));
    EXPECT_EQ(watch.Check(), Change::Back);
    EXPECT_EQ(watch.Current(), State::Connected);
    EXPECT_EQ(port.IsOpen(), 1);
    EXPECT_EQ(port.PortName, "COM3");
    EXPECT_EQ(back.IdentifyCount(), 1);
    back.SendReading("12.345");
    EXPECT_EQ(ReadReading(), "12.345\r");
}

TEST_F(ReceiverWatchTest, ReceiverWhoseLinkGoesOrLeadsElsewhereIsGoneWithoutHangUp) {
    const struct {
        const char* name;
        bool otherDevice; // else the link is removed
    } rows[] = {{"link removed", false}, {"link to another device", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Connect();
        ReceiverSimulator other({ReplyMode::Silent});
        if (row.otherDevice)
            Plug(other);
        else
            fs::remove(link);
        ASSERT_TRUE(WatchWakes(5000));
        EXPECT_EQ(watch.Check(), Change::Gone);
        EXPECT_EQ(port.IsOpen(), 0);
        CRS232 otherProgram;
        otherProgram.DevicePath = [&](int) { return receiver->SlavePath(); };
        EXPECT_EQ(otherProgram.OpenPort(), 1) << "the old receiver's line was let go";
        EXPECT_EQ(other.IdentifyCount(), 0) << "nothing is tried before the owner retries";
    }
}

TEST_F(ReceiverWatchTest, WhatAnswersBehindTheReturningLinkDecidesAndRetries) {
    const struct {
        const char* name;
        ReceiverOptions options;
        bool heldByOtherProgram; // until the first retry
        Change first;
        State last;        // after retrying for as long as the watch wants to
        int identifyCount; // identify commands the returning device saw
    } rows[] = {
        {"same model, held by another program", {}, true, Change::Refused, State::Connected, 1},
        {"another model",
         {ReplyMode::Normal, "TN-SDCK-00,"},
         false,
         Change::OtherReceiver,
         State::Waiting,
         1},
        {"silent",
         {ReplyMode::Silent},
         false,
         Change::NoAnswer,
         State::Waiting,
         1 + CReceiverWatch::NoAnswerRetries},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Connect();
        receiver->Hangup();
        ASSERT_EQ(watch.Check(), Change::Gone);

        ReceiverSimulator back(row.options);
        CRS232 otherProgram;
        otherProgram.DevicePath = [&](int) { return back.SlavePath(); };
        if (row.heldByOtherProgram) {
            ASSERT_EQ(otherProgram.OpenPort(), 1);
        }
        Plug(back);
        ASSERT_TRUE(WatchWakes(5000));
        EXPECT_EQ(watch.Check(), row.first);
        EXPECT_EQ(port.IsOpen(), 0);
        otherProgram.ClosePort();

        for (int tries = 0; watch.WantsRetry() && tries < 10; ++tries)
            watch.Check(true);
        EXPECT_EQ(watch.Current(), row.last);
        EXPECT_EQ(port.IsOpen(), row.last == State::Connected ? 1 : 0);
        EXPECT_EQ(watch.Check(true), Change::None);
        EXPECT_EQ(back.IdentifyCount(), row.identifyCount);
    }
}

TEST_F(ReceiverWatchTest, PortSwitchedOffWhileWaitingReopensNothing) {
    Connect();
    receiver->Hangup();
    ASSERT_EQ(watch.Check(), Change::Gone);
    watch.Stop();
    EXPECT_EQ(watch.Current(), State::Off);
    EXPECT_EQ(watch.WatchFd(), -1);

    ReceiverSimulator back;
    Plug(back);
    EXPECT_EQ(watch.Check(), Change::None);
    EXPECT_EQ(watch.Check(true), Change::None);
    EXPECT_FALSE(watch.WantsRetry());
    EXPECT_EQ(port.IsOpen(), 0);
    EXPECT_EQ(back.IdentifyCount(), 0);
}

TEST_F(ReceiverWatchTest, ByIdFolderRemovedWithTheLastDeviceAndMadeAgain) {
    Connect();
    const fs::path serial = byId.parent_path();
    fs::remove_all(serial);
    ASSERT_TRUE(WatchWakes(5000));
    EXPECT_EQ(watch.Check(), Change::Gone);

    fs::create_directory(serial);
    ASSERT_TRUE(WatchWakes(5000));
    EXPECT_EQ(watch.Check(), Change::None);
    EXPECT_EQ(port.IsOpen(), 0);

    // The folder and the link at once, as udev makes them: the link may be there before the
    // folder is watched.
    fs::create_directory(byId);
    Plug(*receiver);
    ASSERT_TRUE(WatchWakes(5000));
    EXPECT_EQ(watch.Check(), Change::Back);
    EXPECT_EQ(port.IsOpen(), 1);
    EXPECT_EQ(receiver->IdentifyCount(), 2);
}

} // namespace
