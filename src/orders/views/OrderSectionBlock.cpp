#include "orders/views/OrderSectionBlock.h"

#include "orders/OrderGalleryItem.h"
#include "orders/OrdersScreenText.h"
#include "orders/views/OrderBatchRow.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <utility>

namespace quavel {

OrderSectionBlock::OrderSectionBlock(OrdersStore& store, OrdersScreen& screen,
    OrderCellLayer::StateFor stateFor, OrderCellLayer::Prepare prepare, const OrderSection& section,
    QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("sectionBlock"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    m_header = new OrderBatchRow(store, screen, OrderBatchRow::Scope::section, this);
    stack->addWidget(m_header);

    m_strip = new QScrollArea(this);
    m_strip->setObjectName(QStringLiteral("sectionStrip"));
    m_strip->setFrameShape(QFrame::NoFrame);
    m_strip->setWidgetResizable(false);
    m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setAutoFillBackground(false);
    m_strip->viewport()->setAutoFillBackground(false);
    m_layer = new OrderCellLayer(OrderCellLayer::Flow::strip, std::move(stateFor), std::move(prepare));
    m_layer->setAutoFillBackground(false);
    m_strip->setWidget(m_layer);
    m_strip->setFixedHeight(m_layer->heightForWidth(0) + m_strip->horizontalScrollBar()->sizeHint().height());
    stack->addWidget(m_strip);

    m_empty = new ToneLabel(
        OrdersScreenText::noMedia(), Tone::secondary, Fonts::font(Fonts::Style::callout), this);
    m_empty->setObjectName(QStringLiteral("sectionEmpty"));
    m_empty->setContentsMargins(0, 24, 0, 24);
    stack->addWidget(m_empty);
    setSection(section);
}

void OrderSectionBlock::setSection(const OrderSection& section)
{
    const bool sameFiles
        = section.files == m_section.files && section.id() == m_section.id() && m_layer->items().size() > 0;
    m_section = section;
    m_header->setFiles(section.files, section.name);
    const bool empty = section.files.isEmpty();
    m_strip->setVisible(!empty);
    m_empty->setVisible(empty);
    if (!sameFiles)
        m_layer->setItems(OrderGalleryItems::items(section));
}

} // namespace quavel
