#pragma once

#include <QWidget>

namespace quavel {

class CapsuleMenu;
class OrdersScreen;
class OrdersStore;
class ToneLabel;

// The head of an order's detail: the order's name, the counts line (types, files, selected files), the
// watermark in use, and the "Vue" picker of the gallery layout.
class OrderDetailHeader : public QWidget
{
    Q_OBJECT

public:
    OrderDetailHeader(OrdersStore& store, OrdersScreen& screen, QWidget* parent = nullptr);

    void setFolderName(const QString& name);
    void refresh();

    ToneLabel* nameLabel() const { return m_name; }
    ToneLabel* summaryLabel() const { return m_summary; }
    ToneLabel* watermarkLabel() const { return m_watermark; }
    CapsuleMenu* viewPicker() const { return m_picker; }

private:
    OrdersStore& m_store;
    OrdersScreen& m_screen;
    ToneLabel* m_name = nullptr;
    ToneLabel* m_summary = nullptr;
    ToneLabel* m_watermark = nullptr;
    CapsuleMenu* m_picker = nullptr;
};

} // namespace quavel
