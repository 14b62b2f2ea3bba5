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
#include <QKeyEvent>
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
    // The main window's F1 is blocked while one of its dialogs is open; here it reaches every
    // window of the program.
    QCoreApplication::instance()->installEventFilter(this);
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
    QStringList places;
    for (const QString& place :
         {AppFolder + UsersGuideName,
          AppFolder + QStringLiteral("../share/tapline-brisk/") + UsersGuideName})
        places.append(QDir::cleanPath(QFileInfo(place).absoluteFilePath()));
    QStringList found;
    for (const QString& path : places) {
        if (!QFileInfo::exists(path))
            continue;
        if (services_.openUrl && services_.openUrl(QUrl::fromLocalFile(path)))
            return;
        found.append(path);
    }
    // The guide that would not open, or where it was looked for.
    const QString where = (found.isEmpty() ? places : found).join(u'\n');
    Messages().Show(u"Unable to open the Tapline Brisk User's Guide.\n\n"
                    u"The User's Guide and Adobe Acrobat PDF reader (or equivalent) must be "
                    u"installed on this computer.\n\n" +
                    where.toStdU16String() + u"     ");
}

bool CBriskApp::OpenAddress(const QUrl& url) {
    if (services_.openUrl && services_.openUrl(url))
        return true;
    // A mail address is shown without its scheme and subject, as it is typed into a mail.
    const QString address = url.scheme() == QStringLiteral("mailto") ? url.path() : url.toString();
    Messages().Show(u"No program on this computer opens this address. You can copy it from "
                    u"here:\n\n" +
                    address.toStdU16String() + u"     ");
    return false;
}

void CBriskApp::OnWebSite() {
    OpenAddress(QUrl(CAboutDlg::WebSite));
}

void CBriskApp::OnAppAbout() {
    CAboutDlg about([this](const QUrl& url) { return OpenAddress(url); }, MainFrame);
    about.DoModal();
}

bool CBriskApp::eventFilter(QObject* watched, QEvent* event) {
    // A key that reaches a widget was not taken as a shortcut: the main window's F1 did not see
    // it, because a dialog blocks that window.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() && frame_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            router_.Execute(cmd::Help);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
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
