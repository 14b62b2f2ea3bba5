#pragma once

#include <string>
#include <vector>

// Starts another program without a shell and without waiting for it.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // program is a file-system path; each argument reaches the program exactly as given.
    // False when the program could not be started.
    virtual bool StartDetached(const std::string& program,
                               const std::vector<std::string>& arguments) = 0;
};
