#pragma once

#include "capture/PacketTargets.h"

#include <functional>
#include <string>
#include <vector>

// Records what reaches each target.
class RecordingKeystrokeTarget : public KeystrokeTarget {
public:
    std::vector<std::u16string> packets;
    std::function<void()> onSend; // lets a test make delivery fail
    void SendPacket(const std::u16string& text) override {
        if (onSend)
            onSend();
        packets.push_back(text);
    }
};

class RecordingFileTarget : public FileTarget {
public:
    std::vector<std::u16string> packets;
    std::function<void()> onWrite;
    void WritePacket(std::u16string text) override {
        if (onWrite)
            onWrite();
        packets.push_back(std::move(text));
    }
};

// The owner view as the formatter and the file writer see it.
class FakePacketOwner : public PacketOwner {
public:
    RecordingKeystrokeTarget app;
    RecordingFileTarget file;
    FileTarget* fileTarget = &file; // a test may plug in the real writer
    int countersShown = 0;

    KeystrokeTarget& AppTarget() override { return app; }
    FileTarget& DiskTarget() override { return *fileTarget; }
    void ShowFileCounters() override { ++countersShown; }
};
