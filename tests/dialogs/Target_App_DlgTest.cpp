// gtest and Qt come before Xlib, whose macros (None, Bool, Status) clash with them.
#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "QtWait.h"
#include "dialogs/Target_App_Dlg.h"
#include "fakes/FakeMessageBox.h"
#include "resources/TargetAppTemplate.h"

namespace {

// Before Xlib, which names its own KeyPress and FocusOut.
void PressEnter(QWidget* widget, Qt::Key key = Qt::Key_Return) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}
void LeaveField(QWidget* widget) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &out);
}

} // namespace

#include "platform/x11/QtX11Display.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XTestClients.h"
#include "platform/x11/XTestKeyboardInjector.h"
#include "targets/Target_App.h"

#include <cstring>
#include <memory>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using namespace idc319;

// The dialog among real windows: xterms, windows of the test's own connection and the dialog
// itself, under openbox, with the program's window walk on Qt's connection as in the program.
class TargetAppDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<XServer>(true);
        ASSERT_TRUE(server->Ok()) << "Xvfb did not start";
        ASSERT_TRUE(server->WindowManagerRunning()) << "openbox did not start";
        static int argc = 3;
        static char arg0[] = "target_app_dialog_test", arg1[] = "-platform", arg2[] = "xcb";
        static char* argv[] = {arg0, arg1, arg2, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        // Our own windows told apart as the program does: they are Qt's top-level widgets.
        windows = std::make_unique<X11WindowSystem>(QtX11Display(), [](WindowId id) {
            for (const QWidget* w : QApplication::topLevelWidgets()) {
                if (w->internalWinId() && static_cast<WindowId>(w->internalWinId()) == id)
                    return true;
            }
            return false;
        });
        const fs::path dir = fs::temp_directory_path();
        for (const char* title : {"Sheet Beta", "alpha notes", "TAPLINE Brisk - Demo"})
            terminals.push_back(std::make_unique<CatTerminal>(title, dir / title));
        for (const char16_t* title : {u"Sheet Beta", u"alpha notes", u"TAPLINE Brisk - Demo"})
            ASSERT_TRUE(WaitServing([&] { return Titled(title) != 0; }, std::chrono::seconds(15)))
                << "xterm did not show";
    }
    static void TearDownTestSuite() {
        terminals.clear();
        windows.reset();
        app.reset();
        server.reset();
    }
    void SetUp() override {
        std::memset(&setup, 0, sizeof setup);
        setup.TargetAppMode = 1;
        messages.shown.clear();
    }

    // The visible top-level window of that title, or 0.
    static WindowId Titled(const std::u16string& title) {
        for (const WindowId id : windows->TopLevelWindows()) {
            if (windows->IsVisible(id) && windows->Title(id) == title)
                return id;
        }
        return 0;
    }
    // Place of the window in the walk, topmost 0; -1 when it is not there.
    static int StackPosition(WindowId window) {
        const auto walk = windows->TopLevelWindows();
        const auto it = std::find(walk.begin(), walk.end(), window);
        return it == walk.end() ? -1 : static_cast<int>(it - walk.begin());
    }

    std::unique_ptr<CTarget_App_Dlg> Open() {
        auto dialog = std::make_unique<CTarget_App_Dlg>(setup, *windows, messages,
                                                        [this](int c) { help.push_back(c); });
        dialog->OnInitDialog();
        dialog->show();
        const WindowId id = dialog->NativeId();
        EXPECT_TRUE(WaitServing([&] { return StackPosition(id) >= 0 && windows->IsVisible(id); }));
        return dialog;
    }
    static void Click(CTarget_App_Dlg& d, int id) {
        d.Form().ControlAs<QAbstractButton>(id)->click();
    }
    static QStringList ListTexts(CTarget_App_Dlg& d) {
        QStringList texts;
        const auto* list = d.Form().ControlAs<QListWidget>(AppList);
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    std::string Title() const {
        return std::string(setup.TargetAppTitle, strnlen(setup.TargetAppTitle, 101));
    }

    static std::unique_ptr<XServer> server;
    static std::unique_ptr<QApplication> app;
    static std::unique_ptr<X11WindowSystem> windows;
    static std::vector<std::unique_ptr<CatTerminal>> terminals;
    SetupRecord setup{};
    FakeMessageBox messages;
    std::vector<int> help;
};
std::unique_ptr<XServer> TargetAppDialogTest::server;
std::unique_ptr<QApplication> TargetAppDialogTest::app;
std::unique_ptr<X11WindowSystem> TargetAppDialogTest::windows;
std::vector<std::unique_ptr<CatTerminal>> TargetAppDialogTest::terminals;

