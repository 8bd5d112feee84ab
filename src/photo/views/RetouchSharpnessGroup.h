#pragma once

#include <QWidget>

namespace quavel {

class RetouchCheckboxRow;
class RetouchGroupBox;
class RetouchSettingsBinding;
class RetouchSliderRow;

// The sharpening section: the check box "Netteté optimisée" and, only while it is ticked, a box with the
// amount, radius and noise-reduction sliders and the lens-blur check box. Unticking hides the box and
// keeps its values.
class RetouchSharpnessGroup : public QWidget
{
    Q_OBJECT

public:
    RetouchSharpnessGroup(RetouchSettingsBinding* settings, bool compact, QWidget* parent = nullptr);

    RetouchCheckboxRow* switchRow() const { return m_switch; }
    RetouchGroupBox* box() const { return m_box; }
    RetouchSliderRow* amountRow() const { return m_amount; }
    RetouchSliderRow* radiusRow() const { return m_radius; }
    RetouchSliderRow* noiseReductionRow() const { return m_noiseReduction; }
    RetouchCheckboxRow* lensBlurRow() const { return m_lensBlur; }

private:
    RetouchCheckboxRow* m_switch = nullptr;
    RetouchGroupBox* m_box = nullptr;
    RetouchSliderRow* m_amount = nullptr;
    RetouchSliderRow* m_radius = nullptr;
    RetouchSliderRow* m_noiseReduction = nullptr;
    RetouchCheckboxRow* m_lensBlur = nullptr;
};

} // namespace quavel
