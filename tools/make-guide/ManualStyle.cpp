#include "ManualStyle.h"

#include "PageLayout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <functional>

namespace {

constexpr double Pt = 96.0 / 72.0; // layout units per typographic point
const QColor HeadingColor(18, 59, 134);
const QColor RuleColor(110, 110, 110);
const QColor ShadeColor(232, 237, 245);
const QColor CodeColor(244, 245, 247);
// Pictures of the windows at four fifths of their size on the screen: the dialogs' text stays
// as large as a footnote's, and a dialog leaves room on its page for the text about it.
constexpr double PictureSize = 0.8;
const QString SansFamily = QStringLiteral("DejaVu Sans");
const QString MonoFamily = QStringLiteral("DejaVu Sans Mono");

// Changes the character format of every piece of a block, and of the block itself.
void Restyle(const QTextBlock& block, const std::function<void(QTextCharFormat&)>& change) {
    std::vector<std::pair<QTextFragment, QTextCharFormat>> pieces;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        QTextCharFormat format = it.fragment().charFormat();
        change(format);
        pieces.emplace_back(it.fragment(), format);
    }
    QTextCursor cursor(block);
    for (const auto& [fragment, format] : pieces) {
        cursor.setPosition(fragment.position());
        cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
    QTextCharFormat own = block.charFormat();
    change(own);
    cursor.setBlockCharFormat(own);
}

std::function<void(QTextCharFormat&)> Font(double points, bool bold, const QColor& color = {}) {
    return [=](QTextCharFormat& format) {
        format.clearProperty(QTextFormat::FontSizeAdjustment);
        format.setFontPointSize(points);
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        if (color.isValid())
            format.setForeground(color);
    };
}

void SetBlockFormat(const QTextBlock& block, const std::function<void(QTextBlockFormat&)>& change) {
    QTextBlockFormat format = block.blockFormat();
    change(format);
    QTextCursor(block).setBlockFormat(format);
}

bool IsPicture(const QTextBlock& block) {
    return block.text() == QString(QChar::ObjectReplacementCharacter);
}

bool IsCode(const QTextBlock& block) {
    return block.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
}

bool InRootFrame(const QTextBlock& block) {
    return QTextCursor(block).currentFrame() == block.document()->rootFrame();
}

// Headings: space above, kept close to their text, in the program's heading blue.
void StyleHeadings(QTextDocument& doc) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 2) {
            SetBlockFormat(block, [](QTextBlockFormat& f) {
                f.setTopMargin(20 * Pt);
                f.setBottomMargin(6 * Pt);
            });
            Restyle(block, Font(16, true, HeadingColor));
        } else if (level >= 3) {
            SetBlockFormat(block, [](QTextBlockFormat& f) {
                f.setTopMargin(14 * Pt);
                f.setBottomMargin(4 * Pt);
            });
            Restyle(block, Font(12, true, HeadingColor));
        }
    }
}

// Running text a little more open than the font's own spacing; list items close together.
void StyleText(QTextDocument& doc) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 0 || IsCode(block) || IsPicture(block) ||
            !InRootFrame(block))
            continue;
        SetBlockFormat(block, [list = block.textList() != nullptr](QTextBlockFormat& f) {
            f.setLineHeight(115, QTextBlockFormat::ProportionalHeight);
            f.setTopMargin(list ? 2 * Pt : 4 * Pt);
            f.setBottomMargin(list ? 2 * Pt : 4 * Pt);
        });
    }
}

