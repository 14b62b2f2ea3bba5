#include "setup/SetupFile.h"

#include "platform/ExclusiveFile.h"
#include "platform/FileIo.h"

bool SetupFileReadOnly(const struct stat& st) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int ReadSetupRecord(int fd, SetupRecords& records) {
    SetupRecord& setup = records.Setup;
    const SetupRecord kept = setup;
    std::size_t got = 0;
    while (got < SetupRecord::Size) {
        const long long n = FileIo::ReadAt(fd, setup.Bytes() + got, SetupRecord::Size - got,
                                           static_cast<long long>(got));
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    int result = 0;
    if (got < SetupRecord::Size)
        result = 1;
    else if (setup.RecordVersion != SetupRecord::CurrentVersion)
        result = 2;
    else if (setup.ModelCode != SetupRecord::CurrentModel)
        result = 3;
    if (result == 0)
        records.SavedSetup = setup;
    else
        setup = kept;
    return result;
}

bool WriteSetupFile(const std::string& path, const SetupRecord& record) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (SetupFileReadOnly(st) || !S_ISREG(st.st_mode)))
        return false;
    ExclusiveFile file;
    if (!file.Open(path, true))
        return false;
    // Exclusive first, then overwrite in place and cut to size: the old setup is never left
    // emptied by a save that cannot proceed.
    std::size_t done = 0;
    while (done < SetupRecord::Size) {
        const long long n = FileIo::WriteAt(file.Fd(), record.Bytes() + done,
                                            SetupRecord::Size - done, static_cast<long long>(done));
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return FileIo::Truncate(file.Fd(), SetupRecord::Size) == 0;
}
