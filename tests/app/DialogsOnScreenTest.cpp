// Every dialog of the program as a user meets it on a small high-density screen: Xvfb at
// 1280x1024 with openbox, Qt scaling by 2, real keys and clicks through XTest.
// gtest and Qt come before Xlib, whose macros (None, Bool, KeyPress) clash with them.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <gtest/gtest.h>

#include "QtWait.h"
#include "app/AppHarness.h"
#include "app/HelpWindow.h"
#include "gui/FileDialogs.h"
#include "gui/TemplateDialog.h"
#include "resources/CommandIds.h"
#include "resources/ParsingTemplate.h"

#include "platform/x11/XServer.h"
#include "platform/x11/XTestClients.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

class DialogsOnScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<XServer>(true);
        ASSERT_TRUE(server->Ok()) << "Xvfb did not start";
        ASSERT_TRUE(server->WindowManagerRunning()) << "openbox did not start";
        setenv("QT_SCALE_FACTOR", "2", 1);
        static int argc = 3;
        static char arg0[] = "dialogs_on_screen_test", arg1[] = "-platform", arg2[] = "xcb";
        static char* argv[] = {arg0, arg1, arg2, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
    }
    static void TearDownTestSuite() {
        app.reset();
        server.reset();
    }

    void SetUp() override {
        h = std::make_unique<AppHarness>();
        h->fileDialogs = &files;
        h->Start();
        ASSERT_TRUE(WaitServing([this] { return Viewable(WindowOf(&h->Frame())); }));
    }
    void TearDown() override { h.reset(); }

    static Display* X() { return server->Connection(); }
    static Window WindowOf(QWidget* w) { return static_cast<Window>(w->window()->winId()); }
    static bool Viewable(Window w) {
        XWindowAttributes a{};
        return XGetWindowAttributes(X(), w, &a) && a.map_state == IsViewable;
    }
    // The window as the server shows it, its window manager's frame included, in the server's
    // pixels; empty until the window manager has framed it.
    static QRect OnScreen(Window w) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(X(), w, &a) || a.map_state != IsViewable)
            return {};
        const XProperty extents(X(), w, XInternAtom(X(), "_NET_FRAME_EXTENTS", False), XA_CARDINAL,
                                32, 4);
        if (!extents.Valid() || extents.Count() < 4)
            return {};
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(X(), w, DefaultRootWindow(X()), 0, 0, &x, &y, &child);
        const int left = static_cast<int>(extents.Item(0)),
                  right = static_cast<int>(extents.Item(1));
        const int top = static_cast<int>(extents.Item(2)),
                  bottom = static_cast<int>(extents.Item(3));
        return {x - left, y - top, a.width + left + right, a.height + top + bottom};
    }
    // The screen's free area in the server's pixels.
    static QRect FreeArea() {
        const QScreen* s = QGuiApplication::primaryScreen();
        const QRect area = s->availableGeometry();
        const qreal ratio = s->devicePixelRatio();
        return {qRound(area.x() * ratio), qRound(area.y() * ratio), qRound(area.width() * ratio),
                qRound(area.height() * ratio)};
    }
    // Moves the pointer to a point of a widget (in its own coordinates) and clicks a button.
    static void Click(QWidget* widget, QPoint at, unsigned button = 1) {
        const qreal ratio = widget->devicePixelRatioF();
        const QPoint inWindow = widget->mapTo(widget->window(), at) * ratio;
        int x = 0, y = 0;
        Window child = 0;
        XTranslateCoordinates(X(), WindowOf(widget), DefaultRootWindow(X()), inWindow.x(),
                              inWindow.y(), &x, &y, &child);
        XTestFakeMotionEvent(X(), -1, x, y, CurrentTime);
        XTestFakeButtonEvent(X(), button, True, CurrentTime);
        XTestFakeButtonEvent(X(), button, False, CurrentTime);
        XFlush(X());
    }
    static void PressKey(KeySym key) {
        const KeyCode code = XKeysymToKeycode(X(), key);
        XTestFakeKeyEvent(X(), code, True, CurrentTime);
        XTestFakeKeyEvent(X(), code, False, CurrentTime);
        XFlush(X());
    }
    // Runs a command whose dialog the body meets once the window manager shows it; whatever
    // the body leaves open is cancelled.
    void WithDialog(int command, const std::function<void(QDialog&)>& body) {
        bool met = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || OnScreen(WindowOf(dialog)).isEmpty())
                return;
            poll.stop();
            met = true;
            body(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        poll.start();
        h->app->Router().Execute(command);
        EXPECT_TRUE(met) << "no dialog for command " << command;
    }
    HelpWindow* Help() const { return h->app->Help(); }

    static inline std::unique_ptr<XServer> server;
    static inline std::unique_ptr<QApplication> app;
    QtFileDialogs files;
    std::unique_ptr<AppHarness> h;
};

