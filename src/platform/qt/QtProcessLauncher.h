#pragma once

#include "platform/ProcessLauncher.h"

// Starts programs with QProcess::startDetached: no shell, arguments passed one by one.
class QtProcessLauncher : public ProcessLauncher {
public:
    bool StartDetached(const std::string& program,
                       const std::vector<std::string>& arguments) override;
};
