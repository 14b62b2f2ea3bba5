#include "gui/RecentFileList.h"

#include "platform/SettingsStore.h"

namespace {
const std::string Section = "Recent File List";
}

RecentFileList::RecentFileList(SettingsStore& settings, int size)
    : settings_(settings), size_(size) {}

void RecentFileList::Load() {
    files_.clear();
    for (int i = 1; i <= size_; ++i) {
        const std::string path =
            settings_.GetProfileString(Section, "File" + std::to_string(i), "");
        if (!path.empty() && !files_.contains(QString::fromStdString(path)))
            files_.append(QString::fromStdString(path));
    }
}

void RecentFileList::Add(const QString& path) {
    files_.removeAll(path);
    files_.prepend(path);
    while (files_.size() > size_)
        files_.removeLast();
    Save();
}

void RecentFileList::Remove(const QString& path) {
    files_.removeAll(path);
    Save();
}

void RecentFileList::Save() {
    for (int i = 0; i < size_; ++i)
        settings_.WriteProfileString(Section, "File" + std::to_string(i + 1),
                                     i < files_.size() ? files_[i].toStdString() : std::string());
}
