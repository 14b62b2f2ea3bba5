#pragma once

#include "gui/FileDialogs.h"

#include <QStringList>

// Answers file dialogs from a script (an empty answer is Cancel) and records what was asked.
class FakeFileDialogs : public FileDialogs {
public:
    QStringList answers;
    struct Asked {
        QString title, folder, filter;
    };
    QList<Asked> asked;

    QString GetOpenFileName(const QString& title, const QString& folder,
                            const QString& filter) override {
        return Answer(title, folder, filter);
    }
    QString GetSaveFileName(const QString& title, const QString& folder,
                            const QString& filter) override {
        return Answer(title, folder, filter);
    }

private:
    QString Answer(const QString& title, const QString& folder, const QString& filter) {
        asked.append({title, folder, filter});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};
