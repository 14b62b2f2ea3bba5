#include "app/MainFrame.h"

#include "app/BriskApp.h"
#include "app/BriskDoc.h"
#include "gui/TemplateForm.h"
#include "platform/MessageBoxService.h"
#include "platform/SkipTaskbar.h"
#include "platform/WindowSystem.h"
#include "resources/CommandIds.h"
#include "resources/Icons.h"
#include "resources/MenuResources.h"
#include "view/BriskView.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>

CMainFrame::CMainFrame(CBriskApp& app, ViewServices services)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      App(app), windows_(services.windows) {
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    view_ = new CBriskView(services, this);
    setCentralWidget(view_);

    Commands.OnCommand(cmd::ShowTapline, [this] { ShowMainWindow(); });
    Commands.OnCommand(cmd::Help, [this] { OnHelp(); });
    Commands.OnCommand(cmd::DefaultHelp, [this] { App.ShowHelp(108); });
    Commands.OnCommand(cmd::AppExit, [this] {
        // From the tray menu the window may be hidden, and a hidden window that closes is no
        // last window closing: the program ends here once the questions let it close.
        const bool hidden = !isVisible();
        if (close() && hidden)
            QCoreApplication::quit();
    });
}

CMainFrame::~CMainFrame() {
    if (TrayIcon)
        TrayIcon->hide();
}

void CMainFrame::BuildBars() {
    CommandRouter& router = App.Router();
    auto prompt = [](int id, QAction* action) {
        if (const char* p = CommandPrompt(id)) {
            const QString text = QString::fromUtf8(p);
            action->setStatusTip(text.section(u'\n', 0, 0));
            if (text.contains(u'\n'))
                action->setToolTip(text.section(u'\n', 1));
        }
    };
    for (const MenuResource& m : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
        connect(menu, &QMenu::aboutToShow, &router, &CommandRouter::UpdateAll);
        for (const MenuItem& item : m.items) {
            if (!item.text) {
                menu->addSeparator();
            } else if (item.id == RecentFilePlaceholder) {
                recentMenu_ = menu;
                QAction* placeholder = menu->addAction(QString::fromUtf8(item.text));
                placeholder->setEnabled(false);
                recentActions_.append(placeholder);
            } else {
                QAction* a = router.Action(item.id);
                if (item.id == cmd::DisableTargetFile)
                    a->setCheckable(true); // checked while the file target is disabled
                const QString text = QString::fromUtf8(item.text);
                a->setText(text.section(u'\t', 0, 0));
                if (text.contains(u'\t'))
                    a->setShortcut(QKeySequence(text.section(u'\t', 1)));
                prompt(item.id, a);
                menu->addAction(a);
            }
        }
    }

    QToolBar* toolbar = addToolBar(QStringLiteral("Standard"));
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(28, 23));
    for (int id : MainToolbar()) {
        if (id == 0) {
            toolbar->addSeparator();
            continue;
        }
        QAction* a = router.Action(id);
        if (a->icon().isNull())
            a->setIcon(ToolbarIcon(id));
        if (id == cmd::AlwaysOnTop)
            a->setCheckable(true);
        prompt(id, a);
        if (a->text().isEmpty())
            a->setText(a->toolTip());
        toolbar->addAction(a);
    }

    for (const Accelerator& key : Accelerators()) {
        QAction* a = router.Action(key.id);
        QList<QKeySequence> keys = a->shortcuts();
        const QKeySequence sequence(QString::fromUtf8(key.keys));
        if (!keys.contains(sequence))
            keys.append(sequence);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        if (!actions().contains(a))
            addAction(a);
    }
    QAction* help = router.Action(cmd::Help);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::ApplicationShortcut);
    addAction(help);

    // The first entry, "Show Tapline", is the default one (in bold); "Exit" shares the File
    // menu's command and its questions.
    trayMenu_ = new QMenu(this);
    for (const MenuItem& item : ::TrayMenu().items) {
        QAction* a = router.Action(item.id);
        a->setText(QString::fromUtf8(item.text));
        prompt(item.id, a);
        if (trayMenu_->isEmpty()) {
            QFont bold = a->font();
            bold.setBold(true);
            a->setFont(bold);
            trayMenu_->setDefaultAction(a);
        }
        trayMenu_->addAction(a);
    }

    // "Ready", the notices and the command prompts all show in this one label (see event()),
    // so the text never jumps sideways.
    ready_ = new QLabel(QStringLiteral("Ready"));
    statusBar()->addWidget(ready_, 1);
    waiting_ = new QLabel;
    waiting_->hide();
    statusBar()->addPermanentWidget(waiting_);
    statusBar()->setSizeGripEnabled(false);

    RefreshRecentFiles();
    view_->AfterTick = [&router] { router.UpdateAll(); };
    adjustSize();
    setFixedSize(sizeHint());
    // The status text starts where the form's labels do.
    const int column = view_->Form->mapTo(this, view_->Form->ToPixels(3, 0, 0, 0).topLeft()).x();
    const int at = ready_->mapTo(this, QPoint(0, 0)).x();
    ready_->setContentsMargins(std::max(0, column - at), 0, 0, 0);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        statusTip_ = static_cast<QStatusTipEvent*>(event)->tip();
        ShowStatusText();
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::ShowStatusText() {
    if (!ready_)
        return;
    // A command's prompt while the pointer rests on it; otherwise the newest notice (one line
    // in the bar, the whole text as its tip), or "Ready".
    if (!statusTip_.isEmpty())
        ready_->setText(statusTip_);
    else
        ready_->setText(notice_.isEmpty() ? QStringLiteral("Ready") : notice_.section(u'\n', 0, 0));
    ready_->setToolTip(statusTip_.isEmpty() ? notice_ : QString());
}

