#include "platform/FileHolders.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool IsProcessId(const std::string& name) {
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether one of the process's descriptors is the file. Processes come and go while we look,
// and another user's are closed to us: both simply do not hold it.
bool Holds(const fs::path& process, const struct stat& file) {
    std::error_code ec;
    for (fs::directory_iterator fd(process / "fd", ec), end; !ec && fd != end; fd.increment(ec)) {
        struct stat open {};
        if (::stat(fd->path().c_str(), &open) == 0 && open.st_dev == file.st_dev &&
            open.st_ino == file.st_ino)
            return true;
    }
    return false;
}

} // namespace

std::vector<std::string> ProgramsHolding(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0)
        return {};
    const std::string self = std::to_string(::getpid());
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator process("/proc", ec), end; !ec && process != end;
         process.increment(ec)) {
        const std::string pid = process->path().filename();
        if (pid == self || !IsProcessId(pid) || !Holds(process->path(), file))
            continue;
        std::string name;
        std::ifstream comm(process->path() / "comm");
        if (std::getline(comm, name) && !name.empty())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}
