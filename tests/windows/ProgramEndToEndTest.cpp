// The Windows program as an operator uses it, under Wine: it finds the receiver on COM5 (a
// pseudo-terminal on the Linux side), appends every reading to its target file and types it into
// Wine's notepad, in both typing modes and by window title.
#include "ProgramSetup.h"
#include "PtyLine.h"
#include "platform/win32/Win32WindowSystem.h"

#include "Notepad.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int Com = 5;
const wchar_t* const AppKey = L"Software\\Orvane Systems\\Tapline Brisk";

void SetValue(const std::wstring& subKey, const wchar_t* name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(AppKey) + L"\\" + subKey).c_str(), name,
                    REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A value of the program's settings as text ("" when missing).
std::wstring SettingText(const wchar_t* name) {
    const std::wstring key = std::wstring(AppKey) + L"\\Settings";
    DWORD type = 0;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return {};
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, &type, data.data(), &size);
    if (type == REG_DWORD)
        return std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
    return data.c_str();
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits until the file holds the text; returns what it holds then.
std::string FileOnceItIs(const fs::path& path, const std::string& expected) {
    std::string text;
    WaitUntil(
        [&] {
            text = FileText(path);
            return text == expected;
        },
        15000);
    return text;
}

class ProgramEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(line_.Ready());
        line_.AnswerIdentify("\rTN-UDCK-00,1.04\r");
        dir_ = fs::temp_directory_path() / "end-to-end";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // The operator's settings: COM5 is the only port the search may try.
        RegDeleteTreeW(HKEY_CURRENT_USER, AppKey);
        std::wstring use(200, L'0');
        use[Com - 1] = L'1';
        SetValue(L"Settings", L"UsePorts", use);
        SetValue(L"Settings", L"InstalledPorts", std::wstring(200, L'1'));
        SetValue(L"Settings", L"CfgFileFolder", dir_.wstring());
    }
    void TearDown() override {
        if (program_.hProcess != nullptr) {
            TerminateProcess(program_.hProcess, 0);
            WaitForSingleObject(program_.hProcess, 10000);
            CloseHandle(program_.hThread);
            CloseHandle(program_.hProcess);
        }
    }

    // A setup that opens the port, writes to target and types every reading.
    fs::path WriteSetup(const fs::path& target, const std::string& targetTitle = {}) {
        const fs::path setup = dir_ / "Line 3.tpln_brisk";
        WriteProgramSetup(setup, target, true, targetTitle);
        return setup;
    }

    // Starts the program as the shell does for a setup file.
    static bool Launch(const fs::path& setup, PROCESS_INFORMATION& process) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const fs::path exe = fs::path(self).parent_path() / "TaplineBrisk.exe";
        std::wstring commandLine = L"\"" + exe.wstring() + L"\" \"" + setup.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process) != FALSE;
    }

    // The window with this title, once there is one; 0 after the wait.
    WindowId WindowTitled(const std::u16string& title) {
        WindowId found = 0;
        WaitUntil(
            [&] {
                for (const WindowId window : windows_.TopLevelWindows())
                    if (windows_.Title(window) == title)
                        found = window;
                return found != 0;
            },
            30000);
        return found;
    }

    // Starts the program and waits for its window.
    WindowId Start(const fs::path& setup) {
        return Launch(setup, program_) ? WindowTitled(u"Tapline Brisk - Line 3") : 0;
    }

    // Gives the window the keyboard and sees that it keeps it: the program activates its own
    // window once more as its start ends.
    bool ActivateForGood(WindowId window) {
        return WaitUntil(
            [&] {
                windows_.Activate(window);
                return windows_.WaitForKeyboard(window, 2000) &&
                       !WaitUntil([&] { return windows_.Foreground() != window; }, 1000);
            },
            15000);
    }

    // Readings as the receiver sends them; the text the file and notepad should then hold.
    void SendReadings(const std::vector<std::string>& readings, std::string& file,
                      std::wstring& typed) {
        for (const std::string& r : readings) {
            line_.Send(r + "\r");
            file += r + "\r\n";
            typed += std::wstring(r.begin(), r.end()) + L"\r\n";
            ASSERT_EQ(FileOnceItIs(target_, file), file);
        }
    }

    PtyLine line_{Com};
    Win32WindowSystem windows_;
    fs::path dir_;
    fs::path target_;
    PROCESS_INFORMATION program_{};
};

// Mode 0 in both typing modes: the receiver is found, and every reading reaches the file and
// the window the operator works in.
TEST_F(ProgramEndToEnd, ReadingsReachTheFileAndTheFocusedWindowInBothTypingModes) {
    for (const wchar_t* typing : {L"Layout", L"ScanCodes"}) {
        SCOPED_TRACE(std::string(typing, typing + std::wcslen(typing)));
        SetValue(L"Settings", L"KeyboardTyping", typing);
        Notepad notepad(windows_);
        ASSERT_NE(notepad.Window(), 0u);
        target_ = dir_ / (std::wstring(typing) + L".csv");
        const WindowId main = Start(WriteSetup(target_));
        ASSERT_NE(main, 0u);
        // The program's window comes up with the keyboard; the operator then clicks notepad.
        ASSERT_TRUE(windows_.WaitForKeyboard(main, 10000));
        ASSERT_TRUE(ActivateForGood(notepad.Window()));
        std::string file;
        std::wstring typed;
        SendReadings({"12.345", "-0.25", "11", "100.01"}, file, typed);
        EXPECT_EQ(notepad.TextOnceItIs(typed), typed);
        // The port the receiver was found on is kept in the registry for the next start.
        EXPECT_EQ(SettingText(L"LastPort"), std::to_wstring(Com));
        TearDown();
        program_ = {};
    }
}

// Mode 1: the window whose title holds the text gets the readings, brought to the front from
// behind the program's own window; a second start hands its setup file to the running copy.
TEST_F(ProgramEndToEnd, ReadingsGoToTheWindowNamedByItsTitleAndASecondStartHandsItsFileOver) {
    Notepad notepad(windows_);
    ASSERT_NE(notepad.Window(), 0u);
    target_ = dir_ / "titled.csv";
    const WindowId main = Start(WriteSetup(target_, "notepad"));
    ASSERT_NE(main, 0u);
    ASSERT_TRUE(ActivateForGood(main));

    std::string file;
    std::wstring typed;
    SendReadings({"7.5", "3.3"}, file, typed);
    EXPECT_EQ(notepad.TextOnceItIs(typed), typed);
    EXPECT_EQ(windows_.Foreground(), notepad.Window());

    // A setup file opened from Explorer while the program runs goes to the running copy.
    const fs::path other = dir_ / "Line 4.tpln_brisk";
    fs::copy_file(dir_ / "Line 3.tpln_brisk", other);
    PROCESS_INFORMATION second{};
    ASSERT_TRUE(Launch(other, second));
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(second.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(second.hThread);
    CloseHandle(second.hProcess);
    const WindowId renamed = WindowTitled(u"Tapline Brisk - Line 4");
    ASSERT_NE(renamed, 0u);
    DWORD owner = 0;
    GetWindowThreadProcessId(Hwnd(renamed), &owner);
    EXPECT_EQ(owner, program_.dwProcessId);
}

} // namespace
