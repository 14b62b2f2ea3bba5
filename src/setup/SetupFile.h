#pragma once

#include "setup/SetupRecord.h"

#include <string>
#include <sys/stat.h>

// A setup file holds exactly the SetupRecord::Size bytes of the record.

// A file without any write permission counts as read-only, for root too: its owner marked it
// so, and a setup must then be neither taken over for writing nor overwritten.
bool SetupFileReadOnly(const struct stat& st);

// Reads the record from the start of an open file into records.Setup and makes it the reference
// copy too. 0 read, 1 wrong size, 2 wrong version, 3 wrong model; on 1 to 3 the records stay as
// they were. Bytes after the record are ignored, and so is the record's own size field.
int ReadSetupRecord(int fd, SetupRecords& records);

// Writes the record to the file at path (created when missing), holding the file exclusively.
// False when the file is read-only or not a regular file, another program holds it, or a write
// fails.
bool WriteSetupFile(const std::string& path, const SetupRecord& record);
