#include "targets/Target_File.h"

#include "platform/ExclusiveFile.h"
#include "platform/StateFolder.h"
#include "targets/TextString.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

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

std::string CTarget_File::DefaultSpoolFolder() {
    return ProgramStateFolder();
}

std::string CTarget_File::TargetPath() const {
    // The record holds the path as the file system's bytes.
    return std::string(Setup->TargetFilePath,
                       strnlen(Setup->TargetFilePath, sizeof Setup->TargetFilePath));
}

void CTarget_File::WritePacket(std::u16string text) {
    if (text.empty())
        return;
    std::string bytes = LineBytes(std::move(text));
    if (bytes.empty())
        return; // only line feeds: nothing to write

    const std::string path = TargetPath();
    if (path.empty()) {
        ++Owner->FileErrorCount; // no file named: nowhere to append, nothing to wait for
        return;
    }
    if (Waiting(path) == 0) {
        ExclusiveFile file;
        if (file.Open(path, true) && file.Append(bytes)) {
            file.Close();
            ++Owner->FileWriteCount;
            return;
        }
        ++Owner->FileErrorCount;
        Keep(path, std::move(bytes));
        return;
    }
    // Behind the lines already waiting, so that the file gets them in the order they came.
    Keep(path, std::move(bytes));
    if (Drain(path, nullptr) < 0)
        ++Owner->FileErrorCount;
}

void CTarget_File::Keep(const std::string& path, std::string line) {
    auto found = spools_.find(path);
    if (found == spools_.end())
        found = spools_.emplace(path, std::make_unique<CSpool>(SpoolFolder, path)).first;
    found->second->Append(std::move(line));
}

int CTarget_File::Drain(const std::string& path, bool* openFailed) {
    const auto found = spools_.find(path);
    if (found == spools_.end())
        return 0;
    const int written = found->second->Deliver(path, openFailed);
    if (written < 0)
        return written;
    spools_.erase(found);
    if (path == TargetPath())
        Owner->FileWriteCount += written;
    return written;
}

int CTarget_File::Waiting(const std::string& path) const {
    const auto found = spools_.find(path);
    return found == spools_.end() ? 0 : static_cast<int>(found->second->Size());
}

int CTarget_File::WaitingTotal() const {
    int total = 0;
    for (const auto& [path, spool] : spools_)
        total += static_cast<int>(spool->Size());
    return total;
}

std::vector<std::string> CTarget_File::WaitingTargets() const {
    std::vector<std::string> targets;
    for (const auto& [path, spool] : spools_)
        if (spool->Size() > 0)
            targets.push_back(path);
    return targets; // the map keeps them sorted
}

int CTarget_File::RetryWaiting() {
    int written = 0;
    for (const std::string& path : WaitingTargets())
        written += std::max(0, Drain(path, nullptr));
    return written;
}

int CTarget_File::LoadSpools() {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator entry(SpoolFolder, ec), end; !ec && entry != end;
         entry.increment(ec))
        if (entry->path().extension() == ".spool")
            files.push_back(entry->path());
    std::sort(files.begin(), files.end());

    int found = 0;
    for (const fs::path& file : files) {
        const bool ours = std::any_of(spools_.begin(), spools_.end(), [&](const auto& held) {
            return file.filename() == CSpool::FileName(held.first);
        });
        const std::string target = CSpool::TargetOf(file.string());
        if (target.empty() && !ours) {
            fs::remove(file, ec); // torn before its first line was complete: nothing waits
            continue;
        }
        if (ours || file.filename() != CSpool::FileName(target))
            continue; // one this run holds already, or not a spool of ours
        auto spool = std::make_unique<CSpool>(SpoolFolder, target);
        if (spool->Size() == 0)
            continue; // its lines had reached the file before the last run ended
        found += static_cast<int>(spool->Size());
        spools_.emplace(target, std::move(spool));
    }
    return found;
}

bool CTarget_File::MoveWaiting(const std::string& path, const std::string& other) {
    const auto found = spools_.find(path);
    if (found == spools_.end() || found->second->Deliver(other) < 0)
        return false;
    spools_.erase(found);
    return true;
}

int CTarget_File::SpoolError() const {
    for (const auto& [path, spool] : spools_)
        if (spool->Error() != 0)
            return spool->Error();
    return 0;
}
