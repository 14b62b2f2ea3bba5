#include "platform/SerialDevicePresence.h"

#include <sys/stat.h>

bool SerialDevicePresent(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}
