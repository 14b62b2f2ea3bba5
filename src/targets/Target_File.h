#pragma once

#include "capture/PacketTargets.h"
#include "setup/SetupRecord.h"

#include <string>

// Appends every formatted packet as one line to the target file, opening the file exclusively
// for each packet so that other programs can read it between packets, and counts written and
// failed packets in the owner's counters.
class CTarget_File : public FileTarget {
public:
    PacketOwner* Owner = nullptr;
    SetupRecord* Setup = nullptr; // TargetFilePath is read for every packet

    void WritePacket(std::u16string text) override;

    // The bytes appended for one packet: line feeds dropped, every carriage return and the end
    // of the text followed by one line feed, one byte per character.
    static std::string LineBytes(std::u16string text);
};
