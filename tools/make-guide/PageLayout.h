#pragma once

#include "ManualStyle.h"

#include <QString>

#include <vector>

class QTextDocument;

// A4 in the layout's units (96 per inch) and the margins of the text on it.
namespace page {
constexpr double Mm = 96.0 / 25.4;
constexpr double Width = 210 * Mm;
constexpr double Height = 297 * Mm;
constexpr double SideMargin = 20 * Mm;
constexpr double TopMargin = 20 * Mm;
constexpr double BottomMargin = 22 * Mm;
constexpr double TextWidth = Width - 2 * SideMargin;
// Every page but the title page holds at least this many lines of text.
constexpr int MinLines = 5;
} // namespace page

// Cuts the document into A4 pages.
void SetUpPages(QTextDocument& doc);

// Moves page breaks until no heading or lead-in ends a page, no picture, table or code box is cut,
// no paragraph leaves a single line behind or ahead, and no page after the title page holds
// fewer than page::MinLines lines. Returns false when some page could not be mended.
bool ArrangePages(QTextDocument& doc);

// Writes the page numbers of the headings into the contents.
void NumberContents(QTextDocument& doc, const std::vector<ContentsEntry>& contents);

// Prints the pages to a PDF file, numbered at the foot except the title page.
bool PrintPages(QTextDocument& doc, const QString& path, const QString& title);
