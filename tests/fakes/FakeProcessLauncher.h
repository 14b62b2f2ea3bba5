#pragma once

#include "platform/ProcessLauncher.h"

#include <string>
#include <vector>

// Records every start; starts succeed unless told otherwise.
class FakeProcessLauncher : public ProcessLauncher {
public:
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
    };
    std::vector<Start> starts;
    bool succeed = true;

    bool StartDetached(const std::string& program,
                       const std::vector<std::string>& arguments) override {
        starts.push_back({program, arguments});
        return succeed;
    }
};
