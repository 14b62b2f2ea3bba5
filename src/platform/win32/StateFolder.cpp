#include "platform/StateFolder.h"

#include "platform/win32/Utf16.h"

#include <shlobj.h>
#include <windows.h>

// The user's local application data (it does not roam to other computers), as the environment
// names it, else as the shell knows it: ...\AppData\Local\Tapline Brisk.
std::string ProgramStateFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (n == 0 || n > MAX_PATH)
        ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return Utf8(folder) + "\\Tapline Brisk";
}
