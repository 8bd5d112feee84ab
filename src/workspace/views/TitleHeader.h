#pragma once

#include <QHeaderView>

#include <functional>

namespace quavel {

// The header row of the workspace tables: the model's column titles in small semibold secondary text
// over a hairline, no chrome, not clickable, never compressed. Each table says where a column's title
// stands inside its section, so titles line up with the cells below.
class TitleHeader : public QHeaderView
{
public:
    using TextRect = std::function<QRect(int column, const QRect& section)>;

    TitleHeader(TextRect textRect, QWidget* parent);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    TextRect m_textRect;
};

} // namespace quavel
