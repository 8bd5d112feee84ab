#pragma once

#include "photo/retouch/PhotoRetouchSettings.h"
#include "photo/views/RetouchPanelBackground.h"

namespace quavel {

class CapsuleButton;
class RetouchControls;
class RetouchPanelHeader;
class RetouchScrollArea;
class RetouchSettingsBinding;

// The crop editor's dark retouch panel, 348 points wide: the header with its reset, "Appliquer le
// préréglage", "Enregistrer le préréglage" and every retouch control, all in one scroll view. The sliders
// edit only the open photo's retouch (the binding); the preset changes only through the save button.
class CropRetouchPanel : public RetouchPanelBackground
{
    Q_OBJECT

public:
    static constexpr int kWidth = 348;

    explicit CropRetouchPanel(RetouchSettingsBinding* session, QWidget* parent = nullptr);

    // The orders screen's preset; the two preset buttons follow it and the session.
    void setPreset(const PhotoRetouchSettings& preset);
    const PhotoRetouchSettings& preset() const { return m_preset; }

    RetouchPanelHeader* header() const { return m_header; }
    CapsuleButton* applyPresetButton() const { return m_apply; }
    CapsuleButton* savePresetButton() const { return m_save; }
    RetouchControls* controls() const { return m_controls; }
    // The scroll view holding all of the above.
    RetouchScrollArea* scrollArea() const { return m_scroll; }

signals:
    // "Appliquer le préréglage": the preset should become the photo's retouch.
    void applyPresetRequested(const PhotoRetouchSettings& preset);
    // "Enregistrer le préréglage": the photo's retouch should become the preset.
    void savePresetRequested(const PhotoRetouchSettings& settings);

private:
    void refreshButtons();

    RetouchSettingsBinding* m_session;
    PhotoRetouchSettings m_preset;
    RetouchPanelHeader* m_header = nullptr;
    CapsuleButton* m_apply = nullptr;
    CapsuleButton* m_save = nullptr;
    RetouchControls* m_controls = nullptr;
    RetouchScrollArea* m_scroll = nullptr;
};

} // namespace quavel
