#include "platform/SerialDevicePresence.h"

#include "platform/win32/SerialComm.h"

#include <strings.h>

bool SerialDevicePresent(const std::string& path) {
    if (path.empty())
        return false;
    for (const SerialCommEntry& entry : SerialCommEntries())
        if (::strcasecmp(PortDevicePath(entry.port).c_str(), path.c_str()) == 0)
            return true;
    return false;
}
