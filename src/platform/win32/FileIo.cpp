#include "platform/FileIo.h"

#include "platform/win32/ErrnoFromWin32.h"
#include "platform/win32/Utf16.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

int Fail() {
    errno = ErrnoFromWin32(::GetLastError());
    return -1;
}

} // namespace

namespace FileIo {

int Open(const std::string& path, int flags, int /*mode*/) {
    DWORD access = GENERIC_READ;
    if ((flags & O_ACCMODE) == O_WRONLY)
        access = GENERIC_WRITE;
    else if ((flags & O_ACCMODE) == O_RDWR)
        access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & O_CREAT) && (flags & O_EXCL))
        disposition = CREATE_NEW;
    else if ((flags & O_CREAT) && (flags & O_TRUNC))
        disposition = CREATE_ALWAYS;
    else if (flags & O_CREAT)
        disposition = OPEN_ALWAYS;
    else if (flags & O_TRUNC)
        disposition = TRUNCATE_EXISTING;
    // Shared for delete too: a spool is removed while it is still open, as on POSIX systems.
    const HANDLE file = ::CreateFileW(Utf16(path).c_str(), access,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail();
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        ::CloseHandle(file);
        errno = EMFILE;
    }
    return fd;
}

int Close(int fd) {
    return ::_close(fd);
}

long long ReadAt(int fd, void* data, std::size_t size, long long offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!::ReadFile(HandleOf(fd), data, want, &n, &at))
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : Fail();
    return n;
}

long long WriteAt(int fd, const void* data, std::size_t size, long long offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!::WriteFile(HandleOf(fd), data, want, &n, &at))
        return Fail();
    return n;
}

long long SeekEnd(int fd) {
    LARGE_INTEGER end{};
    if (!::SetFilePointerEx(HandleOf(fd), LARGE_INTEGER{}, &end, FILE_END))
        return Fail();
    return end.QuadPart;
}

int Truncate(int fd, long long size) {
    const HANDLE file = HandleOf(fd);
    LARGE_INTEGER at{};
    at.QuadPart = size;
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !::SetEndOfFile(file))
        return Fail();
    return 0;
}

int SyncData(int fd) {
    return ::FlushFileBuffers(HandleOf(fd)) ? 0 : Fail();
}

void SyncFolder(const std::string&) {
    // NTFS journals its folders itself; Windows offers no flush of a folder to its users.
}

int MakeFolder(const std::string& path) {
    return ::CreateDirectoryW(Utf16(path).c_str(), nullptr) ? 0 : Fail();
}

int Remove(const std::string& path) {
    return ::DeleteFileW(Utf16(path).c_str()) ? 0 : Fail();
}

int Replace(const std::string& from, const std::string& to) {
    return ::MoveFileExW(Utf16(from).c_str(), Utf16(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : Fail();
}

} // namespace FileIo
