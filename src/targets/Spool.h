#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The lines waiting for one target file, oldest first, kept in memory and in a spool file of
// their own that outlives the program. A line counts as kept once its record is on the disk;
// while the spool file cannot be written (its disk is full too) the line waits in memory, in
// its place, and the next Append writes the unsaved lines first.
//
// The spool file is append-only, one record per line ending in a line feed:
//   L <tab> target path <tab> line bytes     a waiting line
//   M <tab> file path <tab> size             "these lines are being appended to that file,
//                                             which held size bytes before"
// with backslash, tab, CR, LF and NUL escaped. A record without its line feed was torn by a
// crash and is cut off when the spool is next read.
class CSpool {
public:
    // Reads what an earlier run left in the spool file of target, if anything.
    CSpool(std::string folder, std::string target);
    ~CSpool();
    CSpool(const CSpool&) = delete;
    CSpool& operator=(const CSpool&) = delete;

    // The spool file's name for target within the folder.
    static std::string FileName(const std::string& target);
    // The target whose lines the spool file holds; empty when it holds no complete line.
    static std::string TargetOf(const std::string& spoolFile);

    const std::string& Target() const { return target_; }
    std::size_t Size() const { return lines_.size(); }

    // Keeps line behind the others; false when it waits in memory only (Error() tells why).
    bool Append(std::string line);
    // errno of the last failed spool write while a line is not on the disk; 0 otherwise.
    int Error() const { return saved_ < lines_.size() ? error_ : 0; }

    // Appends every waiting line to file in one exclusive open and, once they are on its disk,
    // forgets them and removes the spool file. Returns the lines written, or -1 with nothing
    // changed (openFailed tells whether the file could not be opened at all).
    int Deliver(const std::string& file, bool* openFailed = nullptr);

private:
    void Load();
    bool WriteUnsaved();
    bool WriteRecord(const std::string& record);
    bool OpenFile();
    void RemoveFile();

    std::string folder_, target_, path_;
    std::vector<std::string> lines_;
    std::size_t saved_ = 0; // lines_[0, saved_) are in the spool file
    long long end_ = 0;     // end of the last complete record in the spool file
    int fd_ = -1;
    int error_ = 0;
};
