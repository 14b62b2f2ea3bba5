#include "dialogs/Available_SP_Dlg.h"
#include "ForeignUser.h"
#include "ReceiverSimulator.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakeSerialPortDiscovery.h"
#include "fakes/FakeSettingsStore.h"
#include "gui/TemplateForm.h"
#include "resources/AboutTemplate.h"
#include "resources/AvailablePortsTemplate.h"
#include "resources/MainViewTemplate.h"
#include "resources/ParsingTemplate.h"
#include "resources/PreferencesTemplate.h"
#include "resources/TargetAppTemplate.h"
#include "targets/TextString.h"
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <vector>

namespace {

std::string Flags(const std::set<int>& ports) {
    std::string text(200, '0');
    for (const int p : ports)
        text[p - 1] = '1';
    return text;
}

// Installed ports are pseudo-terminals entered in the serial device map.
class AvailablePortsDialogTest : public ::testing::Test {
protected:
    std::string Install(int port) {
        devices.push_back(std::make_unique<ReceiverSimulator>(ReceiverOptions{ReplyMode::Silent}));
        settings.values["SerialDeviceMap"]["COM" + std::to_string(port)] =
            devices.back()->SlavePath();
        return devices.back()->SlavePath();
    }
    void Store(const std::set<int>& installed, const std::set<int>& use) {
        settings.WriteProfileString("Settings", "InstalledPorts", Flags(installed));
        settings.WriteProfileString("Settings", "UsePorts", Flags(use));
    }
    std::string Stored(const char* name) { return settings.GetProfileString("Settings", name); }

    std::unique_ptr<CAvailable_SP_Dlg> Open() {
        auto dialog = std::make_unique<CAvailable_SP_Dlg>(settings, discovery, messages);
        dialog->OnInitDialog();
        dialog->show();
        return dialog;
    }
    static QTableWidget& List(CAvailable_SP_Dlg& d) {
        return *d.Form().ControlAs<QTableWidget>(idc317::PortList);
    }
    // A button, or (id 0) the Enter key in the list.
    static void Click(CAvailable_SP_Dlg& d, int id) {
        if (id != 0) {
            d.Form().ControlAs<QAbstractButton>(id)->click();
            return;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&List(d), &press);
    }
    struct Row {
        QString port, description;
        bool checked;
        friend bool operator==(const Row&, const Row&) = default;
    };
    static std::vector<Row> Rows(CAvailable_SP_Dlg& d) {
        std::vector<Row> rows;
        QTableWidget& list = List(d);
        for (int r = 0; r < list.rowCount(); ++r)
            rows.push_back({list.item(r, 0)->text(), list.item(r, 1)->text(),
                            list.item(r, 0)->checkState() == Qt::Checked});
        return rows;
    }

    FakeSettingsStore settings;
    FakeSerialPortDiscovery discovery;
    FakeMessageBox messages;
    std::vector<std::unique_ptr<ReceiverSimulator>> devices;
};

TEST_F(AvailablePortsDialogTest, ListsTheInstalledPortsAndStoresTheChoiceOnOK) {
    const std::u16string atLeastOne = u"You must select at least 1 serial port.     ";
    enum {
        Cancel = idc317::Cancel,
        Ok = idc317::Ok,
        ClearAll = idc317::ClearAll,
        SelectAll = idc317::SelectAll,
        Enter = 0
    };
    struct Case {
        const char* name;
        std::set<int> storedInstalled, storedUse;
        std::vector<int> clicks;
        std::vector<bool> checkedAtOpen; // COM1, COM3, COM7
        bool refused;                    // the "at least 1" message
        bool staysOpen;
        std::set<int> use; // UsePorts afterwards
    };
    const Case cases[] = {
        {"OK keeps the choice", {1, 3, 7}, {3}, {Ok}, {false, true, false}, false, false, {3}},
        {"Clear All then OK",
         {1, 3, 7},
         {3},
         {ClearAll, Ok},
         {false, true, false},
         true,
         true,
         {3}},
        {"Select All then OK",
         {1, 3, 7},
         {3},
         {SelectAll, Ok},
         {false, true, false},
         false,
         false,
         {1, 3, 7}},
        {"Enter is no OK",
         {1, 3, 7},
         {3},
         {SelectAll, Enter},
         {false, true, false},
         false,
         true,
         {3}},
        // COM7 is new since the last scan: chosen at once, and stored so even by Cancel.
        {"Cancel keeps the rewrite",
         {1, 3},
         {3},
         {Cancel},
         {false, true, true},
         false,
         false,
         {3, 7}},
    };
    const std::string com1 = Install(1), com3 = Install(3), com7 = Install(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store(c.storedInstalled, c.storedUse);
        messages.shown.clear();
        const auto dialog = Open();
        EXPECT_EQ(Rows(*dialog),
                  (std::vector<Row>{{"COM1", QString::fromStdString(com1), c.checkedAtOpen[0]},
                                    {"COM3", QString::fromStdString(com3), c.checkedAtOpen[1]},
                                    {"COM7", QString::fromStdString(com7), c.checkedAtOpen[2]}}));
        EXPECT_EQ(dialog->ListedPorts, 3);
        EXPECT_TRUE(dialog->Form().IsEnabled(Ok));
        for (const int id : c.clicks)
            Click(*dialog, id);
        EXPECT_EQ(dialog->isVisible(), c.staysOpen);
        EXPECT_EQ(messages.shown.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(messages.shown[0].text, atLeastOne);
        }
        EXPECT_EQ(Stored("UsePorts"), Flags(c.use));
        EXPECT_EQ(Stored("InstalledPorts"), Flags({1, 3, 7}));
    }
}

TEST_F(AvailablePortsDialogTest, FaceOfTheDialog) {
    Install(2);
    const auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Available Serial Ports");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(dialog->pos(), QPoint((screen.width() - dialog->width()) / 2,
                                    (screen.height() - dialog->height()) / 4));
    QTableWidget& list = List(*dialog);
    EXPECT_EQ(list.horizontalHeaderItem(0)->text(), "Port");
    EXPECT_EQ(list.horizontalHeaderItem(1)->text(), "Registry Description");
    // Neither header nor contents are cut off.
    const QFontMetrics metrics(list.font());
    EXPECT_GE(list.columnWidth(1), metrics.horizontalAdvance(list.item(0, 1)->text()));
    EXPECT_GE(list.columnWidth(1), list.horizontalHeader()->sectionSizeHint(1));
    EXPECT_EQ(dialog->Form().Text(idc317::Instructions),
              "The serial ports installed on this computer are shown in the list on the left.  "
              "If a port is installed, it does not mean that you can use the port to obtain data "
              "from the connected serial device.  For example, the port may be associated with an "
              "internal modem or a Bluetooth wireless device.\n\nThe ports that are checked will "
              "be used by Tapline Brisk when it tries to find a supported serial device.");
}

