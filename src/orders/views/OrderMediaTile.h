#pragma once

#include <QPixmap>
#include <QWidget>

namespace quavel {

class OrderMediaCell;

// The picture part of a media cell: the thumbnail fitted on a tinted rounded rectangle (or the photo or
// film placeholder), the play badge of a video, the selection tint with its check mark, the delivered
// badge, and the outline. Clicks on it are the cell's.
class OrderMediaTile : public QWidget
{
    Q_OBJECT

public:
    OrderMediaTile(OrderMediaCell& cell, int radius, int outlineSelected, QWidget* parent);

    // The thumbnail scaled once for the tile (drawing scales nothing while scrolling).
    void setPicture(const QImage& image);
    bool hasPicture() const { return !m_picture.isNull(); }
    // Where the delivered badge lies (its help text shows there).
    QRectF deliveredBadgeRect() const;

    static constexpr const char* deliveredHelp = "Transféré par AirDrop ou imprimé";

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    OrderMediaCell& m_cell;
    int m_radius;
    int m_outlineSelected;
    QImage m_source;
    QPixmap m_picture;
};

} // namespace quavel