// Each run of code lines in a shaded box with a thin rule around it.
void StyleCode(QTextDocument& doc) {
    std::vector<std::pair<int, int>> runs; // first and last position of each run
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!IsCode(block))
            continue;
        Restyle(block, [](QTextCharFormat& f) {
            f.setFontFamilies({MonoFamily});
            f.setFontPointSize(9);
        });
        SetBlockFormat(block, [](QTextBlockFormat& f) {
            f.setTopMargin(0);
            f.setBottomMargin(0);
        });
        const int end = block.position() + block.length() - 1;
        if (!runs.empty() && block.previous().isValid() && IsCode(block.previous()))
            runs.back().second = end;
        else
            runs.emplace_back(block.position(), end);
    }
    QTextFrameFormat box;
    box.setBackground(CodeColor);
    box.setBorder(0.75 * Pt);
    box.setBorderBrush(QColor(200, 203, 208));
    box.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    box.setPadding(5 * Pt);
    box.setTopMargin(2 * Pt);
    box.setBottomMargin(2 * Pt);
    std::vector<QTextCursor> cursors;
    for (const auto& [first, last] : runs) {
        QTextCursor cursor(&doc);
        cursor.setPosition(first);
        cursor.setPosition(last, QTextCursor::KeepAnchor);
        cursors.push_back(cursor);
    }
    for (QTextCursor& cursor : cursors)
        cursor.insertFrame(box);
}

// Tables with single rules, the full text width, and a shaded header row in bold.
void StyleTables(QTextDocument& doc) {
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (table == nullptr)
            continue;
        QTextTableFormat format = table->format();
        format.setBorderCollapse(true);
        format.setBorder(0.75 * Pt);
        format.setBorderBrush(RuleColor);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setCellSpacing(0);
        format.setCellPadding(4 * Pt);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setHeaderRowCount(1);
        format.setTopMargin(4 * Pt);
        format.setBottomMargin(8 * Pt);
        table->setFormat(format);
        for (QTextBlock block = doc.findBlock(table->firstPosition());
             block.isValid() && block.position() <= table->lastPosition(); block = block.next())
            SetBlockFormat(block, [](QTextBlockFormat& f) {
                f.setTopMargin(0);
                f.setBottomMargin(0);
            });
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat shade = cell.format();
            shade.setBackground(ShadeColor);
            cell.setFormat(shade);
            for (QTextBlock block = doc.findBlock(cell.firstPosition());
                 block.isValid() && block.position() <= cell.lastPosition(); block = block.next())
                Restyle(block, [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
        }
    }
}

// Pictures centred, at PictureSize narrowed to the text width, each with a numbered
// caption under it taken from its description in the source.
void StylePictures(QTextDocument& doc, const QMap<QString, QImage>& pictures, double scale) {
    std::vector<QTextBlock> blocks;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        if (IsPicture(block))
            blocks.push_back(block);
    int number = 0;
    for (const QTextBlock& block : blocks) {
        const QTextFragment fragment = block.begin().fragment();
        QTextImageFormat format = fragment.charFormat().toImageFormat();
        const QImage image = pictures.value(format.name());
        if (image.isNull())
            continue;
        double width = image.width() / scale * PictureSize;
        double height = image.height() / scale * PictureSize;
        if (width > page::TextWidth) {
            height *= page::TextWidth / width;
            width = page::TextWidth;
        }
        format.setWidth(width);
        format.setHeight(height);
        QTextCursor cursor(block);
        cursor.setPosition(fragment.position());
        cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
        SetBlockFormat(block, [](QTextBlockFormat& f) {
            f.setAlignment(Qt::AlignHCenter);
            f.setTopMargin(8 * Pt);
            f.setBottomMargin(3 * Pt);
        });

        const QString caption = format.stringProperty(QTextFormat::ImageAltText);
        QTextBlockFormat captionBlock;
        captionBlock.setAlignment(Qt::AlignHCenter);
        captionBlock.setBottomMargin(10 * Pt);
        QTextCharFormat captionText;
        captionText.setFontPointSize(9);
        captionText.setFontItalic(true);
        captionText.setForeground(QColor(70, 70, 70));
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertBlock(captionBlock, captionText);
        cursor.insertText(QStringLiteral("Figure %1. %2").arg(++number).arg(caption));
    }
}

