#include "ReceiverPort.h"
#include "ReceiverSimulator.h"
#include "app/AppHarness.h"
#include "app/HelpWindow.h"
#include "gui/TemplateDialog.h"
#include "resources/AboutTemplate.h"
#include "resources/CommandIds.h"
#include "resources/ControlIds.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

TEST(MainFrame, MenusPromptsAndAccelerators) {
    AppHarness h;
    h.Start();
    QStringList menus;
    for (QAction* a : h.Frame().menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Setup", "&Targets", "T&est", "&Help"}));

    struct Row {
        int id;
        const char* status;
        const char* tip;
    } rows[] = {
        {cmd::FileNew, "Create a new configuration", "New"},
        {cmd::FileSave, "Save the active configuration", "Save"},
        {cmd::SetupPreferences, "Configure preferences", "Preferences"},
        {cmd::ShowTapline, "Show Tapline", "Show Tapline"},
        {cmd::CommTest, "Run the serial communications test program", "Linescope"},
        {cmd::AppExit, "Quit the Tapline", "Exit"},
    };
    for (const Row& r : rows) {
        QAction* a = h.app->Router().Action(r.id);
        EXPECT_EQ(a->statusTip(), r.status) << r.id;
        EXPECT_EQ(a->toolTip(), r.tip) << r.id;
    }
    EXPECT_TRUE(h.app->Router().Action(cmd::FileNew)->shortcuts().contains(QKeySequence("Ctrl+N")));
    EXPECT_TRUE(
        h.app->Router().Action(cmd::FileOpen)->shortcuts().contains(QKeySequence("Ctrl+O")));
    EXPECT_TRUE(
        h.app->Router().Action(cmd::FileSave)->shortcuts().contains(QKeySequence("Ctrl+S")));
    EXPECT_TRUE(
        h.app->Router().Action(cmd::EditCopy)->shortcuts().contains(QKeySequence("Ctrl+Ins")));
    EXPECT_TRUE(h.app->Router().Action(cmd::NextPane)->shortcuts().contains(QKeySequence("F6")));

    // The framework's edit commands have no handler: disabled. The file commands wait for a
    // target file.
    h.app->Router().UpdateAll();
    for (int id : {cmd::ClearTargetFile, cmd::ClearFileCounters, cmd::EditCopy})
        EXPECT_FALSE(h.app->Router().Action(id)->isEnabled()) << id;
    for (int id : {cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::FileSaveAs, cmd::HelpTopics,
                   cmd::AppAbout, cmd::SetupParsing, cmd::SetupSerialPorts, cmd::SetupPreferences,
                   cmd::TargetApplication, cmd::TargetFile, cmd::DisableTargetFile, cmd::CommTest,
                   cmd::AlwaysOnTop, cmd::ClearData})
        EXPECT_TRUE(h.app->Router().Action(id)->isEnabled()) << id;
    // The menu entry and the toolbar button show their check marks.
    for (int id : {cmd::DisableTargetFile, cmd::AlwaysOnTop}) {
        h.app->Router().Action(id)->trigger();
        EXPECT_TRUE(h.app->Router().Action(id)->isChecked()) << id;
        h.app->Router().Action(id)->trigger();
        EXPECT_FALSE(h.app->Router().Action(id)->isChecked()) << id;
    }

    QToolBar* toolbar = h.Frame().findChild<QToolBar*>();
    ASSERT_NE(toolbar, nullptr);
    QList<int> buttons;
    for (QAction* a : toolbar->actions())
        buttons << (a->isSeparator() ? 0 : a->data().toInt());
    EXPECT_EQ(buttons, (QList<int>{cmd::FileNew, cmd::FileOpen, cmd::FileSave, 0, cmd::AlwaysOnTop,
                                   cmd::ClearData}));
}

TEST(MainFrame, StartsUntitledOnTheTaskbarAtFixedSize) {
    AppHarness h;
    h.Start();
    EXPECT_EQ(h.Frame().windowTitle(), "Tapline Brisk - Untitled");
    EXPECT_EQ(h.Frame().IconMode, 0);
    EXPECT_EQ(h.Frame().minimumSize(), h.Frame().maximumSize());
    EXPECT_FALSE(h.Frame().windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST(MainFrame, HelpFollowsTheContextInForce) {
    AppHarness h;
    h.Start();
    h.Frame().SetHelpContext(109); // as while the Parsing dialog is open
    h.app->Router().Execute(cmd::Help);
    ASSERT_NE(h.app->Help(), nullptr);
    EXPECT_EQ(h.app->Help()->Topic(), 109);
    EXPECT_NE(h.app->Help()->toPlainText().indexOf("Parsing"), -1);
    h.Frame().HelpContext = h.Frame().DefaultHelpContext;
    h.app->Router().Execute(cmd::Help);
    EXPECT_EQ(h.app->Help()->Topic(), 108);
    h.app->Router().Execute(cmd::HelpTopics);
    EXPECT_EQ(h.app->Help()->Topic(), 108);
}

// The harness's desktop opens nothing: no PDF reader, no browser, no mail program. Each
// command then says what it could not open, with the path or address to copy.
TEST(MainFrame, WhatTheDesktopCannotOpenIsNamed) {
    AppHarness h;
    h.Start();
    const std::u16string guideText =
        u"Unable to open the Tapline Brisk User's Guide.\n\n"
        u"The User's Guide and Adobe Acrobat PDF reader (or equivalent) must be installed on "
        u"this computer.\n\n";
    const std::u16string noProgram =
        u"No program on this computer opens this address. You can copy it from here:\n\n";
    // An installed program: the guide belongs in the data folder beside the program's bin folder.
    h.app->AppFolder = h.dir.path() + "/bin/";
    const QString beside = h.dir.path() + "/bin/Tapline_Brisk_Users_Guide.pdf";
    const QString guide = h.dir.path() + "/share/tapline-brisk/Tapline_Brisk_Users_Guide.pdf";

    h.app->Router().Execute(cmd::UsersGuide);
    EXPECT_TRUE(h.openedUrls.isEmpty()) << "no guide to hand to a reader";
    EXPECT_EQ(h.LastMessage(), guideText + (beside + "\n" + guide).toStdU16String() + u"     ");

    ASSERT_TRUE(QDir().mkpath(h.dir.path() + "/share/tapline-brisk"));
    QFile(guide).open(QIODevice::WriteOnly);
    h.app->Router().Execute(cmd::UsersGuide);
    EXPECT_EQ(h.openedUrls, QList<QUrl>{QUrl::fromLocalFile(guide)});
    EXPECT_EQ(h.LastMessage(), guideText + guide.toStdU16String() + u"     ");

    h.app->Router().Execute(cmd::WebSite);
    EXPECT_EQ(h.openedUrls.last(), QUrl("https://www.orvane.example/"));
    EXPECT_EQ(h.LastMessage(), noProgram + u"https://www.orvane.example/     ");

    // A mail link of the About box names the mail address alone.
    QTimer::singleShot(0, [&h] {
        auto* about = qobject_cast<TemplateDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        QWidget* link = about->Form().Control(idc100::SupportLink);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(link, &press);
        about->reject();
    });
    h.app->Router().Execute(cmd::AppAbout);
    EXPECT_EQ(h.openedUrls.last().scheme(), "mailto");
    EXPECT_EQ(h.LastMessage(), noProgram + u"support@orvane.example     ");
}

TEST(MainFrame, TrayModeAsksBeforeClosingAndTipFollowsThePort) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    AppHarness h;
    MapReceiverAsCom3(h.settings, sim.SlavePath());
    h.Start();
    h.Frame().SetIconMode(1);
    EXPECT_EQ(h.Frame().TrayTip(), "  Tapline Brisk\n     Serial Port: Closed  ");
    h.View().OnEnableSerialPort();
    ASSERT_TRUE(h.View().SerialPort.IsOpen());
    EXPECT_EQ(h.Frame().TrayTip(), "  Tapline Brisk\n     Serial Port: COM3 is open  ");
    EXPECT_EQ(h.Frame().TrayIcon->toolTip(), h.Frame().TrayTip());
    h.View().OnEnableSerialPort();
    EXPECT_TRUE(h.Frame().TrayTip().endsWith("Closed  "));
    EXPECT_EQ(h.Frame().TrayIcon->toolTip(), h.Frame().TrayTip());

    h.messages.answers = {MsgAnswer::No};
    EXPECT_FALSE(h.Frame().close());
    EXPECT_EQ(h.LastMessage(), u"Do you really want to close Tapline Brisk?\n\n"
                               u"If you close Tapline, all information capture will be "
                               u"terminated.     ");
    EXPECT_EQ(h.messages.shown.back().style.buttons, MsgButtons::YesNo);
    EXPECT_EQ(h.messages.shown.back().style.defaultButton, 1) << "No is the default";
    EXPECT_TRUE(h.Frame().isVisible());

    h.Frame().SetIconMode(0);
    const std::size_t asked = h.messages.shown.size();
    EXPECT_TRUE(h.Frame().close());
    EXPECT_EQ(h.messages.shown.size(), asked) << "no question in taskbar mode";
}

TEST(MainFrame, MinimiseInTheTrayHidesTheWindow) {
    AppHarness h;
    h.Start();
    h.Frame().showMinimized(); // taskbar mode: an ordinary minimise
    h.Pump();
    EXPECT_TRUE(h.Frame().isVisible());
    h.Frame().showNormal();
    h.Frame().SetIconMode(1);
    h.Frame().showMinimized();
    h.Pump();
    EXPECT_FALSE(h.Frame().isVisible()) << "only the tray icon remains";
    h.app->Router().Execute(cmd::ShowTapline);
    EXPECT_TRUE(h.Frame().isVisible());
    EXPECT_FALSE(h.Frame().isMinimized());
}

TEST(MainFrame, OpenMinimizedShowsTheWindowMinimised) {
    AppHarness h;
    h.Start();
    ASSERT_FALSE(h.Frame().isMinimized());
    h.app->OpenDocumentFile(
        h.WriteSetup("m.tpln_brisk", [](SetupRecord& s) { s.OpenMinimized = 1; }));
    h.Pump();
    EXPECT_TRUE(h.Frame().isMinimized());
    EXPECT_EQ(h.Frame().PendingShowCmd, -1) << "used once";
}

TEST(MainFrame, NewSetupReturnsToTheTaskbar) {
    AppHarness h;
    h.Start();
    h.app->OpenDocumentFile(
        h.WriteSetup("tray.tpln_brisk", [](SetupRecord& s) { s.ProgramIcon = 1; }));
    h.Pump();
    EXPECT_EQ(h.Frame().IconMode, 1);
    h.app->OnFileNew();
    h.Pump();
    EXPECT_EQ(h.Frame().IconMode, 0);
    EXPECT_TRUE(h.Frame().isVisible());
}

} // namespace
