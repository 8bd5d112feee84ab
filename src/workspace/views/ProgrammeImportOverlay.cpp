#include "workspace/views/ProgrammeImportOverlay.h"

#include "ui/ActivitySpinner.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

namespace quavel {

namespace {
constexpr int kNarrowestText = 160;
constexpr int kWidestText = 420;
} // namespace

ProgrammeImportOverlay::ProgrammeImportOverlay(QWidget* parent)
    : QWidget(parent)
    , m_panel(new QWidget(this))
    , m_status(new ToneLabel(QString(), Tone::primary, Fonts::font(Fonts::Style::callout), m_panel))
{
    setObjectName(QStringLiteral("importOverlay"));
    setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(m_panel);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);
    auto* spinner = new ActivitySpinner(m_panel);
    Capsule::setControlSize(spinner, ControlSize::regular);
    column->addWidget(spinner, 0, Qt::AlignHCenter);
    m_status->setObjectName(QStringLiteral("overlayStatus"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setWordWrap(true);
    column->addWidget(m_status, 0, Qt::AlignHCenter);
    hide();
}

void ProgrammeImportOverlay::setStatus(const QString& text)
{
    m_status->setText(text);
    if (isVisible())
        place();
}

QString ProgrammeImportOverlay::status() const
{
    return m_status->text();
}

void ProgrammeImportOverlay::place()
{
    setGeometry(parentWidget()->rect());
    // One line while the status fits the panel's widest, wrapped beyond.
    const int natural = m_status->fontMetrics().horizontalAdvance(m_status->text()) + 2;
    m_status->setFixedWidth(std::clamp(natural, kNarrowestText, kWidestText));
    m_panel->adjustSize();
    m_panel->move((width() - m_panel->width()) / 2, (height() - m_panel->height()) / 2);
    update();
}

void ProgrammeImportOverlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.18f));
    const bool dark = Theme::isDark(this);
    // The regular material: the window colour, nearly opaque.
    QColor material = palette().color(QPalette::Window);
    material.setAlphaF(0.94f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(m_panel->geometry()), 14, 14);
    p.fillPath(shape, material);
    p.setPen(QPen(Theme::withOpacity(Theme::primary(dark), 0.08), 1));
    p.drawPath(shape);
}

void ProgrammeImportOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        event->ignore();
}

bool ProgrammeImportOverlay::focusNextPrevChild(bool)
{
    // Tab stays here: the controls under the veil are out of reach.
    return true;
}

} // namespace quavel
