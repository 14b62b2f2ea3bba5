#include "gui/FileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

QString QtFileDialogs::GetOpenFileName(const QString& title, const QString& folder,
                                       const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, filter);
}

QString QtFileDialogs::GetSaveFileName(const QString& title, const QString& folder,
                                       const QString& filter) {
    // The program neither adds nor checks the extension; overwriting asks first.
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, filter);
}

QString QtFileDialogs::GetOpenOrCreateFileName(const QString& title, const QString& start,
                                               const QString& filter,
                                               const QString& defaultSuffix) {
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!start.isEmpty())
        dialog.selectFile(start);
    // A refused answer goes back to the dialog, so the user can pick another name.
    while (dialog.exec() == QDialog::Accepted) {
        const QString path = dialog.selectedFiles().value(0);
        const QFileInfo info(path);
        if (path.isEmpty() || info.isDir())
            continue;
        if (!info.dir().exists()) {
            QMessageBox::warning(&dialog, title,
                                 QStringLiteral("%1\nThe folder does not exist.").arg(path));
            continue;
        }
        if (info.exists())
            return path;
        if (QMessageBox::question(
                &dialog, title,
                QStringLiteral("%1\nThis file does not exist.\nDo you want to create it?")
                    .arg(path),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
            return path;
    }
    return {};
}
