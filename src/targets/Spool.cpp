#include "targets/Spool.h"

#include "platform/ExclusiveFile.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string_view>

namespace {

std::string Escape(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// False for anything a complete record cannot hold: a raw NUL (a block the disk never wrote
// reads back as zeros), a tab, an unknown escape.
bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0' || c == '\t')
            return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case '0':
            out += '\0';
            break;
        default:
            return false;
        }
    }
    return true;
}

struct Record {
    char kind = 0;
    std::string path, data;
};

bool Parse(std::string_view text, Record& r) {
    if (text.size() < 2 || (text[0] != 'L' && text[0] != 'M') || text[1] != '\t')
        return false;
    const std::size_t tab = text.find('\t', 2);
    if (tab == std::string_view::npos)
        return false;
    r.kind = text[0];
    return Unescape(text.substr(2, tab - 2), r.path) && !r.path.empty() &&
           Unescape(text.substr(tab + 1), r.data);
}

std::string LineRecord(const std::string& target, const std::string& line) {
    return "L\t" + Escape(target) + '\t' + Escape(line) + '\n';
}

std::string ReadAll(int fd) {
    std::string data;
    char buffer[65536];
    for (long long at = 0;;) {
        const long long n = FileIo::ReadAt(fd, buffer, sizeof buffer, at);
        if (n <= 0)
            return data;
        data.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
}

// Whether file holds exactly bytes at offset: the lines of an interrupted delivery are there.
bool Holds(const std::string& file, long long offset, const std::string& bytes) {
    const int fd = FileIo::Open(file, O_RDONLY);
    if (fd < 0)
        return false;
    std::string found(bytes.size(), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long long n = FileIo::ReadAt(fd, found.data() + done, bytes.size() - done,
                                           offset + static_cast<long long>(done));
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    FileIo::Close(fd);
    return done == bytes.size() && found == bytes;
}

// Writes all of bytes at offset and waits until they are on the disk; errno tells a failure.
bool WriteSynced(int fd, const std::string& bytes, long long offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long long n = FileIo::WriteAt(fd, bytes.data() + done, bytes.size() - done,
                                            offset + static_cast<long long>(done));
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return FileIo::SyncData(fd) == 0;
}

} // namespace

CSpool::CSpool(std::string folder, std::string target)
    : folder_(std::move(folder)), target_(std::move(target)),
      path_(folder_ + '/' + FileName(target_)) {
    Load();
}

CSpool::~CSpool() {
    if (fd_ >= 0)
        FileIo::Close(fd_);
}

std::string CSpool::FileName(const std::string& target) {
    // FNV-1a: a name that stays the same from run to run, so a target finds its old spool.
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const unsigned char c : target)
        hash = (hash ^ c) * 0x100000001b3u;
    char name[32];
    std::snprintf(name, sizeof name, "%016" PRIx64 ".spool", hash);
    return name;
}

std::string CSpool::TargetOf(const std::string& spoolFile) {
    const int fd = FileIo::Open(spoolFile, O_RDONLY);
    if (fd < 0)
        return {};
    const std::string data = ReadAll(fd);
    FileIo::Close(fd);
    Record r;
    for (std::size_t at = 0, end; (end = data.find('\n', at)) != std::string::npos; at = end + 1)
        if (Parse(std::string_view(data).substr(at, end - at), r) && r.kind == 'L')
            return r.path;
    return {};
}

