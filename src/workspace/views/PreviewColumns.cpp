#include "workspace/views/PreviewColumns.h"

#include "ui/Theme.h"
#include "workspace/views/PreviewTableModel.h"

#include <QFontMetrics>

namespace quavel::PreviewColumns {

namespace {

int textSection(int width)
{
    return textInset + width + textInset + spacing;
}

// At least 220: as wide as a long range label in the cells' font, which is wider on some desktops.
int photosWidth()
{
    const QFontMetrics metrics(Fonts::font(Fonts::Style::body));
    return std::max(
        220, metrics.horizontalAdvance(QStringLiteral("88 fichiers · 8888 → fin du dossier")) + 2);
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
        return textSection(photosWidth());
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
