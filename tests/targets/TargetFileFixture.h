#pragma once

#include "fakes/FakePacketOwner.h"
#include "targets/Target_File.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

// A target file writer in a folder of its own, and what a test reads back.

namespace fs = std::filesystem;

inline int ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

inline std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The packets "0\r" .. "<n-1>\r" and the lines they make in the file.
inline std::u16string Reading(int i) {
    const std::string digits = std::to_string(i);
    return std::u16string(digits.begin(), digits.end()) + u'\r';
}
inline std::string Lines(int from, int to) {
    std::string lines;
    for (int i = from; i < to; ++i)
        lines += std::to_string(i) + "\r\n";
    return lines;
}

inline std::vector<fs::path> SpoolFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        files.push_back(entry.path());
    return files;
}

class TargetFileTest : public ::testing::Test {
protected:
    TargetFileTest() {
        records.SetDefaults();
        dir = fs::temp_directory_path() / ("target-" + std::to_string(ProcessId()));
        fs::create_directories(dir);
        Attach(writer);
        UseFile(dir / "readings.csv");
    }
    ~TargetFileTest() override { fs::remove_all(dir); }

    void UseFile(const fs::path& path) {
        file = path;
        std::strncpy(records.Setup.TargetFilePath, path.string().c_str(), 300);
    }
    // A writer as the next start of the program makes it.
    void Attach(CTarget_File& w) {
        w.Owner = &owner;
        w.Setup = &records.Setup;
        w.SpoolFolder = (dir / "spool").string();
    }

    SetupRecords records;
    FakePacketOwner owner;
    CTarget_File writer;
    fs::path dir, file;
};
