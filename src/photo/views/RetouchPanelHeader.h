#pragma once

#include <QWidget>

namespace quavel {

class CapsuleButton;
class RetouchSettingsBinding;

// "Retouche" over "Traitement pleine résolution", and the button "Réinitialiser" that puts every field
// of the bound value back to its default; the button is disabled while the value is neutral.
class RetouchPanelHeader : public QWidget
{
    Q_OBJECT

public:
    explicit RetouchPanelHeader(RetouchSettingsBinding* settings, QWidget* parent = nullptr);

    CapsuleButton* resetButton() const { return m_reset; }
    void reset();

signals:
    // After a reset has set the defaults (a caller that needs no notice leaves it unconnected).
    void settingsReset();

private:
    RetouchSettingsBinding* m_settings;
    CapsuleButton* m_reset = nullptr;
};

} // namespace quavel
