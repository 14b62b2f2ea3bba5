#include "PageLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// A piece of the document that pages are cut around: a paragraph, a heading or a picture, or a
// code box or table as a whole.
struct Piece {
    QTextBlock first;
    QTextFrame* frame = nullptr; // a box or table: never cut
    bool picture = false;        // never cut
    bool keepWithNext = false;   // a heading, a lead-in ending with a colon, a picture
    std::vector<int> linePages;  // the page of every line, from 0
    std::vector<bool> textLines; // which lines hold text rather than a picture
};

int PageAt(double y) {
    return static_cast<int>(std::floor(y / page::Height));
}

void AddLines(QTextDocument& doc, const QTextBlock& block, Piece& piece) {
    const QRectF rect = doc.documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    const bool text = block.text() != QString(QChar::ObjectReplacementCharacter);
    for (int i = 0; i < layout->lineCount(); ++i) {
        piece.linePages.push_back(PageAt(rect.top() + layout->lineAt(i).y()));
        piece.textLines.push_back(text && !block.text().trimmed().isEmpty());
    }
}

// The pieces of the document after the contents, in order.
std::vector<Piece> Pieces(QTextDocument& doc) {
    std::vector<Piece> pieces;
    bool body = false;
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        Piece piece;
        if (QTextFrame* frame = it.currentFrame()) {
            piece.frame = frame;
            piece.first = doc.findBlock(frame->firstPosition());
            for (QTextBlock block = piece.first;
                 block.isValid() && block.position() <= frame->lastPosition(); block = block.next())
                AddLines(doc, block, piece);
        } else {
            const QTextBlock block = it.currentBlock();
            const int heading = block.blockFormat().headingLevel();
            body = body || heading == 2;
            piece.first = block;
            piece.picture = block.text() == QString(QChar::ObjectReplacementCharacter);
            piece.keepWithNext =
                heading >= 2 || piece.picture || block.text().trimmed().endsWith(u':');
            AddLines(doc, block, piece);
        }
        if (body && !piece.linePages.empty())
            pieces.push_back(piece);
    }
    return pieces;
}

bool BreaksBefore(const Piece& piece) {
    const auto policy = piece.frame != nullptr ? piece.frame->frameFormat().pageBreakPolicy()
                                               : piece.first.blockFormat().pageBreakPolicy();
    return (policy & QTextFormat::PageBreak_AlwaysBefore) != 0;
}

// Starts a new page with the piece at index, and with the pieces before it that keep with it.
// False when that cannot help: the first of them already begins a page.
bool BreakBefore(std::vector<Piece>& pieces, std::size_t index) {
    while (index > 0 && pieces[index - 1].keepWithNext)
        --index;
    Piece& piece = pieces[index];
    // The first piece after the contents, or one that follows a page break, begins a page.
    if (index == 0 || BreaksBefore(piece) ||
        pieces[index - 1].linePages.back() < piece.linePages.front())
        return false;
    if (piece.frame != nullptr) {
        QTextFrameFormat format = piece.frame->frameFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        piece.frame->setFrameFormat(format);
    } else {
        QTextBlockFormat format = piece.first.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(piece.first).setBlockFormat(format);
    }
    return true;
}

// Finds the first piece that is badly cut or left alone at the foot of a page, and moves it, with
// what keeps with it, to the next page. False when there is nothing left to mend.
bool MendCut(std::vector<Piece>& pieces) {
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        const std::vector<int>& pages = piece.linePages;
        bool fault = false;
        if (pages.front() != pages.back()) {
            const auto before = std::count(pages.begin(), pages.end(), pages.front());
            const auto after = static_cast<std::ptrdiff_t>(pages.size()) - before;
            fault = piece.frame != nullptr || piece.picture || before < 2 || after < 2;
        }
        if (!fault && piece.keepWithNext && i + 1 < pieces.size()) {
            const std::vector<int>& next = pieces[i + 1].linePages;
            const std::size_t needed =
                pieces[i + 1].frame != nullptr ? 1 : std::min<std::size_t>(2, next.size());
            fault = next[needed - 1] != pages.back();
        }
        if (fault && BreakBefore(pieces, i))
            return true;
    }
    return false;
}

