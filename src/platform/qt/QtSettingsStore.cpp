#include "platform/qt/QtSettingsStore.h"

namespace {
QString Key(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section) + u'/' + QString::fromStdString(entry);
}
} // namespace

QtSettingsStore::QtSettingsStore(const QString& organization, const QString& application)
    : settings_(QSettings::NativeFormat, QSettings::UserScope, organization, application) {}

std::string QtSettingsStore::GetProfileString(const std::string& section, const std::string& entry,
                                              const std::string& defaultValue) {
    const QVariant value = settings_.value(Key(section, entry));
    if (!value.isValid())
        return defaultValue;
    return value.toString().toStdString();
}

void QtSettingsStore::WriteProfileString(const std::string& section, const std::string& entry,
                                         const std::string& value) {
    settings_.setValue(Key(section, entry), QString::fromStdString(value));
    settings_.sync();
}

int QtSettingsStore::GetProfileInt(const std::string& section, const std::string& entry,
                                   int defaultValue) {
    bool ok = false;
    const int value = settings_.value(Key(section, entry)).toInt(&ok);
    return ok ? value : defaultValue;
}

void QtSettingsStore::WriteProfileInt(const std::string& section, const std::string& entry,
                                      int value) {
    settings_.setValue(Key(section, entry), value);
    settings_.sync();
}

std::vector<std::string> QtSettingsStore::GetSectionEntries(const std::string& section) {
    settings_.beginGroup(QString::fromStdString(section));
    const QStringList keys = settings_.childKeys();
    settings_.endGroup();
    std::vector<std::string> entries;
    for (const QString& key : keys)
        entries.push_back(key.toStdString());
    return entries;
}
