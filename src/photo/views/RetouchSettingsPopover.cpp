#include "photo/views/RetouchSettingsPopover.h"

#include "photo/views/RetouchControls.h"
#include "photo/views/RetouchPanelHeader.h"
#include "photo/views/RetouchScrollArea.h"
#include "photo/views/RetouchSettingsBinding.h"

#include <QEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace quavel {

namespace {
constexpr int kPadding = 16;
constexpr int kGap = 14;
// Between the anchor's edge and the panel.
constexpr int kAnchorGap = 6;
} // namespace

RetouchSettingsPopover::RetouchSettingsPopover(RetouchSettingsBinding* settings, QWidget* parent)
    : RetouchPanelBackground(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kGap);
    m_header = new RetouchPanelHeader(settings, this);
    column->addWidget(m_header);

    auto* content = new QWidget;
    auto* padded = new QVBoxLayout(content);
    padded->setContentsMargins(0, 0, 2, 0);
    m_controls = new RetouchControls(settings, true, 11, content);
    padded->addWidget(m_controls);
    padded->addStretch(1);
    m_scroll = new RetouchScrollArea(content, this);
    column->addWidget(m_scroll, 1);
    setFixedWidth(kWidth);
    setMaximumHeight(kMaximumHeight);
    m_scroll->setMaximumHintHeight(kMaximumHeight - 2 * kPadding - kGap - m_header->sizeHint().height());

    connect(m_header, &RetouchPanelHeader::settingsReset, this, &RetouchSettingsPopover::changed);
    connect(settings, &RetouchSettingsBinding::valueChanged, this, &RetouchSettingsPopover::changed);
}

QSize RetouchSettingsPopover::sizeHint() const
{
    const int h = 2 * kPadding + kGap + m_header->sizeHint().height() + m_scroll->sizeHint().height();
    return QSize(kWidth, std::min(h, kMaximumHeight));
}

void RetouchSettingsPopover::popup(QWidget* anchor)
{
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    adjustSize();
    resize(sizeHint());
    const QRect a(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    const bool rightToLeft = anchor->layoutDirection() == Qt::RightToLeft;
    QPoint origin(rightToLeft ? a.left() - kAnchorGap - width() : a.right() + 1 + kAnchorGap,
        a.center().y() - height() / 2);
    if (QScreen* screen = anchor->screen()) {
        const QRect room = screen->availableGeometry();
        origin.setX(std::clamp(origin.x(), room.left(), std::max(room.left(), room.right() + 1 - width())));
        origin.setY(std::clamp(origin.y(), room.top(), std::max(room.top(), room.bottom() + 1 - height())));
    }
    move(origin);
    show();
}

bool RetouchSettingsPopover::event(QEvent* event)
{
    // A floating panel follows its content's height (a tone group opening) up to the cap.
    if (event->type() == QEvent::LayoutRequest && isWindow()) {
        const bool result = RetouchPanelBackground::event(event);
        resize(sizeHint());
        return result;
    }
    return RetouchPanelBackground::event(event);
}

void RetouchSettingsPopover::hideEvent(QHideEvent* event)
{
    RetouchPanelBackground::hideEvent(event);
    if (isWindow())
        emit closed();
}

} // namespace quavel
