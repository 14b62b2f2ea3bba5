#include "platform/qt/QtSettingsStore.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>
#include <algorithm>

TEST(QtSettingsStore, ValuesPersistUnderTheOrganisationAndApplication) {
    {
        QtSettingsStore store("Orvane Systems", "Tapline Brisk");
        EXPECT_EQ(store.GetProfileString("Settings", "CfgFileFolder", "none"), "none");
        EXPECT_EQ(store.GetProfileInt("Settings", "LastPort", 7), 7);
        store.WriteProfileString("Settings", "CfgFileFolder", "/home/op/Setups \u00e9");
        store.WriteProfileInt("Settings", "LastPort", 3);
        store.WriteProfileString("Recent File List", "File1", "/a/b.tpln_brisk");
    }
    const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         "/Orvane Systems/Tapline Brisk.conf";
    EXPECT_TRUE(QFile::exists(file)) << file.toStdString();

    QtSettingsStore again("Orvane Systems", "Tapline Brisk");
    EXPECT_EQ(again.GetProfileString("Settings", "CfgFileFolder", ""), "/home/op/Setups \u00e9");
    EXPECT_EQ(again.GetProfileInt("Settings", "LastPort", 0), 3);
    EXPECT_EQ(again.GetProfileString("Recent File List", "File1", ""), "/a/b.tpln_brisk");
    auto entries = again.GetSectionEntries("Settings");
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"CfgFileFolder", "LastPort"}));
    again.WriteProfileString("Settings", "LastPort", "not a number");
    EXPECT_EQ(again.GetProfileInt("Settings", "LastPort", -5), -5);
}
