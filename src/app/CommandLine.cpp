#include "app/CommandLine.h"

#include "BriskVersion.h"

#include <cstring>

std::string CommandLine::Answer(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return Help();
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0)
            return Version();
    }
    return {};
}

std::string CommandLine::Version() {
    return std::string("Tapline Brisk ") + BRISK_VERSION + "\n";
}

std::string CommandLine::Help() {
    return "Usage: tapline-brisk [SETUP-FILE]\n"
           "       tapline-brisk --help | --version\n"
           "\n"
           "Tapline Brisk is a serial keyboard wedge. It finds the receiver base of wireless\n"
           "measuring instruments on a serial or USB port, turns every reading into text by the\n"
           "rules of the open setup (end-of-packet character, time or date-and-time stamp, comma\n"
           "and carriage-return conversions), types it into the application you work in and\n"
           "appends it as a line to a target file.\n"
           "\n"
           "  SETUP-FILE     a setup (.tpln_brisk) to open at start; a running copy of the\n"
           "                 program on the same display opens it instead\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n"
           "\n"
           "Settings:\n"
           "  ~/.config/Orvane Systems/Tapline Brisk.conf holds the per-user settings: the\n"
           "  serial ports to search ([Settings] UsePorts), the device behind each COM number\n"
           "  ([SerialDeviceMap]) and how readings are typed:\n"
           "    KeyboardTyping=Layout     (default) the characters of the reading, as the active\n"
           "                              keyboard layout types them\n"
           "    KeyboardTyping=ScanCodes  US-layout key positions, for programs that read keys\n"
           "                              rather than characters (some remote desktops)\n"
           "  Change it while the program is closed. Readings that could not yet be written to\n"
           "  their target file wait in ~/.local/state/tapline-brisk/.\n"
           "\n"
           "The user's guide: Help > User's Guide, or /usr/share/tapline-brisk/.\n";
}
