#include "platform/win32/SerialComm.h"

#include "platform/win32/Utf16.h"

#include <windows.h>

std::vector<SerialCommEntry> SerialCommEntries() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                        &key) != ERROR_SUCCESS)
        return {};
    std::vector<SerialCommEntry> entries;
    for (DWORD index = 0;; ++index) {
        wchar_t name[501] = {};
        wchar_t data[51] = {}; // bytes: 100, room for a NUL after the longest name
        DWORD nameSize = 501;
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result = ::RegEnumValueW(key, index, name, &nameSize, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        if (type != REG_SZ)
            continue;
        entries.push_back({Utf8(name), Utf8(data)});
    }
    ::RegCloseKey(key);
    return entries;
}

std::string PortDevicePath(const std::string& port) {
    return "\\\\.\\" + port;
}
