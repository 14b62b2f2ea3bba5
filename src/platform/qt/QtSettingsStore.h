#pragma once

#include "platform/SettingsStore.h"

#include <QSettings>

// Settings kept with QSettings in its native format: sections are groups, so the program's
// values live in "$XDG_CONFIG_HOME/<organization>/<application>.conf".
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore(const QString& organization, const QString& application);

    std::string GetProfileString(const std::string& section, const std::string& entry,
                                 const std::string& defaultValue) override;
    void WriteProfileString(const std::string& section, const std::string& entry,
                            const std::string& value) override;
    int GetProfileInt(const std::string& section, const std::string& entry,
                      int defaultValue) override;
    void WriteProfileInt(const std::string& section, const std::string& entry, int value) override;
    std::vector<std::string> GetSectionEntries(const std::string& section) override;

    QSettings& Settings() { return settings_; }

private:
    QSettings settings_;
};
