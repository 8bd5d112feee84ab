#pragma once

#include <QList>
#include <QWidget>

class QScrollArea;
class QVBoxLayout;

namespace quavel {

class LinkedValue;
class OrdersScreen;
class OrdersStore;
class PickButton;
class WatermarkChoiceRow;

// The watermark block of the folder column: the chooser ("Choisir", then "Ajouter") with the name of the
// watermark in use, and the list of watermark images (at most 168 points high, then it scrolls), each a
// row that chooses or removes it. A change of choice reaches the open crop editor at once. Each time the
// list is shown and each time its window is activated, the store looks again whether the watermarks'
// files can be read: a row's red line follows.
class OrdersWatermarkPicker : public QWidget
{
    Q_OBJECT

public:
    OrdersWatermarkPicker(OrdersStore& store, OrdersScreen& screen, QWidget* parent = nullptr);

    PickButton* addButton() const { return m_add; }
    LinkedValue* value() const { return m_value; }
    QScrollArea* list() const { return m_list; }
    const QList<WatermarkChoiceRow*>& rows() const { return m_rows; }

    static constexpr int listMaximumHeight = 168;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A watermark image chosen in the image panel, added to the list.
    void pickWatermark();
    void rebuild();
    void refreshChoice();
    void refreshUrls();
    void refreshRemoval();
    void refreshProblems();

    OrdersStore& m_store;
    OrdersScreen& m_screen;
    PickButton* m_add = nullptr;
    LinkedValue* m_value = nullptr;
    QScrollArea* m_list = nullptr;
    QWidget* m_listContent = nullptr;
    QVBoxLayout* m_rowsLayout = nullptr;
    QList<WatermarkChoiceRow*> m_rows;
};

} // namespace quavel
