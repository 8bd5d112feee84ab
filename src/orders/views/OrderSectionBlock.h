#pragma once

#include "orders/OrderSection.h"
#include "orders/views/OrderCellLayer.h"

#include <QWidget>

class QScrollArea;

namespace quavel {

class OrderBatchRow;
class OrdersScreen;
class OrdersStore;
class ToneLabel;

// One section of the sections layout: its header (batch controls over the section's files, its name,
// its count) above a horizontal strip of its cards, with the number-jump marks between them, or the
// text "Aucune photo ni vidéo" when it holds no file. Its cells take their state and their actions from
// the two functions the owner of the blocks gives, the same for every block of a gallery.
class OrderSectionBlock : public QWidget
{
    Q_OBJECT

public:
    OrderSectionBlock(OrdersStore& store, OrdersScreen& screen, OrderCellLayer::StateFor stateFor,
        OrderCellLayer::Prepare prepare, const OrderSection& section, QWidget* parent = nullptr);

    const OrderSection& section() const { return m_section; }
    void setSection(const OrderSection& section);
    OrderBatchRow* header() const { return m_header; }
    QScrollArea* strip() const { return m_strip; }
    OrderCellLayer* layer() const { return m_layer; }
    ToneLabel* emptyText() const { return m_empty; }

private:
    OrderSection m_section;
    OrderBatchRow* m_header = nullptr;
    QScrollArea* m_strip = nullptr;
    OrderCellLayer* m_layer = nullptr;
    ToneLabel* m_empty = nullptr;
};

} // namespace quavel
