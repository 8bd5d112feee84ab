#include "photo/AirDropShare.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <utility>

namespace quavel {

AirDropShare::AirDropShare(ServiceLookup lookup)
    : m_lookup(std::move(lookup))
{ }

AirDropShare& AirDropShare::shared()
{
    static AirDropShare instance;
    return instance;
}

void AirDropShare::send(const QStringList& files, Completion completion)
{
    if (files.isEmpty())
        return;
    std::shared_ptr<ShareService> service = m_lookup ? m_lookup() : nullptr;
    if (!service)
        return;
    m_pendingFiles = files;
    m_onDidShare = std::move(completion);
    m_service = std::move(service);
    m_service->setDelegate(this);
    m_service->perform(files);
}

void AirDropShare::didShare(ShareService&, const QStringList&)
{
    // The files given to send() are reported, not the service's items. The state is cleared before the
    // call, so a completion that starts another send keeps it.
    const QStringList sent = std::exchange(m_pendingFiles, {});
    const Completion completion = std::exchange(m_onDidShare, nullptr);
    if (completion)
        completion(sent);
}

void AirDropShare::didFailToShare(ShareService&, const QStringList&, const QString&)
{
    m_pendingFiles.clear();
    m_onDidShare = nullptr;
}

QImage AirDropShare::makeIcon(const QImage& serviceImage)
{
    if (!serviceImage.isNull())
        return serviceImage;

    // A blue disc with the theme's send symbol in white, drawn at twice the 28-point size.
    constexpr int side = 56;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, side);
    fill.setColorAt(0, QColor(0x3d, 0xa5, 0xff));
    fill.setColorAt(1, QColor(0x0a, 0x6c, 0xe0));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QRectF(0, 0, side, side));

    QIcon symbol = QIcon::fromTheme(QStringLiteral("document-send"));
    if (symbol.isNull())
        symbol = QIcon::fromTheme(QStringLiteral("network-wireless"));
    if (!symbol.isNull()) {
        const int glyph = side * 3 / 5;
        QImage white
            = symbol.pixmap(glyph, glyph).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter tint(&white);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(white.rect(), Qt::white);
        tint.end();
        p.drawImage(QRectF((side - glyph) / 2.0, (side - glyph) / 2.0, glyph, glyph), white);
    }
    p.end();
    image.setDevicePixelRatio(2.0);
    return image;
}

QImage AirDropShare::icon()
{
    static const QImage made = [] {
        const std::shared_ptr<ShareService> service = ShareService::nearbyDevice();
        return makeIcon(service ? service->image() : QImage());
    }();
    return made;
}

} // namespace quavel
