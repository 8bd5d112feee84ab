#include "orders/views/WatermarkChoiceRow.h"

#include "photo/MediaThumbnailer.h"
#include "ui/CapsuleButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace quavel {

namespace {

// The choice: the check mark, the thumbnail and the name, the whole rectangle taking clicks.
class ChoiceButton : public QAbstractButton
{
public:
    explicit ChoiceButton(WatermarkChoiceRow& row)
        : QAbstractButton(&row)
        , m_row(row)
    {
        setObjectName(QStringLiteral("watermarkChoice"));
        setCursor(Qt::ArrowCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return QSize(160, 28); }
    QSize minimumSizeHint() const override { return QSize(60, 28); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const bool dark = Theme::isDark(this);
        const qreal cy = height() / 2.0;
        // Medium image scale: a 16-point mark.
        const QRectF mark(0, cy - 8, 16, 16);
        if (m_row.isSelected())
            Symbols::paint(p, mark, QStringLiteral("checkmark.circle.fill"), Theme::accent(dark));
        else
            Symbols::paint(p, mark, QStringLiteral("circle"), Theme::secondary(dark));
        const QRectF thumb(mark.right() + 8, cy - 14, 28, 28);
        QPainterPath clip;
        clip.addRoundedRect(thumb, 6, 6);
        p.fillPath(clip, Theme::withOpacity(Theme::tertiary(dark), 0.5));
        if (!m_row.image().isNull()) {
            p.save();
            p.setClipPath(clip);
            // Scaled to fill the square.
            const QSizeF size
                = QSizeF(m_row.image().size()).scaled(thumb.size(), Qt::KeepAspectRatioByExpanding);
            p.drawImage(
                QRectF(thumb.center() - QPointF(size.width() / 2, size.height() / 2), size), m_row.image());
            p.restore();
        } else {
            Symbols::paint(p, thumb.adjusted(6, 6, -6, -6), QStringLiteral("photo"), Theme::secondary(dark));
        }
        const QRectF text(thumb.right() + 8, 0, width() - thumb.right() - 8, height());
        p.setFont(Fonts::font(Fonts::Style::callout));
        p.setPen(Theme::primary(dark));
        const std::optional<QString>& problem = m_row.problem();
        // A file that cannot be read: its name above, the red line under it.
        const QRectF nameRect = problem ? QRectF(text.x(), 0, text.width(), height() / 2.0 + 1) : text;
        p.drawText(nameRect, Qt::AlignLeft | (problem ? Qt::AlignBottom : Qt::AlignVCenter),
            QFontMetrics(p.font()).elidedText(m_row.name(), Qt::ElideRight, int(text.width())));
        if (problem) {
            p.setFont(Fonts::font(Fonts::Style::caption));
            p.setPen(Theme::red(dark));
            p.drawText(QRectF(text.x(), height() / 2.0 + 1, text.width(), height() / 2.0 - 1),
                Qt::AlignLeft | Qt::AlignTop,
                QFontMetrics(p.font()).elidedText(*problem, Qt::ElideRight, int(text.width())));
        }
    }

private:
    WatermarkChoiceRow& m_row;
};

} // namespace

WatermarkChoiceRow::WatermarkChoiceRow(const QString& name, const std::optional<QString>& url,
    bool isSelected, std::function<void()> onSelect, std::function<void()> onRemove, QWidget* parent)
    : QWidget(parent)
    , m_name(name)
    , m_selected(isSelected)
{
    setObjectName(QStringLiteral("watermarkRow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 5, 8, 5);
    row->setSpacing(6);
    m_choice = new ChoiceButton(*this);
    m_choice->setToolTip(
        isSelected ? QStringLiteral("Filigrane actif") : QStringLiteral("Utiliser ce filigrane"));
    connect(m_choice, &QAbstractButton::clicked, this, [onSelect = std::move(onSelect)] {
        if (onSelect)
            onSelect();
    });
    row->addWidget(m_choice, 1);
    auto* removeHolder = new QWidget(this);
    Capsule::setControlSize(removeHolder, ControlSize::mini);
    auto* holderLayout = new QHBoxLayout(removeHolder);
    holderLayout->setContentsMargins(0, 0, 0, 0);
    m_remove = new CapsuleButton(QString(), QStringLiteral("minus"), CapsuleKind::icon, removeHolder);
    m_remove->setObjectName(QStringLiteral("removeWatermark"));
    m_remove->setToolTip(QStringLiteral("Retirer ce filigrane de la liste"));
    holderLayout->addWidget(m_remove);
    connect(m_remove, &QAbstractButton::clicked, this, [onRemove = std::move(onRemove)] {
        if (onRemove)
            onRemove();
    });
    row->addWidget(removeHolder);
    connect(&m_watcher, &QFutureWatcher<QImage>::finished, this, [this] {
        // Only the path still shown takes its thumbnail.
        if (m_watcher.property("key").toString() != m_loadingKey || m_watcher.future().isCanceled())
            return;
        m_image = m_watcher.future().resultCount() > 0 ? m_watcher.result() : QImage();
        m_choice->update();
    });
    setUrl(url);
}

WatermarkChoiceRow::~WatermarkChoiceRow()
{
    m_watcher.disconnect(this);
    m_watcher.future().cancel();
}

void WatermarkChoiceRow::setUrl(const std::optional<QString>& url)
{
    if (url == m_url && (!url || !m_loadingKey.isEmpty()))
        return;
    m_url = url;
    loadThumbnail();
}

void WatermarkChoiceRow::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    m_choice->setToolTip(
        selected ? QStringLiteral("Filigrane actif") : QStringLiteral("Utiliser ce filigrane"));
    update();
    m_choice->update();
}

void WatermarkChoiceRow::setProblem(const std::optional<QString>& problem)
{
    if (problem == m_problem)
        return;
    const bool cleared = m_problem && !problem;
    m_problem = problem;
    m_choice->update();
    // The file reads again: its thumbnail too.
    if (cleared) {
        m_loadingKey.clear();
        loadThumbnail();
    }
}

void WatermarkChoiceRow::loadThumbnail()
{
    m_watcher.future().cancel();
    if (!m_url) {
        m_loadingKey.clear();
        m_image = QImage();
        m_choice->update();
        return;
    }
    m_loadingKey = *m_url;
    QFuture<QImage> future = MediaThumbnailer::thumbnail(*m_url, false, thumbnailPixels);
    if (future.isFinished()) {
        m_image = future.resultCount() > 0 ? future.result() : QImage();
        m_choice->update();
        return;
    }
    m_watcher.setProperty("key", m_loadingKey);
    m_watcher.setFuture(future);
}

void WatermarkChoiceRow::paintEvent(QPaintEvent*)
{
    if (!m_selected)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    p.fillPath(shape, Theme::withOpacity(Theme::accent(Theme::isDark(this)), 0.16));
}

} // namespace quavel
