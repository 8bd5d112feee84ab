#pragma once

#include <QRect>

// The geometry shared by the preview's header, its cells and their editors: a line has 8 points of
// padding at both ends and 6 between cells, and every text cell 4 on each side of its text.
namespace quavel::PreviewColumns {

constexpr int linePadding = 8;
constexpr int spacing = 6;
constexpr int textInset = 4;
constexpr int rowHeight = 30;
constexpr int statusWidth = 36;
constexpr int checkWidth = 28;

// The section width of a column; 0 for the two name columns, which share what is left equally.
int sectionWidth(int column);
// The part of a section that holds the cell's content (text, marks or check).
QRect contentRect(int column, const QRect& section);

} // namespace quavel::PreviewColumns