// The templates were measured with a narrower font: no radio button, check box or one-line
// label of a dialog cuts its text on this desktop's font.
TEST(DialogTemplates, TextsAreNotCut) {
    for (const DialogTemplate* layout : {&TargetAppTemplate(), &AvailablePortsTemplate()}) {
        TemplateForm form(*layout);
        for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
            if (qobject_cast<const QRadioButton*>(button) ||
                qobject_cast<const QCheckBox*>(button)) {
                EXPECT_GE(button->width(), button->sizeHint().width())
                    << layout->title << ": " << button->text().toStdString();
            }
        }
    }
}

// What a box holds starts inside its frame, as far below the frame's top line in every box: a
// boxed text's first line never sits on the line.
TEST(DialogTemplates, BoxedControlsStartInsideTheFrameAlike) {
    QList<int> gaps;
    for (const DialogTemplate* layout :
         {&ParsingTemplate(), &AboutTemplate(), &AvailablePortsTemplate(), &PreferencesTemplate(),
          &TargetAppTemplate(), &MainViewTemplate()}) {
        TemplateForm form(*layout);
        for (const FramedBox* box : form.findChildren<FramedBox*>()) {
            const int frameTop = box->y() + box->Frame().top();
            int first = INT_MAX;
            for (const QWidget* w : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (w != box && box->geometry().contains(w->geometry()))
                    first = std::min(first, w->y() + w->contentsRect().top());
            ASSERT_NE(first, INT_MAX) << box->title().toStdString();
            gaps << first - frameTop;
            EXPECT_GT(first - frameTop, 0) << box->title().toStdString() << " in "
                                           << (layout->title ? layout->title : "main view");
        }
    }
    for (const int gap : gaps)
        EXPECT_NEAR(gap, gaps.front(), 1) << "every box keeps the same room above its contents";
}

// Tab goes from the list to the buttons, and into each radio group on its checked button.
TEST_F(AvailablePortsDialogTest, TabReachesEveryControl) {
    Install(1);
    const auto dialog = Open();
    QApplication::setActiveWindow(dialog.get());
    List(*dialog).setFocus();
    QList<int> reached;
    for (int i = 0; i < 6; ++i) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        reached << QApplication::focusWidget()->property("templateControlId").toInt();
    }
    using namespace idc317;
    EXPECT_EQ(reached, (QList<int>{SelectAll, ClearAll, Ok, Cancel, PortList, SelectAll}));

    TemplateForm form(PreferencesTemplate());
    form.show();
    QApplication::setActiveWindow(&form);
    using namespace idc318;
    for (const int id : {DayMonthYear, SlashSeparator, Clock24, AppDisabled, SystemTray})
        form.SetCheck(id, true);
    form.Control(DayMonthYear)->setFocus();
    reached.clear();
    for (int i = 0; i < 8; ++i) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &tab);
        reached << QApplication::focusWidget()->property("templateControlId").toInt();
    }
    EXPECT_EQ(reached, (QList<int>{SlashSeparator, Clock24, AppDisabled, WriteToFile, SerialPort,
                                   RunMinimized, SystemTray, Help}));
}

// What the system knows of a port shows in its description: the product name a device reports,
// and that this user may not use it.
TEST_F(AvailablePortsDialogTest, DescriptionNamesTheProductAndMissingPermission) {
    const std::string com1 = Install(1);
    AllowDevice(com1);
    const std::string com2 = Install(2);
    DenyDevice(com2, "dialout");
    discovery.ports = {{com1, "", "Test UART"}};
    auto dialog = std::make_unique<CAvailable_SP_Dlg>(settings, discovery, messages);
    {
        ActingAsNobody nobody;
        dialog->OnInitDialog();
    }
    const auto rows = Rows(*dialog);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].description, QString::fromStdString("Test UART - " + com1));
    EXPECT_EQ(rows[1].description, QString::fromStdString(com2 + " (no permission)"));
}

TEST_F(AvailablePortsDialogTest, NoPortInstalledLeavesOnlyCancel) {
    const auto dialog = Open();
    EXPECT_EQ(dialog->ListedPorts, 0);
    EXPECT_EQ(List(*dialog).rowCount(), 0);
    EXPECT_FALSE(dialog->Form().IsEnabled(idc317::Ok));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              u"There are no serial ports installed on this computer.     ");
    EXPECT_EQ(Stored("UsePorts"), std::string(200, '0'));
}

} // namespace
