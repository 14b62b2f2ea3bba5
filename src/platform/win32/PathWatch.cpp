#include "platform/PathWatch.h"

#include "platform/win32/Utf16.h"

#include <filesystem>
#include <windows.h>

namespace fs = std::filesystem;

namespace {

constexpr DWORD FolderChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_ATTRIBUTES;

bool IsDevicePath(const std::string& path) {
    return path.rfind("\\\\.\\", 0) == 0;
}

fs::path DeepestExistingFolder(fs::path folder) {
    std::error_code ec;
    while (!fs::is_directory(folder, ec) && folder.has_relative_path())
        folder = folder.parent_path();
    return folder;
}

// Asks for one signal of the event at the next change of the key's values.
bool NotifyOnChange(HKEY key, HANDLE event) {
    return ::RegNotifyChangeKeyValue(key, FALSE,
                                     REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event,
                                     TRUE) == ERROR_SUCCESS;
}

} // namespace

PathWatch::~PathWatch() {
    Stop();
}

bool PathWatch::Watch(const std::string& path) {
    Stop();
    if (path.empty())
        return false;
    if (IsDevicePath(path)) {
        path_ = path;
        HKEY key = nullptr;
        // The key exists only while a serial port is installed; its parent is watched then.
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_NOTIFY,
                            &key) != ERROR_SUCCESS &&
            ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP", 0, KEY_NOTIFY, &key) !=
                ERROR_SUCCESS)
            return false;
        key_ = key;
        fd_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (fd_ == nullptr || !NotifyOnChange(key, fd_)) {
            Stop();
            return false;
        }
        return true;
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec)
        return false;
    path_ = absolute.lexically_normal().string();
    Arm();
    return fd_ != NoWaitHandle;
}

void PathWatch::Stop() {
    if (key_ != nullptr) {
        ::RegCloseKey(static_cast<HKEY>(key_));
        if (fd_ != nullptr)
            ::CloseHandle(fd_);
    } else if (fd_ != nullptr) {
        ::FindCloseChangeNotification(fd_);
    }
    key_ = nullptr;
    fd_ = NoWaitHandle;
    folder_.clear();
}

bool PathWatch::Arm() {
    const fs::path folder = DeepestExistingFolder(fs::path(path_).parent_path());
    if (fd_ != nullptr && folder.string() == folder_)
        return false;
    const HANDLE change =
        ::FindFirstChangeNotificationW(folder.wstring().c_str(), FALSE, FolderChanges);
    if (change == INVALID_HANDLE_VALUE)
        return false;
    if (fd_ != nullptr)
        ::FindCloseChangeNotification(fd_);
    fd_ = change;
    folder_ = folder.string();
    return true;
}

bool PathWatch::TakeEvents() {
    if (fd_ == nullptr || ::WaitForSingleObject(fd_, 0) != WAIT_OBJECT_0)
        return false;
    if (key_ != nullptr) {
        ::ResetEvent(fd_);
        NotifyOnChange(static_cast<HKEY>(key_), fd_);
        return true;
    }
    ::FindNextChangeNotification(fd_);
    Arm(); // a folder on the way may have come or gone
    return true;
}
