#include "app/BriskDoc.h"

#include "app/BriskApp.h"
#include "gui/FileDialogs.h"
#include "platform/ExclusiveFile.h"
#include "platform/MessageBoxService.h"
#include "platform/SettingsStore.h"
#include "resources/CommandIds.h"
#include "setup/SetupFile.h"
#include "view/DocumentView.h"

#include <QFileInfo>
#include <sys/stat.h>

const QString CBriskDoc::FileFilter = QStringLiteral("Tapline Brisk Setup Files (*.tpln_brisk)");

namespace {

std::u16string Text(const QString& s) {
    return s.toStdU16String();
}

} // namespace

CBriskDoc::CBriskDoc(CBriskApp& app) : App(app) {
    SetDefaults();
    Commands.OnCommand(cmd::FileSave, [this] { OnFileSave(); });
    Commands.OnCommand(cmd::FileSaveAs, [this] { OnFileSaveAs(); });
}

bool CBriskDoc::OnNewDocument() {
    if (View)
        View->AskAboutWaitingLines();
    PathName.clear();
    Modified = false;
    if (View)
        View->ResetView();
    return true;
}

bool CBriskDoc::OnOpenDocument(const QString& path) {
    if (!View) {
        // Named before the view exists (the command line): read at the view's first showing.
        App.OpenPending = 1;
        App.PendingFile = path;
        return true;
    }
    Modified = false;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        App.Messages().Show(u"Cannot find the Tapline Brisk Setup file to be opened:     \n\n" +
                            Text(path) + u"     ");
        return false;
    }
    ExclusiveFile file;
    if (SetupFileReadOnly(st) || !S_ISREG(st.st_mode) || !file.Open(name.toStdString(), false)) {
        App.Messages().Show(u"Unable to open the Tapline Brisk Setup file:     \n\n" + Text(path) +
                            u"     ");
        return false;
    }
    View->AskAboutWaitingLines();
    View->ResetView();
    const int result = ReadSetupFile(file.Fd());
    file.Close();
    if (result != 0) {
        static const char16_t* const Reasons[] = {
            u"", u"Incorrect file size.", u"Incorrect file version.", u"Invalid Tapline model."};
        App.Messages().Show(u"Error reading the Tapline Brisk Setup file:     \n\n" +
                            (u"    Filename = " + Text(path) + u"     \n") + u"\n" +
                            u"    Error = " + Reasons[result] + u"     ");
        // The setup is now the default one; it must not keep the refused file's name, or the
        // next Save would overwrite that file with defaults.
        PathName.clear();
        App.SetFrameTitle(QStringLiteral("Untitled"));
        return false;
    }
    RememberCfgFolder(path);
    App.SetFrameTitle(TitleName(path));
    View->ApplySetup();
    return true;
}

void CBriskDoc::OpenPendingFile() {
    if (App.OpenPending == 1)
        OnOpenDocument(App.PendingFile);
}

int CBriskDoc::ReadSetupFile(int fd) {
    return ReadSetupRecord(fd, *this);
}

bool CBriskDoc::OnSaveDocument(const QString& path) {
    App.DoWaitCursor(1);
    if (!WriteSetupFile(QFile::encodeName(path).toStdString(), Setup)) {
        App.DoWaitCursor(-1);
        App.Messages().Show(
            u"Unable to save the Tapline Brisk Setup parameters in the file:     \n\n" +
            Text(path) + u"     ");
        return false;
    }
    SavedSetup = Setup;
    RememberCfgFolder(path);
    App.SetFrameTitle(TitleName(path));
    App.DoWaitCursor(-1);
    return true;
}

void CBriskDoc::RememberCfgFolder(const QString& path) {
    CfgFolder = path.left(std::max<qsizetype>(path.lastIndexOf(u'/'), 0));
    App.Settings().WriteProfileString("Settings", "CfgFileFolder", CfgFolder.toStdString());
}

QString CBriskDoc::TitleName(const QString& path) {
    const QString file = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = file.lastIndexOf(u'.');
    // A name without an extension is shown whole.
    return dot < 0 ? file : file.left(dot);
}

QString CBriskDoc::DocumentTitle() const {
    return PathName.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(PathName).fileName();
}

// The setup's own name in the folder of setup files; a setup without a file proposes its title
// with the setup-file extension.
QString CBriskDoc::SaveAsStart() const {
    const QString name =
        PathName.isEmpty() ? QStringLiteral("Untitled.tpln_brisk") : QFileInfo(PathName).fileName();
    return CfgFolder + u'/' + name;
}

void CBriskDoc::OnFileSave() {
    if (!PathName.isEmpty() && QFileInfo::exists(PathName))
        OnSaveDocument(PathName);
    else
        OnFileSaveAs();
}

void CBriskDoc::OnFileSaveAs() {
    const QString path = App.Dialogs().GetSaveFileName(
        QStringLiteral("Save Tapline Brisk Setup File As"), SaveAsStart(), FileFilter);
    if (path.isEmpty())
        return;
    if (OnSaveDocument(path)) {
        PathName = path;
        App.AddRecentFile(path);
    }
}

bool CBriskDoc::SaveModified() {
    if (!Modified)
        return true;
    const MsgAnswer answer =
        App.Messages().Show(u"Save changes to " + Text(DocumentTitle()) + u"?",
                            MsgStyle{MsgButtons::YesNoCancel, MsgIcon::Exclamation, 0});
    if (answer == MsgAnswer::Cancel)
        return false;
    if (answer == MsgAnswer::No)
        return true;
    // Yes: to the document's own file when it exists and may be written, else ask for a name.
    QFileInfo info(PathName);
    if (!PathName.isEmpty() && info.exists() && info.isWritable() &&
        (info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
        return OnSaveDocument(PathName);
    const QString path = App.Dialogs().GetSaveFileName(
        QStringLiteral("Save Tapline Brisk Setup File As"), SaveAsStart(), FileFilter);
    if (path.isEmpty() || !OnSaveDocument(path))
        return false;
    PathName = path;
    App.AddRecentFile(path);
    return true;
}