TEST_F(TargetAppDialogTest, ListsTheOpenWindowsButNotTheProgramsNorItself) {
    TestWindow lookalike(server->Connection(), "get target APPLICATION");
    TestWindow hidden(server->Connection(), "Hidden window");
    lookalike.Map();
    ASSERT_TRUE(WaitServing([&] { return Titled(u"get target APPLICATION") != 0; }));
    const auto dialog = Open();
    // Listed again now that the dialog itself is one of the windows.
    dialog->FillAppList();
    EXPECT_EQ(ListTexts(*dialog), (QStringList{"alpha notes", "Sheet Beta"}));
    EXPECT_TRUE(dialog->Form().IsChecked(SpecificRadio));
    EXPECT_TRUE(dialog->Form().IsEnabled(AppList));

    auto* list = dialog->Form().ControlAs<QListWidget>(AppList);
    list->setCurrentRow(1);
    emit dialog->Form().DoubleClicked(AppList);
    EXPECT_EQ(dialog->Form().Text(AppEdit), "Sheet Beta");
    // From the keyboard: Space or Enter on a listed window chooses it, as a double-click does.
    for (const auto& [key, row, chosen] :
         {std::tuple{Qt::Key_Space, 0, "alpha notes"}, std::tuple{Qt::Key_Return, 1, "Sheet Beta"},
          std::tuple{Qt::Key_Enter, 0, "alpha notes"}}) {
        list->clearSelection();
        list->setCurrentRow(row, QItemSelectionModel::NoUpdate);
        PressEnter(list, key);
        EXPECT_EQ(dialog->Form().Text(AppEdit), chosen) << key;
        EXPECT_TRUE(dialog->isVisible()) << "Enter chooses, it does not close";
    }
    dialog->Form().SetText(AppEdit, " \tSheet Beta  ");
    LeaveField(dialog->Form().Control(AppEdit));
    EXPECT_EQ(dialog->Form().Text(AppEdit), "Sheet Beta");
    Click(*dialog, FocusRadio);
    EXPECT_FALSE(dialog->Form().IsEnabled(AppEdit));
    EXPECT_FALSE(dialog->Form().IsEnabled(ShowApp));
    Click(*dialog, idc319::Help);
    EXPECT_EQ(help, std::vector<int>{105});
}

TEST_F(TargetAppDialogTest, ShowAppRestoresTheMatchAndStaysInFrontOfIt) {
    const WindowId sheet = Titled(u"Sheet Beta");
    ASSERT_NE(sheet, 0u);
    XIconifyWindow(server->Connection(), sheet, DefaultScreen(server->Connection()));
    XFlush(server->Connection());
    ASSERT_TRUE(WaitServing([&] { return windows->IsMinimised(sheet); }));

    const auto dialog = Open();
    dialog->Form().SetText(AppEdit, "sheet");
    Click(*dialog, ShowApp);
    const WindowId self = dialog->NativeId();
    EXPECT_TRUE(WaitServing([&] {
        XWindowAttributes a{};
        return !windows->IsMinimised(sheet) &&
               XGetWindowAttributes(server->Connection(), sheet, &a) && a.map_state == IsViewable &&
               StackPosition(self) < StackPosition(sheet);
    })) << "the xterm shows again, under the dialog";
    EXPECT_TRUE(messages.shown.empty());

    // Only the dialog's own title contains "target": the sender would find no target either.
    for (const char* text : {"", "no such window", "target"}) {
        dialog->Form().SetText(AppEdit, text);
        Click(*dialog, ShowApp);
    }
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, u"No target application specified.     ");
    EXPECT_EQ(messages.shown[1].text, u"Cannot find selected application     ");
    EXPECT_EQ(messages.shown[2].text, u"Cannot find selected application     ");
}

