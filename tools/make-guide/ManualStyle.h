#pragma once

#include <QImage>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTextCursor>

#include <vector>

class QTextDocument;

// One line of the table of contents and the heading it names.
struct ContentsEntry {
    QTextCursor line;
    QTextCursor heading;
};

// Sets the guide, read from its Markdown source, as a printed manual: a title page (the source's
// opening lines and titleLines), a page of contents, headings, tables, code and the pictures
// with their captions. Pictures are drawn at pictureScale times the screen's density. Returns the
// lines of the contents, whose page numbers are filled in once the pages are laid out.
std::vector<ContentsEntry> StyleManual(QTextDocument& doc, const QMap<QString, QImage>& pictures,
                                       double pictureScale, const QStringList& titleLines);
