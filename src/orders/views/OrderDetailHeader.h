#pragma once

#include <QWidget>

namespace quavel {

class CapsuleMenu;
class OrdersView;
class ToneLabel;

// The head of an order's detail: the order's name, the counts line (types, files, selected files), the
// watermark in use, and the "Vue" picker of the gallery layout.
class OrderDetailHeader : public QWidget
{
    Q_OBJECT

public:
    explicit OrderDetailHeader(OrdersView& view, QWidget* parent = nullptr);

    void setFolderName(const QString& name);
    void refresh();

    ToneLabel* nameLabel() const { return m_name; }
    ToneLabel* summaryLabel() const { return m_summary; }
    ToneLabel* watermarkLabel() const { return m_watermark; }
    CapsuleMenu* viewPicker() const { return m_picker; }

private:
    OrdersView& m_view;
    ToneLabel* m_name = nullptr;
    ToneLabel* m_summary = nullptr;
    ToneLabel* m_watermark = nullptr;
    CapsuleMenu* m_picker = nullptr;
};

} // namespace quavel
