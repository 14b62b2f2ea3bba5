#pragma once

#include <cstddef>
#include <string>

// The descriptor-level file operations the core needs beyond the C++ library, with their POSIX
// meaning on every system. Paths are UTF-8. Descriptors are never inherited by programs this
// one starts. Failures return -1 (false for the bool ones) with errno set.
namespace FileIo {

// flags: O_RDONLY, O_WRONLY or O_RDWR, with O_CREAT, O_EXCL, O_TRUNC; binary, no translation.
// Other programs may read, write, rename and remove the file while it is open.
int Open(const std::string& path, int flags, int mode = 0600);
int Close(int fd);
// Reads or writes at offset, leaving no other trace on the descriptor's state that a caller
// relies on; short counts as pread and pwrite have them.
long long ReadAt(int fd, void* data, std::size_t size, long long offset);
long long WriteAt(int fd, const void* data, std::size_t size, long long offset);
// The file's size (the offset of its end), also leaving the file position there.
long long SeekEnd(int fd);
int Truncate(int fd, long long size);
// Waits until the file's data are on the disk.
int SyncData(int fd);
// Makes a new or renamed entry in folder as lasting as its file, where the system allows it.
void SyncFolder(const std::string& folder);

int MakeFolder(const std::string& path); // one level, for this user alone where that means anything
int Remove(const std::string& path);
// Renames from to to, replacing a file of that name in one step.
int Replace(const std::string& from, const std::string& to);

} // namespace FileIo
