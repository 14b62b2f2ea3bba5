// Writes a setup file from command-line options, for the demo and for tests:
//   make-setup FILE [--open-serial] [--write-to-file PATH] [--send-to-app] [--minimized]
//              [--stamp none|time|datetime] [--suffix] [--tray]
#include "setup/SetupRecord.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: make-setup FILE [--open-serial] [--write-to-file PATH] "
                         "[--send-to-app] [--minimized] [--stamp none|time|datetime] [--suffix] "
                         "[--tray]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-')
        return Usage();
    SetupRecords records;
    records.SetDefaults();
    SetupRecord& s = records.Setup;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--open-serial") {
            s.OpenSerialPort = 1;
        } else if (option == "--send-to-app") {
            s.OpenAppActive = 1;
        } else if (option == "--minimized") {
            s.OpenMinimized = 1;
        } else if (option == "--suffix") {
            s.StampPosition = 1;
        } else if (option == "--tray") {
            s.ProgramIcon = 1;
        } else if (option == "--write-to-file" && i + 1 < argc) {
            const std::string path = argv[++i];
            if (path.size() > 300) {
                std::fprintf(stderr, "make-setup: the target path is longer than 300 bytes\n");
                return 2;
            }
            const std::string name = path.substr(path.find_last_of('/') + 1);
            std::strncpy(s.TargetFilePath, path.c_str(), sizeof s.TargetFilePath - 1);
            std::strncpy(s.TargetFileName, name.c_str(), sizeof s.TargetFileName - 1);
            s.OpenWriteToFile = 1;
        } else if (option == "--stamp" && i + 1 < argc) {
            const std::string kind = argv[++i];
            s.StampType = kind == "time" ? 1 : kind == "datetime" ? 2 : 0;
        } else {
            return Usage();
        }
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(s.Bytes()), SetupRecord::Size);
    if (!out) {
        std::fprintf(stderr, "make-setup: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
