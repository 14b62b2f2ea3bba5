#include "setup/SetupRecord.h"

#include <cstring>

void SetupRecords::SetDefaults() {
    std::memset(&Setup, 0, sizeof Setup);
    Setup.RecordSize = SetupRecord::Size;
    Setup.ModelCode = SetupRecord::CurrentModel;
    Setup.RecordVersion = SetupRecord::CurrentVersion;
    Setup.EndOfPacket = 0;
    Setup.CommaReplacement = ',';
    Setup.ProgramIcon = 0;
    Setup.StampType = 0;
    std::memcpy(&SavedSetup, &Setup, sizeof Setup);
}

bool SetupRecords::SetupChanged() const {
    // Every byte counts: the header, the remains after a text's terminator and Reserved.
    return std::memcmp(Setup.Bytes(), SavedSetup.Bytes(), SetupRecord::Size) != 0;
}
