#include "photo/views/RetouchToneGroup.h"

#include "photo/views/RetouchGroupBox.h"
#include "photo/views/RetouchSliderRow.h"
#include "photo/views/RetouchToneHeader.h"
#include "ui/CapsuleKind.h"

#include <QVBoxLayout>

#include <QVariantAnimation>
#include <cmath>

namespace quavel {

namespace {

const RetouchSliderTraits kIntensity { QStringLiteral("Intensité"),
    QStringLiteral("Amplitude de la correction, en pourcentage"), { -100, 100, 0.1 }, 1, QStringLiteral("%"),
    std::nullopt };
const RetouchSliderTraits kTonalWidth { QStringLiteral("Gamme de tons"),
    QStringLiteral("Étendue de la correction : 0 % = tons extrêmes seulement, 100 % = jusqu’aux tons moyens"),
    { 0, 100, 0.5 }, 0, QStringLiteral("%"), std::nullopt };
const RetouchSliderTraits kRadius { QStringLiteral("Rayon"),
    QStringLiteral("Taille du voisinage local, comme Photoshop (30 px par défaut)"), { 0, 250, 0.1 }, 1,
    QStringLiteral("px"), std::nullopt };

} // namespace

// Shows the top part of its content, progress × its height: the box opens downwards while the rows
// keep their full size.
class RetouchToneReveal : public QWidget
{
public:
    explicit RetouchToneReveal(QWidget* parent)
        : QWidget(parent)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    void setContent(QWidget* content)
    {
        m_content = content;
        content->setParent(this);
    }

    void setProgress(qreal progress)
    {
        m_progress = progress;
        setVisible(progress > 0);
        updateGeometry();
    }

    QSize sizeHint() const override
    {
        const QSize full = m_content->sizeHint();
        return QSize(full.width(), int(std::round(full.height() * m_progress)));
    }
    QSize minimumSizeHint() const override
    {
        return QSize(m_content->minimumSizeHint().width(), sizeHint().height());
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        m_content->setGeometry(0, 0, width(), m_content->sizeHint().height());
    }

private:
    QWidget* m_content = nullptr;
    qreal m_progress = 0;
};

RetouchToneGroup::RetouchToneGroup(const QString& title, const QString& help, bool compact, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    m_header = new RetouchToneHeader(title, this);
    m_header->setToolTip(help);
    column->addWidget(m_header);

    m_box = new RetouchGroupBox(compact, this);
    m_amount = new RetouchSliderRow(kIntensity, compact, m_box);
    m_tonalWidth = new RetouchSliderRow(kTonalWidth, compact, m_box);
    m_radius = new RetouchSliderRow(kRadius, compact, m_box);
    for (RetouchSliderRow* row : { m_amount, m_tonalWidth, m_radius })
        m_box->addWidget(row);
    m_reveal = new RetouchToneReveal(this);
    m_reveal->setContent(m_box);
    m_reveal->setProgress(0);
    column->addWidget(m_reveal);

    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(kAnimationMs);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& v) { applyProgress(v.toReal()); });

    connect(m_header, &QAbstractButton::clicked, this, &RetouchToneGroup::toggle);
    connect(m_amount, &RetouchSliderRow::valueChanged, this, [this](double amount) {
        m_header->setAmount(amount);
        // Before the first showing the opening state is decided then, without animation.
        if (m_shown && amount != 0 && !m_expanded)
            setExpanded(true, true);
    });
}

bool RetouchToneGroup::isBoxShown() const
{
    return !m_reveal->isHidden();
}

bool RetouchToneGroup::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void RetouchToneGroup::toggle()
{
    setExpanded(!m_expanded, true);
}

void RetouchToneGroup::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (m_amount->value() != 0)
        setExpanded(true, false);
}

void RetouchToneGroup::setExpanded(bool expanded, bool animated)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    const qreal target = expanded ? 1 : 0;
    m_animation->stop();
    if (!animated || Capsule::reduceMotion() || !isVisible()) {
        applyProgress(target);
        return;
    }
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(target);
    m_animation->start();
}

void RetouchToneGroup::applyProgress(qreal progress)
{
    m_progress = progress;
    m_header->setTurn(progress);
    m_reveal->setProgress(progress);
}

} // namespace quavel
