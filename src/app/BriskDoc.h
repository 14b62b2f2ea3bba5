#pragma once

#include "gui/CommandRouter.h"
#include "view/ViewDocument.h"

#include <QString>

class CBriskApp;

// The setup document: owns the live setup record and its reference copy, reads and writes setup
// files (exactly the 1724 bytes of the record), and carries the document state a user sees (the
// file's path, the name in the title bar, whether unsaved changes are to be asked about).
class CBriskDoc : public ViewDocument {
public:
    explicit CBriskDoc(CBriskApp& app);

    QString CfgFolder; // folder in which the setup-file dialogs open

    QString PathName;      // empty while the setup has no file
    bool Modified = false; // meaningful right after a changed-setup test

    CommandTarget Commands; // Save and Save As

    bool OnNewDocument();
    bool OnOpenDocument(const QString& path);
    // ViewDocument: the file of a first OnOpenDocument that came before the view existed.
    void OpenPendingFile() override;
    bool OnSaveDocument(const QString& path);
    // 0 read, 1 wrong size, 2 wrong version, 3 wrong model.
    int ReadSetupFile(int fd);
    void RememberCfgFolder(const QString& path);

    void OnFileSave();
    void OnFileSaveAs();
    // Asks "Save changes to %1?" when the modified flag is set; false means Cancel (or a save
    // that failed), so whatever was about to replace the setup must not happen.
    bool SaveModified();
    // The name shown in the title bar for a path: the file name without its extension.
    static QString TitleName(const QString& path);
    // The document's name in the framework's prompts.
    QString DocumentTitle() const;
    // Where Save As starts: the folder of setup files and the setup's name.
    QString SaveAsStart() const;

    static const QString FileFilter;

private:
    CBriskApp& App;
};
