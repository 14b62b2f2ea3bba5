#include "targets/Target_File.h"

#include "platform/posix/ExclusiveFile.h"
#include "targets/TextString.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

std::string CTarget_File::LineBytes(std::u16string text) {
    std::erase(text, u'\n');
    if (text.empty())
        return {};
    std::u16string lines;
    lines.reserve(text.size() + 8);
    for (const char16_t c : text) {
        lines += c;
        if (c == u'\r')
            lines += u'\n';
    }
    if (lines.back() != u'\n')
        lines += u"\r\n";
    return CTextString::ToNarrow(lines);
}

namespace {

// Writes all of bytes at the end of the file, or leaves the file as it was.
bool AppendAll(int fd, const std::string& bytes) {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A full disk or an I/O error: no half line stays behind for the readers of the file.
            while (::ftruncate(fd, end) != 0 && errno == EINTR) {
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void CTarget_File::WritePacket(std::u16string text) {
    if (text.empty())
        return;
    const std::string bytes = LineBytes(std::move(text));
    if (bytes.empty())
        return; // only line feeds: nothing to write

    // The record holds the path as the file system's bytes.
    const std::string path(Setup->TargetFilePath,
                           strnlen(Setup->TargetFilePath, sizeof Setup->TargetFilePath));
    ExclusiveFile file;
    if (!file.Open(path, true) || !AppendAll(file.Fd(), bytes)) {
        ++Owner->FileErrorCount;
        return;
    }
    file.Close();
    ++Owner->FileWriteCount;
}
