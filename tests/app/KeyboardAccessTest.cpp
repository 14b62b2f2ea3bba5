// The program as a user meets it from the keyboard and through a screen reader: access keys,
// the names of controls, lamps in words, the tray menu's way out, the main window's status line.
#include "ReceiverPort.h"
#include "ReceiverSimulator.h"
#include "app/AppHarness.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/Available_SP_Dlg.h"
#include "dialogs/Parse_Setup_Brisk_Dlg.h"
#include "dialogs/PreferencesDlg.h"
#include "dialogs/Target_App_Dlg.h"
#include "resources/CommandIds.h"
#include "resources/ControlIds.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QString AccessKey(const QString& text) {
    return QKeySequence::mnemonic(text).toString();
}

// The control's access key: in its own text, or in that of the label or box that names it.
QString AccessKeyOf(QWidget* control) {
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return AccessKey(button->text());
    for (QLabel* label : control->parentWidget()->findChildren<QLabel*>())
        if (label->buddy() == control)
            return AccessKey(label->text());
    for (FramedBox* box : control->parentWidget()->findChildren<FramedBox*>())
        if (box->Buddy() == control)
            return AccessKey(box->title());
    return {};
}

// The controls of the window's forms a user works with: buttons, and the fields and lists that
// take typing.
QList<QWidget*> WorkingControls(QWidget* window) {
    QList<QWidget*> controls;
    const QList<TemplateForm*> forms = window->findChildren<TemplateForm*>();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!forms.contains(qobject_cast<TemplateForm*>(w->parentWidget())))
            continue;
        const auto* edit = qobject_cast<QLineEdit*>(w);
        if ((qobject_cast<QAbstractButton*>(w) &&
             !qobject_cast<QAbstractButton*>(w)->text().isEmpty()) ||
            (edit && !edit->isReadOnly()) || qobject_cast<QAbstractItemView*>(w))
            controls << w;
    }
    return controls;
}

QString Name(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

// The dialogs as the program opens them.
struct Dialogs {
    SetupRecord setup{};
    FakeSettingsStore settings;
    NoDiscovery discovery;
    FakeMessageBox messages;
    FakeWindowSystem windows;
    std::vector<std::pair<const char*, std::unique_ptr<TemplateDialog>>> all;

    Dialogs() {
        const auto none = [](int) {};
        all.emplace_back("Parsing", std::make_unique<CParse_Setup_Brisk_Dlg>(setup, none));
        all.emplace_back("Preferences", std::make_unique<CPreferencesDlg>(setup, none));
        all.emplace_back("Get Target Application",
                         std::make_unique<CTarget_App_Dlg>(setup, windows, messages, none));
        all.emplace_back("Available Serial Ports",
                         std::make_unique<CAvailable_SP_Dlg>(settings, discovery, messages));
        all.emplace_back("About", std::make_unique<CAboutDlg>([](const QUrl&) { return true; }));
        for (auto& [name, dialog] : all)
            dialog->OnInitDialog();
    }
};

// Every menu, and every control of each dialog and of the main window, has an access key of its
// own; in the main window the menu bar's keys and the switches' keys are one set.
TEST(KeyboardAccess, EveryMenuAndControlHasItsOwnAccessKey) {
    AppHarness h;
    h.Start();
    std::vector<std::pair<QString, QList<std::pair<QString, QString>>>> sets; // key per text
    QList<std::pair<QString, QString>> mainWindow;
    for (QAction* a : h.Frame().menuBar()->actions())
        mainWindow.append({a->text(), AccessKey(a->text())});
    for (QWidget* w : WorkingControls(h.View().Form))
        mainWindow.append({qobject_cast<QAbstractButton*>(w)->text(), AccessKeyOf(w)});
    sets.push_back({"main window", mainWindow});
    QList<QMenu*> menus{h.Frame().TrayMenu()};
    for (QAction* a : h.Frame().menuBar()->actions())
        menus << a->menu();
    for (QMenu* menu : menus) {
        QList<std::pair<QString, QString>> entries;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && a->isEnabled())
                entries.append({a->text(), AccessKey(a->text())});
        sets.push_back({menu->title().isEmpty() ? "tray menu" : menu->title(), entries});
    }
    Dialogs dialogs;
    for (auto& [name, dialog] : dialogs.all) {
        QList<std::pair<QString, QString>> keys;
        for (QWidget* w : WorkingControls(dialog.get()))
            keys.append({Name(w), AccessKeyOf(w)});
        sets.push_back({name, keys});
    }

    for (const auto& [where, keys] : sets) {
        SCOPED_TRACE(where.toStdString());
        EXPECT_FALSE(keys.isEmpty());
        QStringList seen;
        for (const auto& [text, key] : keys) {
            EXPECT_FALSE(key.isEmpty()) << "no access key: " << text.toStdString();
            EXPECT_FALSE(seen.contains(key))
                << key.toStdString() << " twice, " << text.toStdString();
            seen << key;
        }
    }
}

