#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <array>

namespace quavel {

// The soft teal field behind the main window's content: a 3 × 3 mesh gradient under a thin material.
class Backdrop : public QWidget
{
    Q_OBJECT

public:
    explicit Backdrop(QWidget* parent = nullptr);

    struct Mesh
    {
        std::array<QPointF, 9> points; // unit square, row order, y downwards
        std::array<QColor, 9> colors;
    };
    static Mesh mesh(bool dark);
    // The opacity of the material layer over the gradient.
    static qreal materialOpacity(bool dark);
    // Of the backdrop's colours, material included, the one nearest to the scheme's text: the darkest
    // in the light scheme, the lightest in the dark one. What is drawn over the backdrop is read
    // against it at worst.
    static QColor leastContrasting(bool dark);
    // The gradient rendered at a given pixel size (smooth colour interpolation across the mesh).
    static QImage render(const Mesh& mesh, QSize size);
    // Paints the whole backdrop into `rect`.
    static void paint(QPainter& painter, const QRectF& rect, bool dark);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quavel
