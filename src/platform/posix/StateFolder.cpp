#include "platform/StateFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

// $XDG_STATE_HOME/tapline-brisk, else ~/.local/state/tapline-brisk.
std::string ProgramStateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/tapline-brisk";
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0])
        home = env;
    else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
        home = user->pw_dir;
    return home + "/.local/state/tapline-brisk";
}
