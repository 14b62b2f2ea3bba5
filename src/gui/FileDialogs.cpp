#include "gui/FileDialogs.h"

#include <QApplication>
#include <QFileDialog>

QString QtFileDialogs::GetOpenFileName(const QString& title, const QString& folder,
                                       const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, filter);
}

QString QtFileDialogs::GetSaveFileName(const QString& title, const QString& folder,
                                       const QString& filter) {
    // The program neither adds nor checks the extension; overwriting asks first.
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, folder, filter);
}
