#pragma once

#include <string>

// Where a formatted packet goes: typed into another application, appended to the target file.
class KeystrokeTarget {
public:
    virtual ~KeystrokeTarget() = default;
    virtual void SendPacket(const std::u16string& text) = 0;
};

class FileTarget {
public:
    virtual ~FileTarget() = default;
    // By value: the writer changes its own copy.
    virtual void WritePacket(std::u16string text) = 0;
};

// What the formatter and the file writer need of the view that owns them: the two switches, the
// two file counters and their display, and the targets.
class PacketOwner {
public:
    virtual ~PacketOwner() = default;

    int SendToApp = 0;      // "Send to App via Keyboard" is on
    int SendToFile = 0;     // "Send to Disk File" is on
    int FileWriteCount = 0; // packets appended to the target file
    int FileErrorCount = 0; // packets not written

    virtual KeystrokeTarget& AppTarget() = 0;
    virtual FileTarget& DiskTarget() = 0;
    virtual void ShowFileCounters() = 0;
};
