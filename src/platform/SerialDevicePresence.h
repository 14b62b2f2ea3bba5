#pragma once

#include <string>

// Whether the serial device at path is there now: on POSIX systems a character device at the
// path, on Windows a port (\\.\COM3) that the system's serial device map lists.
bool SerialDevicePresent(const std::string& path);
