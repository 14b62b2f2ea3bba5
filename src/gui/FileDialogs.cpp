#include "gui/FileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>

#include <algorithm>

namespace {

// Qt's own file dialog opens so narrow that its Type and Date columns are cut. It opens wide
// enough for them instead, no larger than the screen's free area, and each folder shown sizes
// the Size, Type and Date columns to what they hold, leaving the rest to the names. A chooser of
// the desktop's own has no such widgets and sizes itself.
void ShowColumns(QFileDialog& dialog) {
    // Like the program's own dialogs, modal to the window it belongs to only: the help window
    // stays usable.
    dialog.setWindowModality(Qt::WindowModal);
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (view == nullptr || model == nullptr)
        return;
    const QFontMetrics metrics(view->font());
    QSize size(metrics.averageCharWidth() * 125, metrics.height() * 30);
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size.expandedTo(dialog.minimumSizeHint()));

    const auto fit = [view, metrics] {
        QHeaderView* header = view->header();
        int others = 0;
        for (int column = 1; column < header->count(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            view->resizeColumnToContents(column);
            others += header->sectionSize(column);
        }
        header->resizeSection(
            0, std::max(metrics.averageCharWidth() * 16, view->viewport()->width() - others));
    };
    QObject::connect(model, &QFileSystemModel::directoryLoaded, view, fit, Qt::QueuedConnection);
}

} // namespace

QString QtFileDialogs::GetOpenFileName(const QString& title, const QString& folder,
                                       const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow(), title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    ShowColumns(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtFileDialogs::GetSaveFileName(const QString& title, const QString& start,
                                       const QString& filter) {
    // The program neither adds nor checks the extension; overwriting asks first.
    // start: a folder, or a file whose name is proposed in its folder.
    QFileDialog dialog(QApplication::activeWindow(), title, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    ShowColumns(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
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
    ShowColumns(dialog);
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
