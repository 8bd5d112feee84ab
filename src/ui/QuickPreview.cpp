#include "ui/QuickPreview.h"

#include "platform/files/NativeName.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

QuickPreview::QuickPreview(Loader loader, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_loader(std::move(loader))
{
    setObjectName(QStringLiteral("quickPreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(900, 680);
    connect(&m_watcher, &QFutureWatcher<QImage>::finished, this, [this] {
        // A result of a file shown earlier is dropped: the watcher carries the newest request only,
        // and its generation tells an earlier one that finished late.
        if (m_watcher.property("generation").toULongLong() != m_generation)
            return;
        m_image = m_watcher.future().resultCount() > 0 ? m_watcher.result() : QImage();
        update();
    });
}

QuickPreview::~QuickPreview()
{
    m_watcher.disconnect(this);
    m_watcher.cancel();
    m_watcher.waitForFinished();
}

void QuickPreview::showFile(const QString& path, bool isVideo)
{
    setWindowTitle(NativeName::displayed(QFileInfo(path).fileName()));
    if (path != m_path || isVideo != m_isVideo || m_image.isNull()) {
        m_path = path;
        m_isVideo = isVideo;
        m_image = QImage();
        ++m_generation;
        m_watcher.setProperty("generation", QVariant::fromValue<qulonglong>(m_generation));
        Loader loader = m_loader;
        m_watcher.setFuture(QtConcurrent::run(
            [loader, path, isVideo] { return loader ? loader(path, isVideo, maxPixel) : QImage(); }));
    }
    if (!isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            resize(std::min(width(), area.width() * 9 / 10), std::min(height(), area.height() * 9 / 10));
            move(area.center() - rect().center());
        }
    }
    show();
    raise();
    activateWindow();
    update();
}

QRectF QuickPreview::fittedRect(QSizeF picture, QRectF area)
{
    if (picture.isEmpty() || area.isEmpty())
        return {};
    const qreal scale = std::min({ area.width() / picture.width(), area.height() / picture.height(), 2.0 });
    const QSizeF shown = picture * scale;
    return QRectF(area.center() - QPointF(shown.width() / 2, shown.height() / 2), shown);
}

void QuickPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), QColor(24, 24, 26));
    const QRectF area = QRectF(rect()).adjusted(12, 12, -12, -12);
    if (m_image.isNull()) {
        p.setPen(QColor(255, 255, 255, 150));
        p.setFont(Fonts::font(Fonts::Style::body));
        p.drawText(
            area, Qt::AlignCenter | Qt::TextWordWrap, NativeName::displayed(QFileInfo(m_path).fileName()));
        return;
    }
    const QSizeF logical = QSizeF(m_image.size()) / m_image.devicePixelRatio();
    p.drawImage(fittedRect(logical, area), m_image);
    if (m_isVideo) {
        const QRectF badge(area.center() - QPointF(32, 32), QSizeF(64, 64));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawEllipse(badge.adjusted(4, 4, -4, -4));
        Symbols::paint(p, badge, QStringLiteral("play.circle.fill"), Qt::white);
    }
}

void QuickPreview::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Space) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QuickPreview::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace quavel
