#include "dialogs/Parse_Setup_Brisk_Dlg.h"
#include "resources/ParsingTemplate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace idc321;

// Runs with TZ=UTC: 2026-03-07 15:04:09 and 2026-11-23 00:05:07.
constexpr std::int64_t Afternoon = 1772895849;
constexpr std::int64_t AfterMidnight = 1795392307;

class ParsingDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetupRecords records;
        records.SetDefaults();
        setup = records.Setup;
    }
    std::unique_ptr<CParse_Setup_Brisk_Dlg> Open(std::int64_t now = Afternoon) {
        auto d =
            std::make_unique<CParse_Setup_Brisk_Dlg>(setup, [this](int c) { help.push_back(c); });
        d->Now = [now] { return now; };
        d->OnInitDialog();
        d->show();
        return d;
    }
    static void Click(CParse_Setup_Brisk_Dlg& d, int id) {
        d.Form().ControlAs<QAbstractButton>(id)->click();
    }
    static void PressEnter(CParse_Setup_Brisk_Dlg& d, int id) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d.Form().Control(id), &press);
    }

    SetupRecord setup{};
    std::vector<int> help;
};

// The seven fields in record order, for one comparison.
std::vector<int> Seven(const SetupRecord& s) {
    return {s.EndOfPacket, s.CommaReplacement, s.CommasToTabs, s.CRsToTabs,
            s.StampType,   s.CommasToCRs,      s.StampPosition};
}

TEST_F(ParsingDialogTest, OpensOnTheRecordAndOkWithoutChangesStoresItAsItWas) {
    setup.EndOfPacket = 2;
    setup.StampType = 1;
    setup.StampPosition = 1;
    setup.CommasToTabs = 1;
    setup.CommaReplacement = '\t';
    setup.CRsToTabs = 1;
    SetupRecord before;
    std::memcpy(&before, &setup, sizeof setup);
    auto d = Open();
    EXPECT_TRUE(d->Form().Text(Instructions).startsWith("Tapline Brisk can only be used"));
    EXPECT_TRUE(d->Form()
                    .Text(Instructions)
                    .endsWith("9600-N-8-1.\n\nRefer to Help for additional information on setting "
                              "up Tapline Brisk."));
    for (int id : {EopEither, StampTime, Suffix, idc321::CommasToTabs, idc321::CRsToTabs})
        EXPECT_TRUE(d->Form().IsChecked(id)) << id;
    EXPECT_FALSE(d->Form().IsChecked(idc321::CommasToCRs));
    EXPECT_EQ(d->Form().Text(TimePreview), "Measurement{Tab}3:04:09 PM");
    Click(*d, Help);
    EXPECT_EQ(help, std::vector<int>{109});
    Click(*d, Ok);
    EXPECT_EQ(d->result(), CParse_Setup_Brisk_Dlg::IDOK);
    EXPECT_EQ(std::memcmp(&before, &setup, sizeof setup), 0);
}

