#pragma once

#include <QList>
#include <QWidget>

#include <optional>

namespace quavel {

class RetouchCheckboxRow;
class RetouchHairline;
class RetouchSettingsBinding;
class RetouchSharpnessGroup;
class RetouchSliderRow;
class RetouchToneGroup;

// Every retouch control in one column, in this order: sharpening, "Contraste", "Contraste auto",
// "Luminosité", "Vibrance", "Saturation", "Gamma", "Exposition", a hairline, "Tons foncés" and
// "Tons clairs". Each edits its field of the bound value at once.
class RetouchControls : public QWidget
{
    Q_OBJECT

public:
    // Without a spacing: 10 between the controls when compact, 12 otherwise.
    RetouchControls(RetouchSettingsBinding* settings, bool compact, std::optional<int> spacing = std::nullopt,
        QWidget* parent = nullptr);

    int spacing() const;
    // The eleven controls, top to bottom.
    QList<QWidget*> controls() const;

    RetouchSharpnessGroup* sharpness() const { return m_sharpness; }
    RetouchSliderRow* contrast() const { return m_contrast; }
    RetouchCheckboxRow* autoContrast() const { return m_autoContrast; }
    RetouchSliderRow* brightness() const { return m_brightness; }
    RetouchSliderRow* vibrance() const { return m_vibrance; }
    RetouchSliderRow* saturation() const { return m_saturation; }
    RetouchSliderRow* gamma() const { return m_gamma; }
    RetouchSliderRow* exposure() const { return m_exposure; }
    RetouchHairline* hairline() const { return m_hairline; }
    RetouchToneGroup* shadows() const { return m_shadows; }
    RetouchToneGroup* highlights() const { return m_highlights; }

private:
    RetouchSharpnessGroup* m_sharpness = nullptr;
    RetouchSliderRow* m_contrast = nullptr;
    RetouchCheckboxRow* m_autoContrast = nullptr;
    RetouchSliderRow* m_brightness = nullptr;
    RetouchSliderRow* m_vibrance = nullptr;
    RetouchSliderRow* m_saturation = nullptr;
    RetouchSliderRow* m_gamma = nullptr;
    RetouchSliderRow* m_exposure = nullptr;
    RetouchHairline* m_hairline = nullptr;
    RetouchToneGroup* m_shadows = nullptr;
    RetouchToneGroup* m_highlights = nullptr;
};

} // namespace quavel
