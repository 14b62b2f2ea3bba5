#pragma once

#include <string>

// The answers to --help and --version, given before any window system is touched, so that they
// work without a display (over SSH, in scripts, for the manual page).
class CommandLine {
public:
    // The text for the first argument that asks for one (--help, -h, --version, -v); empty when
    // the program is to start normally.
    static std::string Answer(int argc, const char* const* argv);

    static std::string Help();
    static std::string Version();
};
