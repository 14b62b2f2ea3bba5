#pragma once

#include <QStringList>

class SettingsStore;

// The most recently opened or saved setup files, newest first, kept in the settings group
// "Recent File List" as File1 ... FileN.
class RecentFileList {
public:
    RecentFileList(SettingsStore& settings, int size);

    void Load();
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Files() const { return files_; }

private:
    void Save();

    SettingsStore& settings_;
    int size_;
    QStringList files_;
};
