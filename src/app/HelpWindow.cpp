#include "app/HelpWindow.h"

#include <QFile>
#include <QScreen>
#include <QUrl>

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent) {
    setWindowTitle(QStringLiteral("Tapline Brisk Help"));
    setOpenLinks(true);
    resize(560, 480);
}

void HelpWindow::ShowTopic(int context) {
    QString page = QStringLiteral("qrc:/help/%1.html").arg(context);
    if (!QFile::exists(page.mid(3)))
        page = QStringLiteral("qrc:/help/108.html"), context = 108;
    topic_ = context;
    setSource(QUrl(page));
    if (!isVisible()) {
        // No larger than the free part of the screen, so that all of it can be reached.
        if (const QScreen* s = screen())
            resize(size().boundedTo(s->availableGeometry().size() * 9 / 10));
    }
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}
