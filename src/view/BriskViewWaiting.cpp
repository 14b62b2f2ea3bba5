// Readings that wait for a target file another program holds (or a full disk): the count in the
// window, a retry every second, a notice naming the program that holds the file, and the
// operator's choice when the setup changes while readings wait.
#include "gui/FileDialogs.h"
#include "gui/TemplateForm.h"
#include "platform/FileHolders.h"
#include "platform/MessageBoxService.h"
#include "platform/NoticeService.h"
#include "resources/ControlIds.h"
#include "view/BriskView.h"
#include "view/ViewFrame.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace {

constexpr int RetryMs = 1000;

QString Readings(int n) {
    return n == 1 ? QStringLiteral("1 reading") : QStringLiteral("%1 readings").arg(n);
}

QString FileNameOf(const std::string& path) {
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName();
}

} // namespace

void CBriskView::ShowWaitingLines() {
    const std::string path = Setup ? TargetFile.TargetPath() : std::string();
    const int here = path.empty() ? 0 : TargetFile.Waiting(path);
    const int total = TargetFile.WaitingTotal();
    if (total > 0 && !FileRetry.isActive() && !Destroyed)
        FileRetry.start(RetryMs);
    if (here != WaitingShown) {
        WaitingShown = here;
        if (QWidget* field = Form->Control(ctl::FileName))
            field->setToolTip(here == 0 ? QString()
                                        : Readings(here) +
                                              QStringLiteral(" waiting: the file cannot be "
                                                             "written now. They are written, in "
                                                             "order, as soon as it can be."));
    }
    MainFrame->ShowWaiting(total == 0 ? QString() : Readings(total) + QStringLiteral(" waiting"));
    if (total > 0) {
        if (!WaitingSince.isValid())
            WaitingSince.start();
        return;
    }
    FileRetry.stop();
    WaitingSince.invalidate();
    if (WaitingNoticeShown) {
        Notices.Withdraw(NoticeKind::WaitingLines);
        WaitingNoticeShown = false;
        WaitingNoticeText.clear();
    }
}

void CBriskView::RetryWaitingLines() {
    if (TargetFile.RetryWaiting() > 0 && TargetFileChosen())
        ShowFileCounters();
    ShowWaitingLines();
    if (TargetFile.WaitingTotal() == 0 || !WaitingSince.isValid() ||
        WaitingSince.elapsed() < WaitingNoticeAfterMs)
        return;
    const QString text = WaitingNotice();
    if (text != WaitingNoticeText)
        Notices.Post(NoticeKind::WaitingLines, u"Readings waiting", text.toStdU16String());
    WaitingNoticeShown = true;
    WaitingNoticeText = text;
}

QString CBriskView::WaitingNotice() const {
    QStringList lines;
    for (const std::string& path : TargetFile.WaitingTargets()) {
        const int n = TargetFile.Waiting(path);
        QStringList holders;
        for (const std::string& name : ProgramsHolding(path))
            holders << QString::fromStdString(name);
        if (holders.isEmpty())
            lines << QStringLiteral("%1 cannot be written now: %2 waiting")
                         .arg(FileNameOf(path), Readings(n));
        else
            lines << QStringLiteral("%1 is open in %2: %3 waiting")
                         .arg(FileNameOf(path), holders.join(QStringLiteral(", ")), Readings(n));
    }
    if (TargetFile.SpoolError() != 0)
        lines << QStringLiteral("They cannot be kept on the disk either (%1): keep Tapline Brisk "
                                "running until they are written.")
                     .arg(QString::fromLocal8Bit(std::strerror(TargetFile.SpoolError())));
    return lines.join(u'\n');
}

void CBriskView::DeliverLeftLines() {
    const int left = TargetFile.LoadSpools();
    if (left == 0)
        return;
    TargetFile.RetryWaiting();
    if (TargetFile.WaitingTotal() == 0) {
        Notices.Post(NoticeKind::WaitingLines, u"Readings delivered",
                     (Readings(left) + QStringLiteral(" that the last run could not write went "
                                                      "into their target file."))
                         .toStdU16String());
    } else {
        WaitingNoticeText = WaitingNotice();
        Notices.Post(NoticeKind::WaitingLines, u"Readings waiting",
                     (Readings(left) +
                      QStringLiteral(" from the last run wait for their target "
                                     "file.\n") +
                      WaitingNoticeText)
                         .toStdU16String());
        WaitingNoticeShown = true;
    }
    ShowWaitingLines();
}

void CBriskView::AskAboutWaitingLines() {
    const std::string path = Setup ? TargetFile.TargetPath() : std::string();
    const int n = path.empty() ? 0 : TargetFile.Waiting(path);
    if (n == 0)
        return;
    const QString file = QFile::decodeName(QByteArray::fromStdString(path));
    const MsgAnswer answer = Messages.Show(
        (Readings(n) +
         QStringLiteral(" wait for the target file, which cannot be written "
                        "now:     \n\n") +
         file +
         QStringLiteral("     \n\nYes: they keep waiting and go into that file as soon as it can "
                        "be written, also after Tapline Brisk is started again.\nNo: they are "
                        "saved to another file now.     "))
            .toStdU16String(),
        MsgStyle{MsgButtons::YesNo, MsgIcon::Question, 0});
    if (answer != MsgAnswer::No)
        return;
    const QString other = Dialogs.GetOpenOrCreateFileName(QStringLiteral("Save Waiting Readings"),
                                                          QFileInfo(file).path(), TargetFileFilter,
                                                          QStringLiteral("csv"));
    if (other.isEmpty())
        return; // they keep waiting
    if (!TargetFile.MoveWaiting(path, QFile::encodeName(other).toStdString()))
        Messages.Show(
            (QStringLiteral("Unable to write the waiting readings to the file:     \n\n") + other +
             QStringLiteral("     \n\nThey keep waiting for the target file.     "))
                .toStdU16String());
    ShowWaitingLines();
}
