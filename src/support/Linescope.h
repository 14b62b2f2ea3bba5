#pragma once

#include "platform/MessageBoxService.h"
#include "platform/ProcessLauncher.h"
#include "platform/WindowSystem.h"

#include <functional>
#include <string>
#include <vector>

// Starts the separate communications test program Linescope with the current port settings,
// brings a running copy to the front, and keeps out of its way on the serial port: running
// copies are asked to let go of their port before this program opens one, and told when it is
// free again.
class CLinescope {
public:
    CLinescope(WindowSystem& windows, ProcessLauncher& launcher, MessageBoxService& messages);
    virtual ~CLinescope() = default;

    std::string AppFolder; // the folder of Linescope, with its final '/'
    // The test program's file in AppFolder.
#ifdef _WIN32
    static constexpr const char* ProgramFile = "Linescope.exe";
#else
    static constexpr const char* ProgramFile = "Linescope";
#endif
    // Gives a running test program time to close its port; tests replace it.
    std::function<void(int ms)> Sleep;

    // parity holds the character code of the parity letter ('N', 'E', ...).
    void LaunchTestProgram(int port, int baud, int parity, int dataBits, int stopBits);
    void RequestPortRelease();
    void AnnouncePortFree();

    // The switches that tell Linescope the port settings, one argument each.
    static std::vector<std::string> Arguments(int port, int baud, int parity, int dataBits,
                                              int stopBits);

    static constexpr int ReleasePort = 1003;
    static constexpr int PortFree = 1004;
    static constexpr int ReleaseWaitMs = 500;

private:
    std::vector<WindowId> TestProgramWindows(bool anyTitle);
    int PostToTestPrograms(int wParam);

    WindowSystem& windows_;
    ProcessLauncher& launcher_;
    MessageBoxService& messages_;
};
