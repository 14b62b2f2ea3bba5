#include "platform/FileHolders.h"

#include "platform/win32/Utf16.h"

#include <algorithm>
#include <vector>
// clang-format off
#include <windows.h>
#include <restartmanager.h>
// clang-format on

namespace {

// A Restart Manager session, ended whatever way the lookup leaves.
class RmSession {
public:
    RmSession() {
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        ok_ = ::RmStartSession(&handle_, 0, key) == ERROR_SUCCESS;
    }
    ~RmSession() {
        if (ok_)
            ::RmEndSession(handle_);
    }
    RmSession(const RmSession&) = delete;
    RmSession& operator=(const RmSession&) = delete;
    bool Ok() const { return ok_; }
    DWORD Handle() const { return handle_; }

private:
    DWORD handle_ = 0;
    bool ok_ = false;
};

} // namespace

std::vector<std::string> ProgramsHolding(const std::string& path) {
    RmSession session;
    if (!session.Ok())
        return {};
    std::wstring file = Utf16(path);
    LPCWSTR files[] = {file.c_str()};
    if (::RmRegisterResources(session.Handle(), 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS)
        return {};
    std::vector<RM_PROCESS_INFO> found(8);
    for (int tries = 0; tries < 4; ++tries) {
        UINT needed = 0;
        UINT count = static_cast<UINT>(found.size());
        DWORD reasons = 0;
        const DWORD result = ::RmGetList(session.Handle(), &needed, &count, found.data(), &reasons);
        if (result == ERROR_MORE_DATA) {
            found.resize(needed + 4); // programs may open it while we look
            continue;
        }
        if (result != ERROR_SUCCESS)
            return {};
        const DWORD self = ::GetCurrentProcessId();
        std::vector<std::string> names;
        for (UINT i = 0; i < count; ++i)
            if (found[i].Process.dwProcessId != self && found[i].strAppName[0] != L'\0')
                names.push_back(Utf8(found[i].strAppName));
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        return names;
    }
    return {};
}
