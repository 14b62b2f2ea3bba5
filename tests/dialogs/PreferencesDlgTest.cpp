#include "dialogs/PreferencesDlg.h"
#include "resources/PreferencesTemplate.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace idc318;

class PreferencesDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetupRecords records;
        records.SetDefaults();
        setup = records.Setup;
    }
    std::unique_ptr<CPreferencesDlg> Open() {
        auto d = std::make_unique<CPreferencesDlg>(setup, [this](int c) { help.push_back(c); });
        d->OnInitDialog();
        d->show();
        return d;
    }
    static void Click(CPreferencesDlg& d, int id) {
        d.Form().ControlAs<QAbstractButton>(id)->click();
    }
    static QStringList Labels(CPreferencesDlg& d) {
        return {d.Form().Text(MonthDayYear), d.Form().Text(DayMonthYear)};
    }

    SetupRecord setup{};
    std::vector<int> help;
};

TEST_F(PreferencesDialogTest, DateOrderLabelsShowTheChosenSeparatorAndCancelKeepsTheRecord) {
    setup.DateSeparator = 1;
    setup.DateOrder = 1;
    SetupRecord before;
    std::memcpy(&before, &setup, sizeof setup);
    auto d = Open();
    EXPECT_EQ(Labels(*d), (QStringList{"&Month/Day/Year", "Day/Month/Y&ear"}));
    EXPECT_TRUE(d->Form().IsChecked(DayMonthYear));
    EXPECT_TRUE(d->Form().IsChecked(SlashSeparator));
    Click(*d, DashSeparator);
    EXPECT_EQ(Labels(*d), (QStringList{"&Month-Day-Year", "Day-Month-Y&ear"}));
    Click(*d, SlashSeparator);
    EXPECT_EQ(Labels(*d), (QStringList{"&Month/Day/Year", "Day/Month/Y&ear"}));
    Click(*d, DashSeparator);
    for (int id : {MonthDayYear, Clock24, SystemTray, AppDisabled, WriteToFile, RunMinimized})
        Click(*d, id);
    Click(*d, idc318::Help);
    EXPECT_EQ(help, std::vector<int>{110});
    Click(*d, Cancel);
    EXPECT_FALSE(d->isVisible()) << "Cancel closes";
    EXPECT_EQ(std::memcmp(&before, &setup, sizeof setup), 0);
}

// What OK leaves in the dialog's copy, for each "Set at file open" state and the other groups;
// the opener's record is never touched by the dialog itself.
TEST_F(PreferencesDialogTest, OkStoresEveryGroupInTheCopy) {
    struct Case {
        const char* name;
        int active, disabled; // as stored before
        std::vector<int> clicks;
        int openedOn;
        std::vector<int> fields; // DateOrder, DateSeparator, TimeFormat, ProgramIcon,
                                 // OpenAppActive, OpenAppDisabled, OpenWriteToFile,
                                 // OpenSerialPort, OpenMinimized
    };
    const std::vector<Case> cases{
        {"both set opens as disabled", 1, 1, {}, AppDisabled, {0, 0, 0, 0, 0, 1, 0, 0, 0}},
        {"active", 0, 0, {AppActive}, AppInactive, {0, 0, 0, 0, 1, 0, 0, 0, 0}},
        {"every other choice",
         1,
         0,
         {DayMonthYear, SlashSeparator, Clock24, SystemTray, AppInactive, WriteToFile, SerialPort,
          RunMinimized},
         AppActive,
         {1, 1, 1, 1, 0, 0, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        setup.OpenAppActive = static_cast<std::uint8_t>(c.active);
        setup.OpenAppDisabled = static_cast<std::uint8_t>(c.disabled);
        SetupRecord before;
        std::memcpy(&before, &setup, sizeof setup);
        auto d = Open();
        EXPECT_TRUE(d->Form().IsChecked(c.openedOn));
        for (const int id : c.clicks)
            Click(*d, id);
        Click(*d, Ok);
        EXPECT_EQ(d->result(), CPreferencesDlg::IDOK);
        const SetupRecord& s = d->Setup;
        EXPECT_EQ((std::vector<int>{s.DateOrder, s.DateSeparator, s.TimeFormat, s.ProgramIcon,
                                    s.OpenAppActive, s.OpenAppDisabled, s.OpenWriteToFile,
                                    s.OpenSerialPort, s.OpenMinimized}),
                  c.fields);
        EXPECT_EQ(std::memcmp(&before, &setup, sizeof setup), 0);
    }
}

// A stored value outside a group checks none of its buttons; OK must not turn that into a
// difference of control ids.
TEST_F(PreferencesDialogTest, OutOfRangeValueIsKeptByOk) {
    setup.DateOrder = 7;
    setup.ProgramIcon = 1;
    auto d = Open();
    EXPECT_FALSE(d->Form().IsChecked(MonthDayYear));
    EXPECT_FALSE(d->Form().IsChecked(DayMonthYear));
    Click(*d, Ok);
    EXPECT_EQ(d->Setup.DateOrder, 7);
    EXPECT_EQ(d->Setup.ProgramIcon, 1);
}

} // namespace
