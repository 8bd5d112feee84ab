#pragma once

#include <QTableView>

namespace quavel {

class RiderListModel;

// The rider list of the "Paniers" screen: a "Nom" / "Prénom" header over rows of two equal columns,
// a hairline under the header and under every row, lying on the window's background. Rows have one
// fixed height and are drawn only when visible, so the list scales to any programme.
class RiderTable : public QTableView
{
    Q_OBJECT

public:
    explicit RiderTable(QWidget* parent = nullptr);

    RiderListModel* riders() const { return m_model; }

    // Cell insets: 8 for the row plus 4 for the cell, towards the outer edges and the middle.
    static constexpr int rowInset = 8;
    static constexpr int cellInset = 4;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyMetrics();
    void applyScrollBarStyle();

    RiderListModel* m_model;
};

} // namespace quavel