// The opening lines of the source, and titleLines after them, make the title page.
QTextBlock MakeTitlePage(QTextDocument& doc, const QStringList& titleLines) {
    // The layout drops the space above the first line of a page: the title is brought down by
    // an empty line of that height.
    QTextCursor top(&doc);
    QTextBlockFormat spacer;
    spacer.setLineHeight(60 * page::Mm, QTextBlockFormat::FixedHeight);
    top.insertBlock();
    top.movePosition(QTextCursor::Start);
    top.setBlockFormat(spacer);
    QTextBlock last = doc.begin();
    for (QTextBlock block = doc.begin().next();
         block.isValid() && block.blockFormat().headingLevel() != 2; block = block.next()) {
        const bool title = block.blockFormat().headingLevel() == 1;
        SetBlockFormat(block, [title](QTextBlockFormat& f) {
            f.setAlignment(Qt::AlignLeft);
            f.setTopMargin(6 * Pt);
            f.setBottomMargin(title ? 18 * Pt : 6 * Pt);
        });
        Restyle(block, title ? Font(28, true, HeadingColor) : Font(13, false));
        last = block;
    }
    QTextCursor cursor(last);
    cursor.movePosition(QTextCursor::EndOfBlock);
    QTextBlockFormat lineFormat;
    lineFormat.setTopMargin(4 * Pt);
    QTextCharFormat lineText;
    lineText.setFontPointSize(11);
    bool first = true;
    for (const QString& line : titleLines) {
        lineFormat.setTopMargin(first ? 30 * Pt : 4 * Pt);
        first = false;
        cursor.insertBlock(lineFormat, lineText);
        cursor.insertText(line);
    }
    last = cursor.block();
    SetBlockFormat(last, [](QTextBlockFormat& f) {
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysAfter);
    });
    return last;
}

// The contents after the title page: every chapter and section with its page number at the
// right margin.
std::vector<ContentsEntry> MakeContents(const QTextBlock& titlePageEnd) {
    std::vector<QTextBlock> headings;
    for (QTextBlock block = titlePageEnd.next(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 2 || level == 3)
            headings.push_back(block);
    }
    QTextCursor cursor(titlePageEnd);
    cursor.movePosition(QTextCursor::EndOfBlock);
    QTextBlockFormat titleFormat;
    titleFormat.setBottomMargin(12 * Pt);
    QTextCharFormat titleText;
    titleText.setFontPointSize(16);
    titleText.setFontWeight(QFont::Bold);
    titleText.setForeground(HeadingColor);
    cursor.insertBlock(titleFormat, titleText);
    cursor.insertText(QStringLiteral("Contents"));

    std::vector<ContentsEntry> entries;
    for (const QTextBlock& heading : headings) {
        const bool chapter = heading.blockFormat().headingLevel() == 2;
        const double indent = chapter ? 0 : 16 * Pt;
        QTextBlockFormat format;
        format.setLeftMargin(indent);
        format.setTopMargin(chapter ? 7 * Pt : 1 * Pt);
        format.setTabPositions(
            {QTextOption::Tab(page::TextWidth - indent - 1, QTextOption::RightTab)});
        QTextCharFormat text;
        text.setFontPointSize(chapter ? 10.5 : 10);
        text.setFontWeight(chapter ? QFont::Bold : QFont::Normal);
        cursor.insertBlock(format, text);
        cursor.insertText(heading.text() + QStringLiteral("\t0"));
        entries.push_back({QTextCursor(cursor.block()), QTextCursor(heading)});
    }
    SetBlockFormat(cursor.block(), [](QTextBlockFormat& f) {
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysAfter);
    });
    return entries;
}

} // namespace

std::vector<ContentsEntry> StyleManual(QTextDocument& doc, const QMap<QString, QImage>& pictures,
                                       double pictureScale, const QStringList& titleLines) {
    QFont font(SansFamily);
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    StyleHeadings(doc);
    StyleText(doc);
    StyleCode(doc);
    StyleTables(doc);
    StylePictures(doc, pictures, pictureScale);
    return MakeContents(MakeTitlePage(doc, titleLines));
}
