#pragma once

#include <string>
#include <vector>

// The names (as /proc/<pid>/comm gives them) of the other processes that have path open now,
// sorted and without repeats, for a notice such as "readings.csv is open in soffice.bin".
// Empty when Linux cannot tell: no /proc, or processes of other users this one may not inspect.
std::vector<std::string> ProgramsHolding(const std::string& path);