TEST(KeyboardAccess, AltAndALetterOpensItsMenu) {
    AppHarness h;
    h.Start();
    h.Frame().show();
    QApplication::setActiveWindow(&h.Frame());
    struct Row {
        Qt::Key key;
        const char* menu;
    } rows[] = {{Qt::Key_F, "&File"},
                {Qt::Key_S, "&Setup"},
                {Qt::Key_T, "&Targets"},
                {Qt::Key_E, "T&est"},
                {Qt::Key_H, "&Help"}};
    for (const Row& r : rows) {
        QApplication::setActiveWindow(&h.Frame());
        QTest::keyClick(&h.Frame(), r.key, Qt::AltModifier);
        auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(open, nullptr) << r.menu;
        EXPECT_EQ(open->title(), r.menu);
        open->close();
        AppHarness::Pump();
    }
}

// Each control of the main window and of the dialogs has a name a screen reader can say.
TEST(KeyboardAccess, EveryControlHasAnAccessibleName) {
    AppHarness h;
    h.Start();
    Dialogs dialogs;
    std::vector<std::pair<const char*, QWidget*>> windows{{"main window", &h.Frame()}};
    for (auto& [name, dialog] : dialogs.all)
        windows.push_back({name, dialog.get()});
    for (const auto& [where, window] : windows) {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QAbstractItemView*>(w) || qobject_cast<QLabel*>(w) ||
                                 qobject_cast<QGroupBox*>(w);
            if (!control || !w->isVisibleTo(window) ||
                qobject_cast<QAbstractItemView*>(w->parentWidget()))
                continue;
            EXPECT_FALSE(Name(w).isEmpty()) << where << ": " << w->metaObject()->className() << " "
                                            << w->objectName().toStdString();
        }
    }
}

// A lamp says in words what its colour says, and follows its state.
TEST(KeyboardAccess, LampsSayTheirStateInWords) {
    ReceiverSimulator sim;
    ASSERT_TRUE(sim.Ok());
    AppHarness h;
    MapReceiverAsCom3(h.settings, sim.SlavePath());
    h.Start();
    const auto words = [&](int id) {
        QWidget* lamp = h.Form().Control(id);
        const QString description =
            QAccessible::queryAccessibleInterface(lamp)->text(QAccessible::Description);
        EXPECT_EQ(lamp->toolTip(), description);
        return Name(lamp) + " | " + description;
    };
    EXPECT_EQ(words(ctl::SerialLed), "Serial port: closed | Serial port: closed");
    EXPECT_EQ(words(ctl::PacketLed),
              "Serial port packet: port closed | Serial port packet: port closed");
    EXPECT_EQ(words(ctl::KeyboardLed),
              "Send to app via keyboard: off | Send to app via keyboard: off");
    EXPECT_EQ(words(ctl::FileLed),
              "Send to disk file: no target file | Send to disk file: no target file");

    h.View().OnEnableSerialPort();
    ASSERT_TRUE(h.View().SerialPort.IsOpen());
    const QString device = h.Field(ctl::Device);
    EXPECT_TRUE(device.endsWith(" on COM3")) << device.toStdString();
    EXPECT_EQ(words(ctl::SerialLed), "Serial port: open | Serial port: open, " + device);
    EXPECT_EQ(words(ctl::PacketLed), "Serial port packet: waiting | Serial port packet: waiting");
    h.View().OnSendToApp();
    EXPECT_EQ(words(ctl::KeyboardLed),
              "Send to app via keyboard: on | Send to app via keyboard: on");
    h.app->Router().Execute(cmd::DisableTargetFile);
    EXPECT_EQ(words(ctl::FileLed), "Send to disk file: disabled | Send to disk file: disabled");
    h.View().OnEnableSerialPort();
    EXPECT_EQ(words(ctl::SerialLed), "Serial port: closed | Serial port: closed");
}

