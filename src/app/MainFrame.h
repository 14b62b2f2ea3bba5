#pragma once

#include "gui/CommandRouter.h"
#include "view/ViewFrame.h"
#include "view/ViewServices.h"

#include <QMainWindow>

class CBriskApp;
class CBriskView;
class QLabel;
class QMenu;
class QSystemTrayIcon;

// The main window: a fixed-size frame with menu bar, toolbar and status bar around the view. It
// shows the program on the taskbar or as an icon in the system tray, hides instead of
// minimising while in the tray, asks before closing from the tray, and routes help requests.
class CMainFrame : public QMainWindow, public ViewFrame {
    Q_OBJECT
public:
    enum ShowCmd { ShowDefault = -1, ShowNormal = 1, ShowMinimized = 6 };

    CMainFrame(CBriskApp& app, ViewServices services);
    ~CMainFrame() override;

    int PendingShowCmd = -1;
    int DefaultHelpContext = 108;
    int HelpContext = 108;
    QSystemTrayIcon* TrayIcon = nullptr;
    int IconMode = -1; // -1 not placed yet, 0 taskbar, 1 system tray

    CommandTarget Commands;

    // Menus, toolbar, accelerators and status bar over the application's command router.
    void BuildBars();
    void ActivateFrame(int showCmd);
    void SetIconMode(int mode);
    void ShowMainWindow();
    void RefreshRecentFiles();
    QString TrayTip() const;

    // ViewFrame
    void SetFrameTitle(const QString& name) override;
    void DoWaitCursor(int code) override;
    void PlaceFrame() override;
    void RefreshTrayTip() override;
    void PostIconMode(int mode) override;
    void ShowMinimizedNext() override { PendingShowCmd = ShowMinimized; }
    void KeepOnTop(bool on) override;
    void ShowHelp(int context) override;
    void ShowWaiting(const QString& text) override;
    // The newest notice in the status bar (empty: none is up) and, where no notification
    // service runs, as the tray icon's balloon.
    void ShowNotice(const QString& text);
    void ShowTrayBalloon(const QString& summary, const QString& body);
    int GetHelpContext() const override { return HelpContext; }
    void SetHelpContext(int context) override { HelpContext = context; }

    CBriskView* View() const { return view_; }
    QMenu* TrayMenu() const { return trayMenu_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnHelp();
    void ShowAs(int showCmd);
    void ShowStatusText();
    void HideToTray();
    // The window manager forgets "above" when a window is hidden: asked again after each show.
    void ShowAgainOnTop();

    CBriskApp& App;
    WindowSystem& windows_;
    bool onTop_ = false;
    CBriskView* view_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QList<QAction*> recentActions_;
    QLabel* ready_ = nullptr;
    QLabel* waiting_ = nullptr;
    QString notice_;    // the newest notice; empty: none is up
    QString statusTip_; // the prompt of the command under the pointer
};
