#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

// Another program (hold-file.exe beside the test) that holds a file open without sharing until
// this object is destroyed, as a spreadsheet holds the file it shows.
class OtherProgramHolding {
public:
    explicit OtherProgramHolding(const std::filesystem::path& file) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr;
        EXPECT_TRUE(::CreatePipe(&childIn, &release_, &inherit, 0));
        EXPECT_TRUE(::CreatePipe(&ready_, &childOut, &inherit, 0));
        ::SetHandleInformation(release_, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(ready_, HANDLE_FLAG_INHERIT, 0);
        wchar_t self[MAX_PATH];
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring program =
            (std::filesystem::path(self).parent_path() / L"hold-file.exe").wstring();
        std::wstring command = L"\"" + program + L"\" \"" + file.wstring() + L"\"";
        STARTUPINFOW start{};
        start.cb = sizeof start;
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = childIn;
        start.hStdOutput = childOut;
        start.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        EXPECT_TRUE(::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                     nullptr, nullptr, &start, &process_));
        ::CloseHandle(childIn);
        ::CloseHandle(childOut);
        char c = 0;
        DWORD n = 0;
        EXPECT_TRUE(::ReadFile(ready_, &c, 1, &n, nullptr) && n == 1);
        EXPECT_EQ(c, 'y') << "the other program could not open " << file;
    }
    ~OtherProgramHolding() {
        ::CloseHandle(release_);
        ::WaitForSingleObject(process_.hProcess, INFINITE);
        ::CloseHandle(process_.hProcess);
        ::CloseHandle(process_.hThread);
        ::CloseHandle(ready_);
    }
    OtherProgramHolding(const OtherProgramHolding&) = delete;
    OtherProgramHolding& operator=(const OtherProgramHolding&) = delete;

private:
    HANDLE release_ = nullptr;
    HANDLE ready_ = nullptr;
    PROCESS_INFORMATION process_{};
};
