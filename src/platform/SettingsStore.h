#pragma once

#include <string>
#include <vector>

// Stored per-user settings by section and name, as the program's profile functions read and
// write them. Strings are UTF-8. A missing value reads as the given default; failures to store
// a value are not reported.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::string GetProfileString(const std::string& section, const std::string& entry,
                                         const std::string& defaultValue = {}) = 0;
    virtual void WriteProfileString(const std::string& section, const std::string& entry,
                                    const std::string& value) = 0;
    virtual int GetProfileInt(const std::string& section, const std::string& entry,
                              int defaultValue = 0) = 0;
    virtual void WriteProfileInt(const std::string& section, const std::string& entry,
                                 int value) = 0;
    // Names of the values stored in a section, in no particular order.
    virtual std::vector<std::string> GetSectionEntries(const std::string& section) = 0;
};