// The tray menu has a way out below "Show Tapline", and it asks what closing from the tray asks.
TEST(KeyboardAccess, TrayMenuExitAsksBeforeClosing) {
    AppHarness h;
    h.Start();
    h.Frame().SetIconMode(1);
    QStringList entries;
    for (QAction* a : h.Frame().TrayMenu()->actions())
        entries << a->text();
    EXPECT_EQ(entries, (QStringList{"&Show Tapline", "E&xit"}));
    EXPECT_EQ(h.Frame().TrayMenu()->defaultAction()->text(), "&Show Tapline");
    QAction* exit = h.Frame().TrayMenu()->actions().back();

    h.messages.answers = {MsgAnswer::No};
    exit->trigger();
    EXPECT_EQ(h.LastMessage(), u"Do you really want to close Tapline Brisk?\n\n"
                               u"If you close Tapline, all information capture will be "
                               u"terminated.     ");
    EXPECT_TRUE(h.Frame().isVisible()) << "No keeps the program";
    h.messages.answers = {MsgAnswer::Yes};
    exit->trigger();
    EXPECT_FALSE(h.Frame().isVisible()) << "Yes closes it";
}

// The first ink column of the picture within rect: where text starts.
int InkStart(const QImage& image, const QRect& rect) {
    const QRgb background = image.pixel(rect.left(), rect.top());
    for (int x = rect.left(); x <= rect.right(); ++x)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            if (qGray(image.pixel(x, y)) + 60 < qGray(background))
                return x;
    return -1;
}

// The fields of the main window stand apart from their labels and keep one rhythm downwards;
// the status line starts where the labels do and stays there when a prompt replaces "Ready".
TEST(MainWindowLayout, RowsLabelsAndStatusLine) {
    AppHarness h;
    h.Start();
    TemplateForm& form = h.Form();
    const QList<int> rows{ctl::InputPacket, ctl::OutputPacket, ctl::KbApp, ctl::FileName,
                          ctl::Device};
    QList<int> steps;
    for (int i = 1; i < rows.size(); ++i)
        steps << form.Control(rows[i])->y() - form.Control(rows[i - 1])->y();
    for (int step : steps)
        EXPECT_NEAR(step, steps.front(), 1) << "row steps " << steps.size();

    int labelInk = -1;
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (!label->buddy() || !rows.contains(label->buddy()->objectName().mid(3).toInt()))
            continue;
        const int textEnd =
            label->x() + label->fontMetrics().horizontalAdvance(label->text().replace("&&", "&"));
        EXPECT_GE(label->buddy()->x() - textEnd, label->fontMetrics().horizontalAdvance(' '))
            << label->text().toStdString() << " touches its field";
        labelInk = InkStart(form.grab().toImage(), label->geometry());
    }

    h.Frame().show();
    QStatusBar* bar = h.Frame().statusBar();
    const auto statusInk = [&] {
        const QPoint at = bar->mapTo(&h.Frame(), QPoint(0, 0));
        return InkStart(h.Frame().grab().toImage(), QRect(at, bar->size()).adjusted(0, 2, 0, -2));
    };
    const int ready = statusInk();
    const int labelsAt = form.mapTo(&h.Frame(), QPoint(labelInk, 0)).x();
    EXPECT_NEAR(ready, labelsAt, 2) << "\"Ready\" starts where the labels start";
    QStatusTipEvent prompt(QStringLiteral("Create a new configuration"));
    QApplication::sendEvent(&h.Frame(), &prompt);
    EXPECT_NEAR(statusInk(), ready, 2) << "a prompt shows where \"Ready\" was";
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&h.Frame(), &none);
    EXPECT_NEAR(statusInk(), ready, 2);
}

} // namespace