void CMainFrame::RefreshRecentFiles() {
    if (!recentMenu_)
        return;
    QAction* before = recentActions_.isEmpty() ? nullptr : recentActions_.last();
    QAction* anchor = nullptr;
    if (before) {
        const auto all = recentMenu_->actions();
        const int at = all.indexOf(before);
        anchor = at + 1 < all.size() ? all[at + 1] : nullptr;
    }
    for (QAction* a : recentActions_)
        recentMenu_->removeAction(a), a->deleteLater();
    recentActions_.clear();
    const QStringList files = App.Recent().Files();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), recentMenu_);
        a->setStatusTip(QString::fromUtf8(CommandPrompt(cmd::FileMru1 + i)));
        connect(a, &QAction::triggered, this, [this, path] { App.OpenDocumentFile(path); });
        recentMenu_->insertAction(anchor, a);
        recentActions_.append(a);
    }
    if (files.isEmpty()) {
        auto* a = new QAction(QStringLiteral("Recent File"), recentMenu_);
        a->setEnabled(false);
        recentMenu_->insertAction(anchor, a);
        recentActions_.append(a);
    }
}

void CMainFrame::ActivateFrame(int showCmd) {
    if (PendingShowCmd != -1) {
        showCmd = PendingShowCmd;
        PendingShowCmd = -1;
    }
    ShowAs(showCmd);
}

void CMainFrame::ShowAs(int showCmd) {
    SetSkipTaskbar(this, IconMode == 1);
    if (showCmd == ShowMinimized) {
        if (IconMode == 1) {
            hide(); // in the tray a minimised program is only its icon
        } else {
            showMinimized();
        }
        return;
    }
    if (isMinimized())
        showNormal();
    else
        show();
    ShowAgainOnTop();
    raise();
    activateWindow();
}

void CMainFrame::SetIconMode(int mode) {
    if (mode == IconMode)
        return;
    // The window manager moves a shown window on or off the taskbar by request, so the window
    // need not be hidden and shown again; it is shown in either mode, also when it was hidden in
    // the tray before.
    const bool toTray = mode == 1 && isMinimized();
    if (toTray)
        HideToTray(); // minimised in the tray is the icon alone
    // Hidden first: a window manager may restore a minimised window that leaves the taskbar.
    SetSkipTaskbar(this, mode == 1);
    if (!toTray && !isVisible()) {
        show();
        ShowAgainOnTop();
    }
    if (mode == 0) {
        if (TrayIcon)
            TrayIcon->hide();
    } else {
        if (!TrayIcon) {
            TrayIcon = new QSystemTrayIcon(ProgramIcon(), this);
            TrayIcon->setContextMenu(trayMenu_);
            connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](auto reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    ShowMainWindow();
            });
        }
        TrayIcon->show();
    }
    IconMode = mode;
    RefreshTrayTip();
}

