#pragma once

#include <string>

// A file held open by this program alone: the open fails while any other descriptor of the file
// is open anywhere. Windows does this itself for a file opened without sharing. On Linux it is a
// write lease, granted by the kernel only then, and an OFD write lock against programs that
// lock; where leases are not available (another owner's file, network file systems) the lock
// alone decides.
// One open per operation: the lease is released and the file closed by Close or the destructor.
class ExclusiveFile {
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Opens path for reading and writing; a missing file is created when create is set. An
    // existing file is never truncated. Returns false with Error() set on failure (EBUSY when
    // another program has the file open or locked).
    bool Open(const std::string& path, bool create);
    void Close();

    // Writes all of bytes at the end of the file and waits until they are on the disk. On any
    // failure (a full disk, a file-size limit, an I/O error) the file is cut back to its old end,
    // so readers never see half a line, and false is returned with Error() set.
    bool Append(const std::string& bytes);

    int Fd() const { return fd_; }
    int Error() const { return error_; }
    bool HasLease() const { return lease_; } // Linux only: a write lease is held

private:
    int fd_ = -1;
    int error_ = 0;
    bool lease_ = false;
};
