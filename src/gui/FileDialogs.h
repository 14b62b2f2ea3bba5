#pragma once

#include <QString>

// The file dialogs of the program, behind an interface so that tests can answer them.
// An empty result means the user cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QString GetOpenFileName(const QString& title, const QString& folder,
                                    const QString& filter) = 0;
    // start: the folder to show, or a file whose name is proposed in its folder.
    virtual QString GetSaveFileName(const QString& title, const QString& start,
                                    const QString& filter) = 0;
    // An open dialog that also takes the name of a file not there yet, once the user has agreed
    // to create it; its folder must exist. start is the file shown at first; a name without an
    // extension gets defaultSuffix.
    virtual QString GetOpenOrCreateFileName(const QString& title, const QString& start,
                                            const QString& filter,
                                            const QString& defaultSuffix) = 0;
};

class QtFileDialogs : public FileDialogs {
public:
    QString GetOpenFileName(const QString& title, const QString& folder,
                            const QString& filter) override;
    QString GetSaveFileName(const QString& title, const QString& start,
                            const QString& filter) override;
    QString GetOpenOrCreateFileName(const QString& title, const QString& start,
                                    const QString& filter, const QString& defaultSuffix) override;
};