// The lines of text on each page.
std::map<int, int> TextLinesPerPage(const std::vector<Piece>& pieces) {
    std::map<int, int> lines;
    for (const Piece& piece : pieces)
        for (std::size_t i = 0; i < piece.linePages.size(); ++i)
            lines[piece.linePages[i]] += piece.textLines[i] ? 1 : 0;
    return lines;
}

// Moves lines from the page before onto a last page that holds too few.
bool FillLastPage(std::vector<Piece>& pieces) {
    const std::map<int, int> lines = TextLinesPerPage(pieces);
    if (lines.empty())
        return false;
    const auto [last, count] = *lines.rbegin();
    if (count >= page::MinLines)
        return false;
    int wanted = page::MinLines - count;
    for (std::size_t i = pieces.size(); i-- > 0;) {
        const Piece& piece = pieces[i];
        for (std::size_t line = piece.linePages.size(); line-- > 0;) {
            if (piece.linePages[line] != last - 1 || !piece.textLines[line])
                continue;
            if (--wanted == 0)
                return BreakBefore(pieces, i);
        }
    }
    return false;
}

// The page a block starts on, counting from 1.
int PageOf(QTextDocument& doc, const QTextBlock& block) {
    const QRectF rect = doc.documentLayout()->blockBoundingRect(block);
    const double top =
        block.layout()->lineCount() > 0 ? rect.top() + block.layout()->lineAt(0).y() : rect.top();
    return PageAt(top) + 1;
}

} // namespace

void SetUpPages(QTextDocument& doc) {
    doc.setUseDesignMetrics(true);
    doc.setPageSize(QSizeF(page::Width, page::Height));
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setMargin(0);
    root.setLeftMargin(page::SideMargin);
    root.setRightMargin(page::SideMargin);
    root.setTopMargin(page::TopMargin);
    root.setBottomMargin(page::BottomMargin);
    doc.rootFrame()->setFrameFormat(root);
}

bool ArrangePages(QTextDocument& doc) {
    // Every mend adds a page break before a piece that had none, so this ends.
    for (;;) {
        std::vector<Piece> pieces = Pieces(doc);
        if (MendCut(pieces) || FillLastPage(pieces))
            continue;
        for (const auto& [index, count] : TextLinesPerPage(pieces))
            if (count < page::MinLines)
                return false;
        return true;
    }
}

void NumberContents(QTextDocument& doc, const std::vector<ContentsEntry>& contents) {
    for (const ContentsEntry& entry : contents) {
        const QTextBlock line = entry.line.block();
        const int tab = line.text().lastIndexOf(u'\t');
        QTextCursor cursor(line);
        cursor.setPosition(line.position() + tab + 1);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(QString::number(PageOf(doc, entry.heading.block())));
    }
}

bool PrintPages(QTextDocument& doc, const QString& path, const QString& title) {
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Orvane Systems"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setResolution(300);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const double scale = writer.width() / page::Width;
    QFont footer(QStringLiteral("DejaVu Sans"));
    footer.setPixelSize(12); // 9 points in the layout's units
    const int pages = doc.pageCount();
    for (int index = 0; index < pages; ++index) {
        if (index > 0)
            writer.newPage();
        painter.save();
        painter.scale(scale, scale);
        if (index > 0) {
            painter.setFont(footer);
            painter.setPen(QColor(90, 90, 90));
            const QRectF foot(page::SideMargin, page::Height - page::BottomMargin + 8 * page::Mm,
                              page::TextWidth, 6 * page::Mm);
            painter.drawText(foot, Qt::AlignHCenter | Qt::AlignTop, QString::number(index + 1));
        }
        painter.translate(0, -index * page::Height);
        const QRectF view(0, index * page::Height, page::Width, page::Height);
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}
