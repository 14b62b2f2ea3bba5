#pragma once

#include <string>

// The folder where this program keeps what must outlive it for this user on this computer
// (readings waiting for a busy target file), whether or not it exists yet.
std::string ProgramStateFolder();
