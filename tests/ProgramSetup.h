#pragma once

#include "setup/SetupRecord.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

// Writes a setup file as the end-to-end tests start the program with: it opens the port and
// writes every reading to target; sendToApp also types them, into the window whose title
// contains targetTitle (else the focused window).
inline void WriteProgramSetup(const std::filesystem::path& file,
                              const std::filesystem::path& target, bool sendToApp,
                              const std::string& targetTitle = {}) {
    SetupRecords records;
    records.SetDefaults();
    if (!targetTitle.empty()) {
        records.Setup.TargetAppMode = 1;
        std::strncpy(records.Setup.TargetAppTitle, targetTitle.c_str(), 100);
    }
    records.Setup.OpenSerialPort = 1;
    records.Setup.OpenWriteToFile = 1;
    records.Setup.OpenAppActive = sendToApp ? 1 : 0;
    std::strncpy(records.Setup.TargetFilePath, target.string().c_str(), 300);
    std::strncpy(records.Setup.TargetFileName, target.filename().string().c_str(), 300);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(records.Setup.Bytes()), SetupRecord::Size);
}