QString CMainFrame::TrayTip() const {
    QString tip = QStringLiteral("  Tapline Brisk\n     Serial Port: ");
    if (view_->SerialPort.IsOpen())
        tip += QStringLiteral("COM%1 is open  ").arg(view_->Device.DevicePort);
    else if (view_->SerialWanted())
        tip += view_->DeviceText() + QStringLiteral("  ");
    else
        tip += QStringLiteral("Closed  ");
    return tip;
}

void CMainFrame::RefreshTrayTip() {
    if (IconMode == 1 && TrayIcon)
        TrayIcon->setToolTip(TrayTip());
}

void CMainFrame::SetFrameTitle(const QString& name) {
    App.SetFrameTitle(name);
}

void CMainFrame::DoWaitCursor(int code) {
    App.DoWaitCursor(code);
}

void CMainFrame::PlaceFrame() {
    // Centred across, in the upper part of the screen.
    adjustSize();
    if (const QScreen* s = screen()) {
        const QSize area = s->geometry().size();
        const QSize w = frameGeometry().size();
        move((area.width() - w.width()) / 2, (3 * area.height() - w.height()) / 16);
    }
}

// As a message posted to the frame: the placement follows once the events waiting now have been
// handled, and never reaches a frame that is gone by then.
void CMainFrame::PostIconMode(int mode) {
    QMetaObject::invokeMethod(
        this, [this, mode] { SetIconMode(mode); }, Qt::QueuedConnection);
}

void CMainFrame::ShowMainWindow() {
    if (isMinimized())
        showNormal();
    if (isVisible()) {
        raise();
        activateWindow();
    } else {
        SetSkipTaskbar(this, IconMode == 1);
        show();
        ShowAgainOnTop();
        raise();
        activateWindow();
    }
}

// Through the window manager, so the window is not made anew (changing Qt's stays-on-top flag
// hides and shows it again on X11).
void CMainFrame::KeepOnTop(bool on) {
    onTop_ = on;
    windows_.SetAlwaysOnTop(static_cast<WindowId>(winId()), on);
}

void CMainFrame::ShowAgainOnTop() {
    if (onTop_)
        windows_.SetAlwaysOnTop(static_cast<WindowId>(winId()), true);
}

void CMainFrame::ShowHelp(int context) {
    App.ShowHelp(context);
}

void CMainFrame::ShowWaiting(const QString& text) {
    if (!waiting_)
        return;
    waiting_->setText(text);
    waiting_->setVisible(!text.isEmpty());
}

void CMainFrame::ShowNotice(const QString& text) {
    notice_ = text;
    ShowStatusText();
}

void CMainFrame::ShowTrayBalloon(const QString& summary, const QString& body) {
    if (TrayIcon && TrayIcon->isVisible())
        TrayIcon->showMessage(summary, body, QSystemTrayIcon::Information);
}

void CMainFrame::HideToTray() {
    // The window keeps its minimised state while hidden: clearing it would map the window
    // again, and ShowMainWindow restores it anyway.
    hide();
}

void CMainFrame::OnHelp() {
    App.ShowHelp(HelpContext != 0 ? HelpContext : DefaultHelpContext);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (IconMode == 1) {
        const MsgAnswer answer = App.Messages().Show(
            u"Do you really want to close Tapline Brisk?\n\n"
            u"If you close Tapline, all information capture will be terminated.     ",
            MsgStyle::Question());
        if (answer != MsgAnswer::Yes) {
            event->ignore();
            return;
        }
    }
    if (view_->Initialised && App.Document)
        App.Document->Modified = App.Document->SetupChanged();
    if (App.Document && !App.Document->SaveModified()) {
        event->ignore();
        return;
    }
    // Readings that wait for the target file stay in their spool when the operator lets them.
    view_->AskAboutWaitingLines();
    view_->OnDestroy();
    if (TrayIcon)
        TrayIcon->hide();
    event->accept();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && IconMode == 1 && isMinimized()) {
        // In the tray a minimise hides the window: only the icon remains.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized() && IconMode == 1)
                HideToTray();
        });
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    // Each dropped file is opened in turn, as a file named in the Open dialog would be.
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            App.OpenDocumentFile(url.toLocalFile());
    event->acceptProposedAction();
}
