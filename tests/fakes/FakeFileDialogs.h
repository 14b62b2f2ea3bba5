#pragma once

#include "gui/FileDialogs.h"

#include <QStringList>
#include <functional>

// Answers file dialogs from a script (an empty answer is Cancel) and records what was asked.
class FakeFileDialogs : public FileDialogs {
public:
    QStringList answers;
    struct Asked {
        QString title, folder, filter, suffix; // folder: the starting file for open-or-create
    };
    QList<Asked> asked;
    // Runs while a dialog is open, before it answers.
    std::function<void()> whileOpen;

    QString GetOpenFileName(const QString& title, const QString& folder,
                            const QString& filter) override {
        return Answer({title, folder, filter, {}});
    }
    QString GetSaveFileName(const QString& title, const QString& folder,
                            const QString& filter) override {
        return Answer({title, folder, filter, {}});
    }
    QString GetOpenOrCreateFileName(const QString& title, const QString& start,
                                    const QString& filter, const QString& defaultSuffix) override {
        return Answer({title, start, filter, defaultSuffix});
    }

private:
    QString Answer(const Asked& question) {
        asked.append(question);
        if (whileOpen)
            whileOpen();
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};