bool DrawnAsDefault(QPushButton* button) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    return face != nullptr && face->state().defaultButton;
}

// Each dialog fits the screen's free area (scrolling where its face is larger), F1 in it opens
// its help topic, and where Enter does nothing no button is drawn as the default, wherever the
// keyboard focus is.
TEST_F(DialogsOnScreen, EveryDialogFitsOpensItsHelpAndDrawsDefaultsOnlyWhereEnterWorks) {
    struct Row {
        const char* name;
        int command;
        int topic;
        bool enterPressesDefault; // false: Enter does nothing here
    } rows[] = {
        {"Parsing", cmd::SetupParsing, 109, false},
        {"Available Serial Ports", cmd::SetupSerialPorts, 100, false},
        {"Preferences", cmd::SetupPreferences, 110, false},
        {"Get Target Application", cmd::TargetApplication, 105, false},
        {"About", cmd::AppAbout, 108, true},
        {"Get Target File", cmd::TargetFile, 108, true},
        {"Open", cmd::FileOpen, 108, true},
        {"Save As", cmd::FileSaveAs, 108, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (Help())
            Help()->hide();
        WithDialog(r.command, [&](QDialog& dialog) {
            const QRect shown = OnScreen(WindowOf(&dialog));
            EXPECT_TRUE(FreeArea().contains(shown))
                << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
            // A face that does not fit can be scrolled to its last control.
            if (auto* scroll = dialog.findChild<QScrollArea*>()) {
                if (scroll->widget()->height() > scroll->viewport()->height()) {
                    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
                }
                if (scroll->widget()->width() > scroll->viewport()->width()) {
                    EXPECT_TRUE(scroll->horizontalScrollBar()->isVisible());
                }
            }

            if (!r.enterPressesDefault) {
                const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
                ASSERT_FALSE(buttons.isEmpty());
                for (QPushButton* focused : buttons) {
                    focused->setFocus(Qt::TabFocusReason);
                    QCoreApplication::processEvents();
                    for (QPushButton* b : buttons)
                        EXPECT_FALSE(DrawnAsDefault(b))
                            << b->text().toStdString() << " with the focus on "
                            << focused->text().toStdString();
                }
            } else if (r.command == cmd::AppAbout) {
                auto* ok = dynamic_cast<TemplateDialog&>(dialog).Form().ControlAs<QPushButton>(1);
                EXPECT_TRUE(DrawnAsDefault(ok)) << "Enter presses OK";
            }

            ASSERT_TRUE(WaitServing([&] { return HasFocus(X(), WindowOf(&dialog)); }));
            PressKey(XK_F1);
            EXPECT_TRUE(WaitServing([&] { return Help() && Help()->isVisible(); }))
                << "F1: no help";
            if (Help()) {
                EXPECT_EQ(Help()->Topic(), r.topic);
            }
        });
    }
}

// The Help button of a dialog brings the help window to the front, and the help window takes
// clicks and scrolling while the dialog stays open.
TEST_F(DialogsOnScreen, HelpBesideAnOpenDialogTakesClicksAndScrolls) {
    WithDialog(cmd::SetupParsing, [&](QDialog& dialog) {
        auto* help = dynamic_cast<TemplateDialog&>(dialog).Form().Control(idc321::Help);
        ASSERT_NE(help, nullptr);
        Click(help, help->rect().center());
        ASSERT_TRUE(WaitServing([&] { return Help() && !OnScreen(WindowOf(Help())).isEmpty(); }));
        EXPECT_EQ(Help()->Topic(), 109);
        const Window helpWindow = WindowOf(Help());
        EXPECT_TRUE(WaitServing([&] { return AnnouncedActiveWindow(X()) == helpWindow; }))
            << "the help window is not in front";

        // The link at the end of the topic, clicked where the user sees it.
        QTextCursor link = Help()->document()->find(QStringLiteral("Main topic"));
        ASSERT_FALSE(link.isNull());
        link.setPosition(link.selectionStart() + 2);
        Help()->ensureCursorVisible();
        const QRect at = Help()->cursorRect(link);
        Click(Help()->viewport(), at.center());
        EXPECT_TRUE(WaitServing([&] { return Help()->source().fileName() == "108.html"; }))
            << "the click on the link did not land";

        // Made small, the main topic scrolls under the wheel.
        Help()->resize(Help()->width(), Help()->height() / 3);
        ASSERT_TRUE(WaitServing([&] { return Help()->verticalScrollBar()->maximum() > 0; }));
        ASSERT_EQ(Help()->verticalScrollBar()->value(), 0);
        QCoreApplication::processEvents();
        Click(Help()->viewport(), Help()->viewport()->rect().center(), 5);
        EXPECT_TRUE(WaitServing([&] { return Help()->verticalScrollBar()->value() > 0; }))
            << "the wheel did not scroll the help";
        EXPECT_TRUE(dialog.isVisible());
    });
}

// The file dialogs open wide enough that the Type and Date columns show whole, and Save As
// proposes the setup's own name.
TEST_F(DialogsOnScreen, FileDialogsShowTheirColumnsAndSaveAsTheSetupsName) {
    const QString folder = h->dir.path() + "/setups";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* name : {"readings.csv", "notes.txt", "other line.tpln_brisk"})
        QFile(folder + "/" + name).open(QIODevice::WriteOnly);
    ASSERT_TRUE(h->app->OpenDocumentFile(h->WriteSetup("setups/Line 3.tpln_brisk")));
    std::strcpy(h->Doc().Setup.TargetFilePath, (folder + "/readings.csv").toLocal8Bit().data());

    const auto columnsShowWhole = [](QFileDialog& dialog) {
        auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(WaitServing([&] { return view->model()->rowCount(view->rootIndex()) >= 1; }))
            << dialog.directory().path().toStdString() << " visible " << view->isVisible()
            << " rows " << view->model()->rowCount(view->rootIndex());
        QHeaderView* header = view->header();
        // An item's text shows whole when its width and the item's margins fit the column.
        const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        const QFontMetrics metrics(view->font());
        const auto widest = [&](int column) {
            int width = 0;
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
                const QString text =
                    view->model()->index(row, column, view->rootIndex()).data().toString();
                width = std::max(width, metrics.horizontalAdvance(text) + margins);
            }
            return width;
        };
        for (int column : {1, 2, 3}) {
            SCOPED_TRACE(
                header->model()->headerData(column, Qt::Horizontal).toString().toStdString());
            EXPECT_TRUE(WaitServing([&] { return widest(column) <= header->sectionSize(column); }))
                << "cut: " << widest(column) << " in " << header->sectionSize(column);
            EXPECT_LE(header->sectionViewportPosition(column) + header->sectionSize(column),
                      view->viewport()->width())
                << "off the right edge";
        }
    };
    WithDialog(cmd::TargetFile,
               [&](QDialog& dialog) { columnsShowWhole(dynamic_cast<QFileDialog&>(dialog)); });
    WithDialog(cmd::FileSaveAs, [&](QDialog& dialog) {
        auto& save = dynamic_cast<QFileDialog&>(dialog);
        columnsShowWhole(save);
        EXPECT_EQ(save.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                  "Line 3.tpln_brisk");
        EXPECT_EQ(QDir(save.directory()).canonicalPath(), QDir(folder).canonicalPath());
    });
}

} // namespace
