// Builds the user's guide: the Markdown source set as a printed manual in a PDF, with pictures
// of the program's windows drawn from its own widgets at build time, so that they always show
// the program as it is built.
//   make-guide SOURCE.md OUTPUT.pdf [SCREENSHOT.png]
// SCREENSHOT.png, when given, receives the main window's picture, for software centres.
// A picture is named in the source as ![caption](NAME.png), NAME one of those of Pictures.cpp.
#include "ManualStyle.h"
#include "PageLayout.h"
#include "Pictures.h"

#include "dialogs/AboutDlg.h"

#include <QApplication>
#include <QFile>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: make-guide SOURCE.md OUTPUT.pdf [SCREENSHOT.png]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Pictures at twice the screen's density, so that they stay sharp on paper.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    const double scale = 2.0;

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-guide: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument doc;
    doc.setMarkdown(QString::fromUtf8(source.readAll()), QTextDocument::MarkdownDialectGitHub);
    const QMap<QString, QImage> pictures = WindowPictures();
    if (argc == 4 && !pictures.value(QStringLiteral("main-window.png"))
                          .save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "make-guide: cannot write %s\n", argv[3]);
        return 1;
    }
    for (auto it = pictures.begin(); it != pictures.end(); ++it)
        doc.addResource(QTextDocument::ImageResource, QUrl(it.key()), it.value());
    // The title page names the version as the About box does.
    const std::vector<ContentsEntry> contents =
        StyleManual(doc, pictures, scale, {CAboutDlg::VersionLine(), CAboutDlg::ReleaseLine()});
    SetUpPages(doc);
    if (!ArrangePages(doc))
        std::fprintf(stderr, "make-guide: a page holds fewer than %d lines\n", page::MinLines);
    NumberContents(doc, contents);

    if (!PrintPages(doc, QString::fromLocal8Bit(argv[2]),
                    QStringLiteral("Tapline Brisk User's Guide"))) {
        std::fprintf(stderr, "make-guide: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
