#include "photo/views/RetouchSliderRow.h"

#include "photo/retouch/RetouchNumbers.h"
#include "photo/views/FineLineSlider.h"
#include "photo/views/RetouchLabel.h"
#include "photo/views/RetouchLook.h"
#include "photo/views/RetouchValueField.h"
#include "photo/views/RetouchValueWell.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quavel {

RetouchSliderRow::RetouchSliderRow(const RetouchSliderTraits& traits, bool compact, QWidget* parent)
    : QWidget(parent)
    , m_traits(traits)
    , m_compact(compact)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(compact ? 4 : 6);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(8);
    m_title
        = new RetouchLabel(traits.title, RetouchLook::font(12, QFont::Medium), RetouchLook::label(), this);
    m_title->setTextPixels(compact ? 11.5 : 12);
    top->addWidget(m_title, 1);

    m_well = new RetouchValueWell(this);
    auto* well = new QHBoxLayout(m_well);
    well->setContentsMargins(7, 4, 7, 4);
    well->setSpacing(3);
    m_field = new RetouchValueField(m_well);
    well->addWidget(m_field, 0, Qt::AlignVCenter);
    if (!traits.unit.isEmpty()) {
        auto* unit = new RetouchLabel(
            traits.unit, RetouchLook::font(9, QFont::DemiBold), RetouchLook::muted(), m_well);
        unit->setFixedWidth(18);
        unit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        well->addWidget(unit, 0, Qt::AlignVCenter);
    }
    m_well->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    top->addWidget(m_well, 0, Qt::AlignVCenter);
    column->addLayout(top);

    m_slider = new FineLineSlider(traits.range, traits.origin, 12, this);
    m_slider->setToolTip(traits.help);
    column->addWidget(m_slider);

    showValue();

    connect(m_slider, &FineLineSlider::valueEdited, this, [this](double v) { write(v, true); });
    connect(m_field, &RetouchValueField::commitRequested, this, &RetouchSliderRow::commitTyped);
    connect(m_field, &RetouchValueField::focusChanged, this, [this](bool focused) {
        m_fieldFocused = focused;
        m_well->setHighlighted(focused);
    });
}

void RetouchSliderRow::setValue(double value)
{
    write(value, false);
}

QString RetouchSliderRow::typed() const
{
    return m_field->text();
}

void RetouchSliderRow::write(double value, bool edited)
{
    if (value == m_value)
        return;
    m_value = value;
    m_slider->setValue(value);
    // While the user types, the text is theirs.
    if (!m_fieldFocused)
        showValue();
    emit valueChanged(value);
    if (edited)
        emit valueEdited(value);
}

void RetouchSliderRow::showValue()
{
    m_field->setText(RetouchNumbers::displayForm(m_value, m_traits.decimals));
}

void RetouchSliderRow::commitTyped()
{
    if (const std::optional<double> v = RetouchNumbers::commitTyped(m_field->text(), m_traits.range))
        write(*v, true);
    // The value as it stands after the owner took it, also when the text was refused.
    showValue();
}

} // namespace quavel
