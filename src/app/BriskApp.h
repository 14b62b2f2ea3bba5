#pragma once

#include "app/AppServices.h"
#include "app/HelpWindow.h"
#include "gui/CommandRouter.h"
#include "gui/RecentFileList.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class CBriskDoc;
class CBriskView;
class CMainFrame;
class MessageBoxService;
class SettingsStore;

// The application: start-up, stored settings, the title bar, the File New and Open commands,
// the recent-file list and the Help commands.
class CBriskApp : public QObject {
    Q_OBJECT
public:
    explicit CBriskApp(AppServices services, QObject* parent = nullptr);
    ~CBriskApp() override;

    CMainFrame* MainFrame = nullptr;
    CBriskDoc* Document = nullptr;
    CBriskView* View = nullptr;
    QString AppFolder; // folder of the executable, with a final '/'
    int OpenPending = 0;
    QString PendingFile;

    static const QString UsersGuideName;

    // Sets everything up and shows the main window; arguments as on the command line, without
    // the program name. False ends the program.
    bool InitInstance(const QStringList& arguments);
    void SetFrameTitle(const QString& name);
    void LoadCfgFolder();

    void OnFileNew();
    void OnFileOpen();
    // Opens a setup file as the framework does: the same file again only brings the window
    // forward; otherwise unsaved changes are asked about first.
    bool OpenDocumentFile(const QString& path);
    // A file handed over by a second start, as the desktop's open request: no changed-setup
    // test; the window comes to the front (out of the tray too). Empty: only to the front.
    void OnShellOpen(const QString& path);
    void OnHelpTopics() { ShowHelp(108); }
    void ShowHelp(int context);
    void OnUsersGuide();
    void OnWebSite();
    void OnAppAbout();
    // Opens a document or link through the desktop; where no program takes it, a message shows
    // the address so that the user can copy it.
    bool OpenAddress(const QUrl& url);
    void DoWaitCursor(int code);

    void AddRecentFile(const QString& path);
    const RecentFileList& Recent() const { return recent_; }
    CommandRouter& Router() { return router_; }
    SettingsStore& Settings() { return services_.view.settings; }
    MessageBoxService& Messages() { return services_.view.messages; }
    FileDialogs& Dialogs() { return services_.view.dialogs; }
    HelpWindow* Help() const { return help_; }

    CommandTarget Commands;

protected:
    // F1 in any dialog opens the help topic in force.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppServices services_;
    RecentFileList recent_;
    CommandRouter router_;
    std::unique_ptr<CBriskDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    QPointer<HelpWindow> help_;
    int waitCursors_ = 0;
};