// What the boxes and buttons store, and that only OK stores anything.
TEST_F(ParsingDialogTest, ClicksStoreOnlyThroughOk) {
    enum class Close { Ok, Enter, Cancel };
    struct Case {
        const char* name;
        bool tabsOnAtStart;
        std::vector<int> clicks;
        Close close;
        std::vector<int> seven; // EndOfPacket, CommaReplacement, CommasToTabs, CRsToTabs,
                                // StampType, CommasToCRs, StampPosition
    };
    const std::vector<Case> cases{
        {"commas to CRs takes over from commas to tabs",
         true,
         {idc321::CommasToCRs},
         Close::Ok,
         {0, 13, 0, 0, 0, 1, 0}},
        {"unchecking the checked comma box",
         true,
         {idc321::CommasToTabs},
         Close::Ok,
         {0, 44, 0, 0, 0, 0, 0}},
        {"CRs to tabs stays beside a comma box",
         false,
         {idc321::CRsToTabs, idc321::CommasToTabs, idc321::CommasToCRs},
         Close::Ok,
         {0, 13, 0, 1, 0, 1, 0}},
        {"radio groups", false, {EopTab, StampDateTime, Suffix}, Close::Ok, {1, 44, 0, 0, 2, 0, 1}},
        {"Enter",
         false,
         {EopTab, StampTime, idc321::CommasToCRs},
         Close::Enter,
         {0, 44, 0, 0, 0, 0, 0}},
        {"Cancel",
         true,
         {EopEither, StampTime, Suffix, idc321::CRsToTabs, idc321::CommasToCRs},
         Close::Cancel,
         {0, 9, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        if (c.tabsOnAtStart) {
            setup.CommasToTabs = 1;
            setup.CommaReplacement = '\t';
        }
        auto d = Open();
        for (const int id : c.clicks)
            Click(*d, id);
        if (c.clicks.back() == idc321::CommasToCRs) {
            EXPECT_FALSE(d->Form().IsChecked(idc321::CommasToTabs)) << "the pair unchecks";
        }
        switch (c.close) {
        case Close::Ok:
            Click(*d, Ok);
            break;
        case Close::Enter:
            PressEnter(*d, Ok);
            PressEnter(*d, idc321::CommasToCRs);
            EXPECT_TRUE(d->isVisible()) << "Enter leaves the dialog open";
            break;
        case Close::Cancel:
            Click(*d, Cancel);
            EXPECT_FALSE(d->isVisible()) << "Cancel closes";
            break;
        }
        EXPECT_EQ(Seven(setup), c.seven);
    }
}

TEST_F(ParsingDialogTest, PreviewLinesFollowTheChoicesAndTheRecordsFormats) {
    struct Case {
        std::int64_t now;
        int dateOrder, dateSeparator, timeFormat;
        int comma; // box clicked before the stamp, 0 for none
        int position;
        const char* timeLine;
        const char* dateLine;
    };
    const std::vector<Case> cases{
        {Afternoon, 0, 0, 0, 0, Prefix, "3:04:09 PM,Measurement",
         "3-7-2026,3:04:09 PM,Measurement"},
        {Afternoon, 1, 1, 1, idc321::CommasToTabs, Prefix, "15:04:09{Tab}Measurement",
         "7/3/2026{Tab}15:04:09{Tab}Measurement"},
        {AfterMidnight, 0, 1, 0, idc321::CommasToCRs, Suffix, "Measurement{CR}0:05:07 AM",
         "Measurement{CR}11/23/2026{CR}0:05:07 AM"},
        {AfterMidnight, 1, 0, 1, 0, Suffix, "Measurement,0:05:07",
         "Measurement,23-11-2026,0:05:07"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timeLine);
        SetUp();
        setup.DateOrder = static_cast<std::uint8_t>(c.dateOrder);
        setup.DateSeparator = static_cast<std::uint8_t>(c.dateSeparator);
        setup.TimeFormat = static_cast<std::uint8_t>(c.timeFormat);
        auto d = Open(c.now);
        // "None": both lines disabled, both still showing their sample.
        EXPECT_FALSE(d->Form().IsEnabled(TimePreview));
        EXPECT_FALSE(d->Form().IsEnabled(DateTimePreview));
        EXPECT_TRUE(d->Form().Text(TimePreview).contains("Measurement"));
        EXPECT_TRUE(d->Form().Text(DateTimePreview).contains("Measurement"));
        if (c.comma != 0)
            Click(*d, c.comma);
        Click(*d, c.position);
        Click(*d, StampTime);
        EXPECT_TRUE(d->Form().IsEnabled(TimePreview));
        EXPECT_FALSE(d->Form().IsEnabled(DateTimePreview));
        Click(*d, StampDateTime);
        EXPECT_FALSE(d->Form().IsEnabled(TimePreview));
        EXPECT_TRUE(d->Form().IsEnabled(DateTimePreview));
        EXPECT_EQ(d->Form().Text(TimePreview), c.timeLine);
        EXPECT_EQ(d->Form().Text(DateTimePreview), c.dateLine);
    }
}

} // namespace
