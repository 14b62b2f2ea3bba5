#pragma once

#include <string>

// Windows names files in UTF-16; the core keeps paths as UTF-8 bytes.
std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);
