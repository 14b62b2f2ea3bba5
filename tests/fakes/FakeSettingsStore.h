#pragma once

#include "platform/SettingsStore.h"

#include <map>
#include <string>

// Settings in memory, as section -> entry -> text. Integers are stored as their decimal text.
class FakeSettingsStore : public SettingsStore {
public:
    std::map<std::string, std::map<std::string, std::string>> values;

    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue = {}) override {
        const auto s = values.find(section);
        if (s == values.end())
            return defaultValue;
        const auto e = s->second.find(entry);
        return e == s->second.end() ? defaultValue : e->second;
    }
    void WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override {
        values[section][entry] = value;
    }
    int GetProfileInt(const std::string& section, const std::string& entry,
                      int defaultValue = 0) override {
        const std::string text = GetProfileString(section, entry, {});
        try {
            return text.empty() ? defaultValue : std::stoi(text);
        } catch (...) {
            return defaultValue;
        }
    }
    void WriteProfileInt(const std::string& section, const std::string& entry, int value) override {
        values[section][entry] = std::to_string(value);
    }
    std::vector<std::string> GetSectionEntries(const std::string& section) override {
        std::vector<std::string> names;
        for (const auto& [name, value] : values[section])
            names.push_back(name);
        return names;
    }
    bool Has(const std::string& section, const std::string& entry) const {
        const auto s = values.find(section);
        return s != values.end() && s->second.count(entry) != 0;
    }
};
