#pragma once

#include "orders/OrderMedia.h"
#include "orders/OrderSelection.h"
#include "orders/OrdersGalleryLayout.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <optional>

namespace quavel {

class CapsuleButton;
class FusedCapsule;
class OrderMediaTile;
class PrintPhotosMenu;

// One photo or video of an order in the gallery: a card (a large tile and the name under it) or a row
// (a small tile, the name and the kind, the actions at the end). The tile shows the thumbnail (loaded
// by the cell itself on the thumbnail worker), the play badge of a video, the selection tint and check
// mark, and the delivered badge; photos carry the capsule of per-file actions.
//
// Cells are recycled by the gallery: bind() gives a cell the file it shows now. The thumbnail is keyed
// by the file's path and revision; a result that arrives for a key the cell no longer shows is dropped,
// and while the same file's newer thumbnail loads the older picture stays. GUI thread only.
class OrderMediaCell : public QWidget
{
    Q_OBJECT

public:
    // What the cell shows; everything but the picture comes from the screen and the store.
    struct State
    {
        OrderMedia item;
        bool isSelected = false;
        bool isDelivered = false;
        bool canUndo = false;
        bool canRetouch = false;
        int refreshToken = 0; // the store's revision of the file
        bool operator==(const State&) const = default;
    };

    static constexpr int thumbnailPixels = 480;
    // The card: a 240 × 168 tile over two lines of its name.
    static constexpr int cardWidth = 240;
    static constexpr int cardTileHeight = 168;
    static int cardHeight();
    // The row: a 120 × 84 tile padded 6 above and below.
    static constexpr int rowHeight = 96;

    explicit OrderMediaCell(OrderMediaCellKind kind, QWidget* parent = nullptr);
    ~OrderMediaCell() override;

    OrderMediaCellKind kind() const { return m_kind; }
    const State& state() const { return m_state; }
    // Shows the state at once, the thumbnail too when the cache holds it; otherwise the decode starts
    // with requestThumbnail(), which the gallery holds back while the cells fly by.
    void bind(const State& state);
    void requestThumbnail();
    // The cell leaves the screen: its pending thumbnail is given up.
    void unbind();
    bool isBound() const { return m_bound; }

    // "<path>-<revision>": what the shown (or loading) thumbnail belongs to.
    const QString& thumbnailKey() const { return m_key; }
    // The key of the picture on screen; empty while the placeholder shows.
    const QString& shownKey() const { return m_shownKey; }
    const QImage& image() const { return m_image; }
    // The thumbnail of the shown key is wanted or loading, and its result has not been taken yet.
    bool isLoadingThumbnail() const { return m_pending; }

    // The capsule's controls (none for a video); the undo button only with a backup.
    CapsuleButton* cropButton() const { return m_crop; }
    CapsuleButton* retouchButton() const { return m_retouch; }
    CapsuleButton* watermarkButton() const { return m_watermark; }
    CapsuleButton* printButton() const { return m_print; }
    CapsuleButton* undoButton() const { return m_undo; }
    PrintPhotosMenu* printMenu() const { return m_printMenu; }
    FusedCapsule* actionCapsule() const { return m_capsule; }
    OrderMediaTile* tile() const { return m_tile; }
    QString shownName() const;

    // The middle of a name cut to fit `lines` lines of `width` (the card's caption), whole when it fits.
    static QString elidedName(const QString& name, const QFont& font, int width, int lines);

signals:
    void selectRequested(ClickModifiers modifiers);
    void doubleClicked();
    void cropRequested();
    void retouchRequested();
    void watermarkRequested();
    void undoRequested();
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool card() const;
    bool takesClickAt(const QPoint& pos) const;
    QRect nameRect() const;
    QRect rowNameRect() const;
    void buildCapsule();
    void refreshCapsule();
    void placeCapsule();
    void refreshTexts();
    void loadThumbnail();
    void takeThumbnail(const QString& key, const QImage& image);

    OrderMediaCellKind m_kind;
    State m_state;
    bool m_bound = false;
    QString m_key;
    QString m_shownKey;
    QImage m_image;
    QFutureWatcher<QImage> m_watcher;
    bool m_pending = false;
    bool m_requested = false;
    QString m_nameText;

    OrderMediaTile* m_tile = nullptr;
    FusedCapsule* m_capsule = nullptr;
    CapsuleButton* m_crop = nullptr;
    CapsuleButton* m_retouch = nullptr;
    CapsuleButton* m_watermark = nullptr;
    CapsuleButton* m_print = nullptr;
    CapsuleButton* m_undo = nullptr;
    QWidget* m_undoDivider = nullptr;
    std::optional<bool> m_capsuleUndo;
    PrintPhotosMenu* m_printMenu = nullptr;
};

} // namespace quavel
