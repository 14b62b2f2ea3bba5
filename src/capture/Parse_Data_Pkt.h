#pragma once

#include "capture/PacketTargets.h"
#include "capture/ViewFields.h"
#include "setup/SetupRecord.h"

#include <cstdint>
#include <functional>
#include <string>

// Turns one complete packet into the output text, shows both forms on the main view and delivers
// the text to the keystroke target and then the file target, each while its switch is on.
class CParse_Data_Pkt {
public:
    static constexpr int BufferSize = 500;

    virtual ~CParse_Data_Pkt() = default;

    PacketOwner* Owner = nullptr;
    SetupRecord* Setup = nullptr; // read at every packet
    ViewFields* Fields = nullptr;
    unsigned char PacketBuffer[BufferSize] = {};
    int PacketCount = 0;
    std::u16string OutputText;
    int OutputLength = 0;

    // The current time as seconds since 1970; replaced by tests.
    std::function<std::int64_t()> Now;

    CParse_Data_Pkt();

    void ProcessPacket();
    void ShowInputPacket();
    void ShowOutputPacket();
    void FormatPacket();

    static std::u16string BracketText(unsigned c);
    static std::u16string ControlName(unsigned c);
    std::u16string TimeStamp(std::int64_t now) const;
    std::u16string DateTimeStamp(std::int64_t now) const;
};