void CSpool::Load() {
    fd_ = FileIo::Open(path_, O_RDWR);
    if (fd_ < 0)
        return;
    const std::string data = ReadAll(fd_);
    std::vector<std::string> lines;
    std::size_t beforeMarker = 0;
    Record r, marker;
    std::size_t at = 0;
    for (std::size_t end; (end = data.find('\n', at)) != std::string::npos; at = end + 1) {
        if (!Parse(std::string_view(data).substr(at, end - at), r))
            continue;
        if (r.kind == 'L') {
            lines.push_back(std::move(r.data));
        } else {
            beforeMarker = lines.size();
            marker = std::move(r);
        }
    }
    end_ = static_cast<long long>(at);
    if (at < data.size()) {
        // A crash in the middle of an append: cut the torn record off, so that the next
        // record starts on a line of its own.
        if (FileIo::Truncate(fd_, static_cast<long long>(at)) == 0)
            FileIo::SyncData(fd_);
    }

    // A delivery that was interrupted after the lines reached the file but before this spool
    // was removed: the lines are there, and must not be appended twice.
    std::size_t delivered = 0;
    if (beforeMarker > 0) {
        std::string bytes;
        for (std::size_t i = 0; i < beforeMarker; ++i)
            bytes += lines[i];
        char* tail = nullptr;
        const long long offset = std::strtoll(marker.data.c_str(), &tail, 10);
        if (tail && *tail == '\0' && offset >= 0 && Holds(marker.path, offset, bytes))
            delivered = beforeMarker;
    }
    lines_.assign(std::make_move_iterator(lines.begin() + static_cast<long>(delivered)),
                  std::make_move_iterator(lines.end()));
    saved_ = lines_.size();
    if (lines_.empty()) {
        RemoveFile();
        return;
    }
    if (delivered == 0)
        return;
    // Lines came after the delivered ones: keep only those, replacing the file in one step.
    const std::string fresh = path_ + ".new";
    std::string records;
    for (const std::string& line : lines_)
        records += LineRecord(target_, line);
    const int fd = FileIo::Open(fresh, O_RDWR | O_CREAT | O_TRUNC);
    if (fd >= 0 && WriteSynced(fd, records, 0)) {
        // Closed before the new file takes its name: Windows replaces no file that is open.
        FileIo::Close(fd_);
        if (FileIo::Replace(fresh, path_) == 0) {
            FileIo::SyncFolder(folder_);
            fd_ = fd;
            end_ = static_cast<long long>(records.size());
            return;
        }
        fd_ = FileIo::Open(path_, O_RDWR);
    }
    // The old file stays as it is: the lines in memory are right, and only a crash before
    // their delivery would bring the delivered ones back.
    if (fd >= 0) {
        FileIo::Close(fd);
        FileIo::Remove(fresh);
    }
}

bool CSpool::OpenFile() {
    if (fd_ >= 0)
        return true;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder_).parent_path(), ec);
    if (FileIo::MakeFolder(folder_) != 0 && errno != EEXIST)
        return false;
    fd_ = FileIo::Open(path_, O_RDWR | O_CREAT | O_EXCL);
    if (fd_ >= 0) {
        FileIo::SyncFolder(folder_);
        end_ = 0;
        return true;
    }
    if (errno != EEXIST)
        return false;
    fd_ = FileIo::Open(path_, O_RDWR);
    return fd_ >= 0;
}

bool CSpool::WriteRecord(const std::string& record) {
    if (!OpenFile() || !WriteSynced(fd_, record, end_)) {
        error_ = errno;
        if (fd_ >= 0) // no part of the record may stay for the next one to glue onto
            FileIo::Truncate(fd_, end_);
        return false;
    }
    end_ += static_cast<long long>(record.size());
    return true;
}

bool CSpool::WriteUnsaved() {
    if (saved_ == lines_.size())
        return true;
    std::string records;
    for (std::size_t i = saved_; i < lines_.size(); ++i)
        records += LineRecord(target_, lines_[i]);
    if (!WriteRecord(records))
        return false;
    saved_ = lines_.size();
    return true;
}

bool CSpool::Append(std::string line) {
    lines_.push_back(std::move(line));
    return WriteUnsaved();
}

int CSpool::Deliver(const std::string& file, bool* openFailed) {
    if (openFailed)
        *openFailed = false;
    WriteUnsaved(); // every try is also a chance to get them on the disk
    ExclusiveFile out;
    if (!out.Open(file, true)) {
        if (openFailed)
            *openFailed = true;
        errno = out.Error();
        return -1;
    }
    const long long before = FileIo::SeekEnd(out.Fd());
    if (before < 0)
        return -1;
    // Without this marker a crash after the append would deliver the lines again at the next
    // start. When the spool's own disk is full the lines are delivered all the same: a line in
    // the file twice after an unlucky crash is better than none while the spool cannot grow.
    if (saved_ > 0)
        WriteRecord("M\t" + Escape(file) + '\t' + std::to_string(before) + '\n');
    std::string bytes;
    for (const std::string& line : lines_)
        bytes += line;
    if (!out.Append(bytes)) {
        errno = out.Error();
        return -1;
    }
    out.Close();
    const int written = static_cast<int>(lines_.size());
    lines_.clear();
    saved_ = 0;
    error_ = 0;
    RemoveFile();
    return written;
}

void CSpool::RemoveFile() {
    if (FileIo::Remove(path_) != 0 && errno != ENOENT && fd_ >= 0) {
        // The lines are delivered; an empty spool reads as nothing waiting.
        if (FileIo::Truncate(fd_, 0) == 0)
            FileIo::SyncData(fd_);
    }
    if (fd_ >= 0)
        FileIo::Close(fd_);
    fd_ = -1;
    end_ = 0;
}
