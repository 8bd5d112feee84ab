#pragma once

#include <QPixmap>
#include <QWidget>

namespace quavel {

// The picture part of a media cell: the thumbnail fitted on a tinted rounded rectangle (or the photo or
// film placeholder), the play badge of a video, the selection tint with its check mark, the delivered
// badge, and the outline. Clicks on it are the cell's. The cell that holds it gives it the marks of the
// file it shows; the tile knows nothing else of the file. GUI thread only.
class OrderMediaTile : public QWidget
{
    Q_OBJECT

public:
    // What the tile draws over the picture.
    struct Marks
    {
        bool isVideo = false;
        bool isSelected = false;
        bool isDelivered = false;
    };

    OrderMediaTile(int radius, int outlineSelected, QWidget* parent);

    // Shows the marks at the next paint.
    void setMarks(const Marks& marks);

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
    Marks m_marks;
    int m_radius;
    int m_outlineSelected;
    QImage m_source;
    QPixmap m_picture;
};

} // namespace quavel
