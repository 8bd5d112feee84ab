#include "photo/views/PrintPreviewPane.h"

#include "photo/views/PrintSession.h"
#include "ui/print/Printer.h"

#include <QPainter>

#include <algorithm>

namespace quavel {

namespace {

constexpr int kPadding = 12;

} // namespace

PrintPreviewPane::PrintPreviewPane(PrintSession& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
{
    setMinimumSize(200, 240);
}

void PrintPreviewPane::setPage(int page)
{
    page = std::clamp(page, 1, m_session.view().pageCount());
    if (page == m_page && !m_rendered.isNull())
        return;
    m_page = page;
    m_rendered = QImage();
    update();
}

void PrintPreviewPane::sheetChanged()
{
    m_rendered = QImage();
    update();
}

QRectF PrintPreviewPane::sheetRect() const
{
    const QSizeF sheet = Printer::sheet(m_session.pageLayout(m_page));
    const QRectF room = QRectF(rect()).adjusted(kPadding, kPadding, -kPadding, -kPadding);
    if (sheet.isEmpty() || room.isEmpty())
        return QRectF();
    const double s = std::min(room.width() / sheet.width(), room.height() / sheet.height());
    const QSizeF size = sheet * s;
    return QRectF(room.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

void PrintPreviewPane::render()
{
    const QRectF target = sheetRect();
    if (target.isEmpty())
        return;
    const QSizeF sheet = Printer::sheet(m_session.pageLayout(m_page));
    const qreal ratio = devicePixelRatioF();
    QImage image((target.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    // Points on the sheet to the picture's pixels.
    const double scale = image.width() / sheet.width();
    p.scale(scale, scale);
    m_session.view().drawPage(p, m_page, m_session.printable(m_page), std::max(1, int(72 * scale)));
    p.end();
    image.setDevicePixelRatio(ratio);
    m_rendered = image;
}

void PrintPreviewPane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window).darker(115));
    if (m_rendered.isNull())
        render();
    const QRectF target = sheetRect();
    if (target.isEmpty())
        return;
    p.fillRect(target.translated(2, 2), QColor(0, 0, 0, 60));
    p.drawImage(target, m_rendered);
}

void PrintPreviewPane::resizeEvent(QResizeEvent*)
{
    m_rendered = QImage();
}

} // namespace quavel
