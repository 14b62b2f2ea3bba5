#pragma once

#include <QString>

// The file dialogs of the program, behind an interface so that tests can answer them.
// An empty result means the user cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QString GetOpenFileName(const QString& title, const QString& folder,
                                    const QString& filter) = 0;
    virtual QString GetSaveFileName(const QString& title, const QString& folder,
                                    const QString& filter) = 0;
};

class QtFileDialogs : public FileDialogs {
public:
    QString GetOpenFileName(const QString& title, const QString& folder,
                            const QString& filter) override;
    QString GetSaveFileName(const QString& title, const QString& folder,
                            const QString& filter) override;
};
