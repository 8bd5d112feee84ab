#include "workspace/views/LegendBox.h"

#include <QBoxLayout>

#include <algorithm>

namespace quavel {

namespace {
constexpr int kSpacing = 8;
} // namespace

LegendBox::LegendBox(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QBoxLayout(QBoxLayout::LeftToRight, this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(kSpacing);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LegendBox::addEntry(QWidget* entry)
{
    m_layout->addWidget(entry, 0, Qt::AlignLeft | Qt::AlignVCenter);
}

void LegendBox::setStacked(bool stacked)
{
    if (stacked == m_stacked)
        return;
    m_stacked = stacked;
    m_layout->setDirection(stacked ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_layout->setSpacing(stacked ? 0 : kSpacing);
    updateGeometry();
}

int LegendBox::flatWidth() const
{
    int width = 0;
    for (int i = 0; i < m_layout->count(); ++i)
        width += m_layout->itemAt(i)->sizeHint().width() + (i > 0 ? kSpacing : 0);
    return width;
}

int LegendBox::stackedWidth() const
{
    int width = 0;
    for (int i = 0; i < m_layout->count(); ++i)
        width = std::max(width, m_layout->itemAt(i)->sizeHint().width());
    return width;
}

} // namespace quavel
