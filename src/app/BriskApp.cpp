#include "app/BriskApp.h"

#include "app/BriskDoc.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "dialogs/AboutDlg.h"
#include "gui/FileDialogs.h"
#include "platform/MessageBoxService.h"
#include "platform/SettingsStore.h"
#include "resources/CommandIds.h"
#include "resources/Resources.h"
#include "view/BriskView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

const QString CBriskApp::UsersGuideName = QStringLiteral("Tapline_Brisk_Users_Guide.pdf");

CBriskApp::CBriskApp(AppServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)), recent_(services_.view.settings, 4) {
    InitResources();
    Commands.OnCommand(cmd::FileNew, [this] { OnFileNew(); });
    Commands.OnCommand(cmd::FileOpen, [this] { OnFileOpen(); });
    Commands.OnCommand(cmd::HelpTopics, [this] { OnHelpTopics(); });
    Commands.OnCommand(cmd::UsersGuide, [this] { OnUsersGuide(); });
    Commands.OnCommand(cmd::WebSite, [this] { OnWebSite(); });
    Commands.OnCommand(cmd::AppAbout, [this] { OnAppAbout(); });
}

CBriskApp::~CBriskApp() {
    delete help_;
    frame_.reset();
    document_.reset();
}

bool CBriskApp::InitInstance(const QStringList& arguments) {
    recent_.Load();
    AppFolder = QCoreApplication::applicationDirPath() + u'/';

    document_ = std::make_unique<CBriskDoc>(*this);
    frame_ = std::make_unique<CMainFrame>(*this, services_.view);
    Document = document_.get();
    MainFrame = frame_.get();
    View = frame_->View();
    View->TestProgram.AppFolder = AppFolder.toStdString();
    router_.SetTargets({&View->Commands, &document_->Commands, &frame_->Commands, &Commands});
    frame_->BuildBars();

    // The setup file named on the command line (the first argument that is not an option).
    QString file;
    for (const QString& a : arguments) {
        if (!a.startsWith(u'-')) {
            file = QFileInfo(a).absoluteFilePath();
            break;
        }
    }
    if (file.isEmpty())
        document_->OnNewDocument();
    else
        OpenDocumentFile(file); // remembered until the view exists

    View->OnInitialUpdate(frame_.get(), document_.get());
    frame_->ActivateFrame(CMainFrame::ShowNormal);
    if (frame_->IconMode == -1)
        frame_->SetIconMode(0);
    LoadCfgFolder();
    router_.UpdateAll();
    return true;
}

void CBriskApp::SetFrameTitle(const QString& name) {
    if (frame_)
        frame_->setWindowTitle(QStringLiteral("Tapline Brisk - ") + name);
}

void CBriskApp::LoadCfgFolder() {
    QString folder =
        QString::fromStdString(Settings().GetProfileString("Settings", "CfgFileFolder", ""));
    if (folder.isEmpty()) {
        const QString documents =
            services_.documentsFolder.isEmpty() ? QDir::homePath() : services_.documentsFolder;
        folder = documents + QStringLiteral("/Orvane/Tapline Brisk");
        Settings().WriteProfileString("Settings", "CfgFileFolder", folder.toStdString());
    }
    document_->CfgFolder = folder;
    QDir().mkpath(folder); // an existing folder or a failure is of no consequence here
}

void CBriskApp::OnFileNew() {
    if (View && View->Initialised)
        document_->Modified = document_->SetupChanged();
    if (!document_->SaveModified())
        return;
    document_->OnNewDocument();
    SetFrameTitle(QStringLiteral("Untitled"));
    frame_->ActivateFrame(CMainFrame::ShowDefault);
}

void CBriskApp::OnFileOpen() {
    if (View && View->Initialised)
        document_->Modified = document_->SetupChanged();
    const QString path =
        services_.view.dialogs.GetOpenFileName(QStringLiteral("Open Tapline Brisk Setup File"),
                                               document_->CfgFolder, CBriskDoc::FileFilter);
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool CBriskApp::OpenDocumentFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    if (!document_->PathName.isEmpty() && full == document_->PathName) {
        frame_->ActivateFrame(CMainFrame::ShowDefault);
        return true;
    }
    if (!document_->SaveModified())
        return false;
    if (!document_->OnOpenDocument(full))
        return false;
    document_->PathName = full;
    AddRecentFile(full);
    if (View && View->Initialised)
        frame_->ActivateFrame(CMainFrame::ShowDefault);
    return true;
}

void CBriskApp::OnShellOpen(const QString& path) {
    if (!path.isEmpty())
        OpenDocumentFile(path);
    if (frame_)
        frame_->ShowMainWindow();
}

void CBriskApp::AddRecentFile(const QString& path) {
    recent_.Add(path);
    if (frame_)
        frame_->RefreshRecentFiles();
}

void CBriskApp::ShowHelp(int context) {
    if (!help_)
        help_ = new HelpWindow();
    help_->ShowTopic(context);
}

void CBriskApp::OnUsersGuide() {
    // Beside the executable, or in the data folder of an installed program.
    const QStringList places{AppFolder + UsersGuideName,
                             AppFolder + QStringLiteral("../share/tapline-brisk/") +
                                 UsersGuideName};
    for (const QString& place : places) {
        const QString path = QDir::cleanPath(QFileInfo(place).absoluteFilePath());
        if (QFileInfo::exists(path) && services_.openUrl &&
            services_.openUrl(QUrl::fromLocalFile(path)))
            return;
    }
    Messages().Show(u"Unable to open the Tapline Brisk User's Guide.\n\n"
                    u"The User's Guide and Adobe Acrobat PDF reader (or equivalent) must be "
                    u"installed on this computer.");
}

void CBriskApp::OnWebSite() {
    if (services_.openUrl)
        services_.openUrl(QUrl(CAboutDlg::WebSite));
}

void CBriskApp::OnAppAbout() {
    CAboutDlg about(services_.openUrl, MainFrame);
    about.DoModal();
}

void CBriskApp::DoWaitCursor(int code) {
    if (code > 0) {
        if (waitCursors_++ == 0)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (code < 0 && waitCursors_ > 0) {
        if (--waitCursors_ == 0)
            QGuiApplication::restoreOverrideCursor();
    }
}
