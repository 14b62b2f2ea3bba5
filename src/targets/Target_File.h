#pragma once

#include "capture/PacketTargets.h"
#include "setup/SetupRecord.h"
#include "targets/Spool.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Appends every formatted packet as one line to the target file, opening the file exclusively
// for each packet so that other programs can read it between packets, and counts written and
// failed packets in the owner's counters. A line the file refuses (another program has it open,
// its disk is full) is never dropped: it waits in a spool for that file, and every later line
// for the file waits behind it until the waiting lines can be appended, oldest first.
class CTarget_File : public FileTarget {
public:
    PacketOwner* Owner = nullptr;
    SetupRecord* Setup = nullptr;                   // TargetFilePath is read for every packet
    std::string SpoolFolder = DefaultSpoolFolder(); // where spools live; tests point it elsewhere

    // The program's state folder for this user (on Linux $XDG_STATE_HOME/tapline-brisk).
    static std::string DefaultSpoolFolder();

    void WritePacket(std::u16string text) override;

    std::string TargetPath() const;             // the setup's TargetFilePath, bounded by its size
    int Waiting(const std::string& path) const; // lines waiting for that file
    int WaitingTotal() const;
    std::vector<std::string> WaitingTargets() const; // targets that have lines waiting, sorted
    // Tries each target with waiting lines once (one open each); returns the lines written now.
    int RetryWaiting();
    // Reads the spools an earlier run left (at start); returns the lines found.
    int LoadSpools();
    // Appends path's waiting lines to other (exclusive, on disk) and forgets them; false, with
    // nothing changed, when other cannot be written or nothing waits for path.
    bool MoveWaiting(const std::string& path, const std::string& other);
    // errno of the last spool write that failed, 0 while every waiting line is on disk.
    int SpoolError() const;

    // The bytes appended for one packet: line feeds dropped, every carriage return and the end
    // of the text followed by one line feed, one byte per character.
    static std::string LineBytes(std::u16string text);

private:
    void Keep(const std::string& path, std::string line);
    // One delivery of path's waiting lines to path; counts them when path is the current target.
    int Drain(const std::string& path, bool* openFailed);

    std::map<std::string, std::unique_ptr<CSpool>> spools_; // only targets with lines waiting
};
