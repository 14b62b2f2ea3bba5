#include "platform/ExclusiveFile.h"

#include "platform/win32/ErrnoFromWin32.h"
#include "platform/win32/Utf16.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

// Windows has what the class stands for: an open without sharing fails with
// ERROR_SHARING_VIOLATION while any other handle of the file is open, and no other program can
// open the file while this handle is. The handle is kept as a C runtime descriptor, so that
// callers use Fd() with the same file functions everywhere.

ExclusiveFile::~ExclusiveFile() {
    Close();
}

bool ExclusiveFile::Open(const std::string& path, bool create) {
    Close();
    error_ = 0;
    if (path.empty()) {
        error_ = ENOENT;
        return false;
    }
    const HANDLE file =
        ::CreateFileW(Utf16(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                      create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = ErrnoFromWin32(::GetLastError());
        return false;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        ::CloseHandle(file);
        error_ = EMFILE;
        return false;
    }
    fd_ = fd;
    return true;
}

bool ExclusiveFile::Append(const std::string& bytes) {
    const HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
    LARGE_INTEGER end{};
    if (!::SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END)) {
        error_ = ErrnoFromWin32(::GetLastError());
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        DWORD n = 0;
        if (!::WriteFile(file, bytes.data() + done, left > 0x40000000 ? 0x40000000 : DWORD(left),
                         &n, nullptr)) {
            error_ = ErrnoFromWin32(::GetLastError());
            break;
        }
        if (n == 0) {
            error_ = ENOSPC;
            break;
        }
        done += n;
    }
    if (done == bytes.size()) {
        if (::FlushFileBuffers(file))
            return true;
        error_ = ErrnoFromWin32(::GetLastError());
    }
    // A half-written line, or one the disk could not keep, is cut off again; the caller keeps
    // the line and writes it whole later.
    ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file);
    return false;
}

void ExclusiveFile::Close() {
    if (fd_ < 0)
        return;
    ::_close(fd_); // closes the handle too
    fd_ = -1;
    lease_ = false;
}
