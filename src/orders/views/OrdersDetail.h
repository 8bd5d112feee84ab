#pragma once

#include "orders/OrdersDetailHeights.h"

#include <QPointer>
#include <QWidget>

class QScrollArea;

namespace quavel {

class Divider;
class OrderDetailHeader;
class OrdersEmptyState;
class OrdersGallery;
class OrdersScreen;
class OrdersStore;
class ToneLabel;

// The right-hand column of the orders screen: an empty state without an orders root or without an
// order, else the order's header and gallery in a vertical scroll and, while the inline crop editor is
// open, the editor under it. The two share the column's height by a fixed rule (OrdersDetailHeights).
class OrdersDetail : public QWidget
{
    Q_OBJECT

public:
    OrdersDetail(OrdersStore& store, OrdersScreen& screen, QWidget* parent = nullptr);

    // Which of its three faces the column shows.
    enum class Face { noRoot, noOrder, order };
    Face face() const { return m_face; }

    OrdersEmptyState* emptyState() const { return m_empty; }
    QScrollArea* galleryScroll() const { return m_scroll; }
    OrderDetailHeader* header() const { return m_header; }
    OrdersGallery* gallery() const { return m_gallery; }
    // "Ce dossier ne contient pas de types…", shown for an order without sections.
    ToneLabel* emptyOrderText() const { return m_emptyOrder; }

    // The inline editor shown under the gallery while it is open (none: nothing is shown there).
    void setEditor(QWidget* editor);
    QWidget* editor() const { return m_editor; }
    void setEditorShown(bool shown);
    bool isEditorShown() const { return m_editorShown; }
    // The heights given now to the gallery and the editor.
    OrdersDetailHeights heights() const;
    // What the gallery's first row of thumbnails and the editor need now (measured on the laid-out
    // gallery); while the editor shows, the column's minimum height fits both, within the screen.
    OrdersDetailHeights::Room room() const;

    // Scrolls the gallery so that the file's cell is wholly in view, when the gallery holds it.
    void reveal(const QString& path);
    // The file the editor shows (empty: none). Each time the gallery gets shorter while the editor shows,
    // it is revealed once the column has its new heights: the row of the photo being edited stays in
    // sight above the editor.
    void setEditedFile(const QString& path) { m_editedFile = path; }

    // Shows what the store and the screen hold now.
    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeParts();
    void keepMinimumHeight(const OrdersDetailHeights::Room& room);

    // The room kept above and under a revealed cell (its shadow and focus ring take a few points).
    static constexpr int kRevealMargin = 8;

    OrdersStore& m_store;
    Face m_face = Face::noRoot;
    OrdersEmptyState* m_empty = nullptr;
    QWidget* m_page = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    bool m_placing = false;
    OrderDetailHeader* m_header = nullptr;
    ToneLabel* m_emptyOrder = nullptr;
    OrdersGallery* m_gallery = nullptr;
    Divider* m_divider = nullptr;
    QPointer<QWidget> m_editor;
    bool m_editorShown = false;
    QString m_editedFile;
};

} // namespace quavel
