#include "support/Linescope.h"

#include "targets/TextString.h"

#include <chrono>
#include <string_view>
#include <thread>

namespace {

constexpr std::u16string_view SerialTestTitle = u"Orvane Serial Test Program";
constexpr std::u16string_view LinescopeTitle = u"Orvane Linescope";

char16_t LowerAZ(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The title begins with the pattern, compared without regard to the case of A-Z.
bool BeginsWith(const std::u16string& title, std::u16string_view pattern) {
    if (title.size() < pattern.size())
        return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (LowerAZ(title[i]) != LowerAZ(pattern[i]))
            return false;
    }
    return true;
}

} // namespace

CLinescope::CLinescope(WindowSystem& windows, ProcessLauncher& launcher,
                       MessageBoxService& messages)
    : Sleep([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }),
      windows_(windows), launcher_(launcher), messages_(messages) {}

std::vector<WindowId> CLinescope::TestProgramWindows(bool anyTitle) {
    std::vector<WindowId> found;
    for (const WindowId window : windows_.TopLevelWindows()) {
        if (!windows_.IsWindow(window) || !windows_.IsVisible(window))
            continue;
        const std::u16string title = windows_.Title(window);
        if (title.empty())
            continue;
        if (BeginsWith(title, SerialTestTitle) || (anyTitle && BeginsWith(title, LinescopeTitle)))
            found.push_back(window);
    }
    return found;
}

std::vector<std::string> CLinescope::Arguments(int port, int baud, int parity, int dataBits,
                                               int stopBits) {
    std::string parityLetter = "-P";
    if (parity != 0)
        parityLetter += static_cast<char>(parity);
    return {"-H",
            "-ASKWIRELESS",
            "-C" + std::to_string(port),
            "-B" + std::to_string(baud),
            parityLetter,
            "-D" + std::to_string(dataBits),
            "-S" + std::to_string(stopBits)};
}

void CLinescope::LaunchTestProgram(int port, int baud, int parity, int dataBits, int stopBits) {
    const std::vector<WindowId> running = TestProgramWindows(false);
    if (!running.empty()) {
        const WindowId window = running.front();
        if (windows_.IsMinimised(window))
            windows_.Restore(window);
        windows_.Activate(window);
        return;
    }
    const std::string program = AppFolder + ProgramFile;
    if (!launcher_.StartDetached(program, Arguments(port, baud, parity, dataBits, stopBits))) {
        messages_.Show(Ascii16("Unable to load the communications test program Linescope.  \n") +
                           u"\n" +
                           Ascii16("A copy of Linescope must be located in the same folder as "
                                   "Tapline.     "),
                       MsgStyle::OkBox());
    }
}

int CLinescope::PostToTestPrograms(int wParam) {
    const std::vector<WindowId> targets = TestProgramWindows(true);
    for (const WindowId window : targets)
        windows_.PostPortMessage(window, wParam);
    return static_cast<int>(targets.size());
}

void CLinescope::RequestPortRelease() {
    // Only a running copy needs the time to close its port before the device search opens it.
    if (PostToTestPrograms(ReleasePort) > 0)
        Sleep(ReleaseWaitMs);
}

void CLinescope::AnnouncePortFree() {
    PostToTestPrograms(PortFree);
}
