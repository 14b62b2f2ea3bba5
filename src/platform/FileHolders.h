#pragma once

#include <string>
#include <vector>

// The names of the other processes that have path open now, sorted and without repeats, for a
// notice such as "readings.csv is open in soffice.bin": on Linux as /proc/<pid>/comm gives them,
// on Windows the program names the Restart Manager knows ("EXCEL.EXE" or its friendly name).
// Empty when the system cannot tell: no /proc, or processes of other users this one may not
// inspect.
std::vector<std::string> ProgramsHolding(const std::string& path);
