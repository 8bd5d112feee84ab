#include "workspace/views/PreviewColumns.h"

#include "workspace/views/PreviewTableModel.h"

namespace quavel::PreviewColumns {

namespace {

int textSection(int width)
{
    return textInset + width + textInset + spacing;
}

} // namespace

int sectionWidth(int column)
{
    switch (column) {
    case PreviewTableModel::status:
        return linePadding + statusWidth + spacing;
    case PreviewTableModel::photo:
        return textSection(108);
    case PreviewTableModel::assigned:
        return textSection(118);
    case PreviewTableModel::photos:
        return textSection(220);
    case PreviewTableModel::check:
        return checkWidth + linePadding;
    default:
        return 0;
    }
}

QRect contentRect(int column, const QRect& section)
{
    switch (column) {
    case PreviewTableModel::status:
        return QRect(section.left() + linePadding, section.top(), statusWidth, section.height());
    case PreviewTableModel::check:
        return QRect(section.left(), section.top(), checkWidth, section.height());
    default:
        return section.adjusted(textInset, 0, -(textInset + spacing), 0);
    }
}

} // namespace quavel::PreviewColumns
