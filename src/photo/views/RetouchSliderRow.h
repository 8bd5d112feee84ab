#pragma once

#include "photo/retouch/RetouchSliderTraits.h"

#include <QWidget>

namespace quavel {

class FineLineSlider;
class RetouchLabel;
class RetouchValueField;
class RetouchValueWell;

// One numeric retouch parameter: its title and a small value field with the unit, above a fine-line
// slider. The field shows the value while it is not focused; typed text is committed on Return and when
// the field loses the focus, rounded to the step and clamped to the range; a text that is not a number
// changes nothing, and after every commit the field shows the value again.
class RetouchSliderRow : public QWidget
{
    Q_OBJECT

public:
    RetouchSliderRow(const RetouchSliderTraits& traits, bool compact, QWidget* parent = nullptr);

    const RetouchSliderTraits& traits() const { return m_traits; }
    bool isCompact() const { return m_compact; }

    double value() const { return m_value; }
    // The owner's value (a reset, another photo): emits valueChanged when it differs, never valueEdited.
    void setValue(double value);

    // The field's text as it stands.
    QString typed() const;
    bool isFieldFocused() const { return m_fieldFocused; }
    void commitTyped();

    RetouchValueField* field() const { return m_field; }
    FineLineSlider* slider() const { return m_slider; }
    RetouchLabel* titleLabel() const { return m_title; }

signals:
    // Every change of the value, whoever made it.
    void valueChanged(double value);
    // A change the user made, with the slider or the field; the owner stores it.
    void valueEdited(double value);

private:
    void write(double value, bool edited);
    void showValue();

    RetouchSliderTraits m_traits;
    bool m_compact;
    double m_value = 0;
    bool m_fieldFocused = false;
    RetouchLabel* m_title = nullptr;
    RetouchValueWell* m_well = nullptr;
    RetouchValueField* m_field = nullptr;
    FineLineSlider* m_slider = nullptr;
};

} // namespace quavel