// What OK stores, and what it must not: the record changes only when the dialog closes by OK.
TEST_F(TargetAppDialogTest, OkStoresOnlyWhenItCloses) {
    enum class Then { Ok, Enter, OkThenCancel };
    struct Case {
        const char* name;
        int mode;
        const char* title;
        int radio;
        std::string text;
        Then then;
        bool staysOpen;
        const char16_t* message; // nullptr for none
        int storedMode;
        std::string storedTitle;
    };
    const std::string digits120 = [] {
        std::string s;
        for (int i = 0; i < 12; ++i)
            s += "0123456789";
        return s;
    }();
    const Case cases[] = {
        {"long title", 0, "old", SpecificRadio, digits120, Then::Ok, false, nullptr, 1,
         digits120.substr(0, 100)},
        {"Enter", 0, "old", SpecificRadio, "Calc", Then::Enter, true, nullptr, 0, "old"},
        {"blank title refused, then Cancel", 0, "Excel", SpecificRadio, "   ", Then::OkThenCancel,
         false, u"You must select an application target.     ", 0, "Excel"},
        {"title kept while disabled", 1, "Excel", DisableRadio, "  Calc\t", Then::Ok, false,
         nullptr, 2, "Calc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setup.TargetAppMode = static_cast<std::uint8_t>(c.mode);
        std::memset(setup.TargetAppTitle, 0, sizeof setup.TargetAppTitle);
        std::strcpy(setup.TargetAppTitle, c.title);
        messages.shown.clear();
        const auto dialog = Open();
        EXPECT_EQ(dialog->Form().Text(AppEdit), c.title);
        Click(*dialog, c.radio);
        dialog->Form().SetText(AppEdit, QString::fromStdString(c.text));
        if (c.then == Then::Enter) {
            PressEnter(dialog->Form().Control(AppEdit));
        } else {
            Click(*dialog, Ok);
        }
        if (c.then == Then::OkThenCancel) {
            EXPECT_TRUE(dialog->isVisible()) << "refused";
            Click(*dialog, Cancel);
        }
        EXPECT_EQ(dialog->isVisible(), c.staysOpen);
        ASSERT_EQ(messages.shown.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(messages.shown[0].text, c.message);
        }
        EXPECT_EQ(setup.TargetAppMode, c.storedMode);
        EXPECT_EQ(Title(), c.storedTitle);
        if (!c.staysOpen) {
            EXPECT_EQ(dialog->result(), c.then == Then::Ok ? CTarget_App_Dlg::IDOK : 0);
        }
    }
}

// A title in Cyrillic, chosen from the list, is where the real sender types the readings.
TEST_F(TargetAppDialogTest, TitleInAnyScriptChosenFromTheListReceivesTheReadings) {
    const std::u16string title = u"\u041E\u0442\u0447\u0451\u0442"; // a report, in Russian
    QtTextWindow report(QT_TEXT_SINK, QString::fromStdU16String(title).toStdString(),
                        fs::temp_directory_path() / "report.txt");
    ASSERT_TRUE(WaitServing([&] { return Titled(title) != 0 && report.Ready(); }));

    setup.TargetAppMode = 0;
    const auto dialog = Open();
    auto* list = dialog->Form().ControlAs<QListWidget>(AppList);
    const auto rows = list->findItems(QString::fromStdU16String(title), Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1) << ListTexts(*dialog).join(" | ").toStdString();
    list->setCurrentItem(rows[0]);
    Click(*dialog, SpecificRadio);
    emit dialog->Form().DoubleClicked(AppList);
    Click(*dialog, Ok);
    ASSERT_EQ(dialog->result(), CTarget_App_Dlg::IDOK);
    EXPECT_STREQ(setup.TargetAppTitle, "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82");

    XTestKeyboardInjector keyboard(QtX11Display());
    ASSERT_TRUE(keyboard.Available());
    CTarget_App sender(keyboard, *windows);
    sender.Setup = &setup;
    sender.SendPacket(u"12.5\r");
    sender.SendPacket(u"-3,75\r");
    EXPECT_TRUE(WaitServing([&] { return report.Typed() == "12.5\n-3,75\n"; }))
        << "typed: [" << report.Typed() << "]";
}

// Our main window's title holds the setup's name: a stored title that only it contains names
// no target, and nothing is typed into it.
TEST_F(TargetAppDialogTest, TitleThatOnlyOurOwnWindowContainsGetsNoReadings) {
    QWidget main;
    main.setWindowTitle("Tapline Brisk - line 7 readings");
    auto* field = new QLineEdit(&main);
    (new QVBoxLayout(&main))->addWidget(field);
    field->setFocus();
    main.show();
    const WindowId ours = static_cast<WindowId>(main.winId());
    ASSERT_TRUE(WaitServing([&] { return StackPosition(ours) >= 0 && windows->IsVisible(ours); }));

    XTestKeyboardInjector keyboard(QtX11Display());
    CTarget_App sender(keyboard, *windows);
    sender.Setup = &setup;
    setup.TargetAppMode = 1;
    std::strcpy(setup.TargetAppTitle, "LINE 7 readings");
    sender.SendPacket(u"42\r");

    // Typed into our window afterwards, behind whatever the sender may have sent: only this
    // arrives when the sender sent nothing.
    windows->Activate(ours);
    ASSERT_TRUE(windows->WaitForKeyboard(ours, 5000));
    ASSERT_TRUE(WaitServing([&] { return field->hasFocus(); }));
    ASSERT_TRUE(keyboard.TypeCharacters(U"end"));
    EXPECT_TRUE(WaitServing([&] { return field->text().endsWith("end"); }))
        << field->text().toStdString();
    EXPECT_EQ(field->text().toStdString(), "end");
}

} // namespace
