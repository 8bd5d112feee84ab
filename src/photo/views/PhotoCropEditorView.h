#pragma once

#include "photo/retouch/PhotoRetouchSettings.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QShortcut;
class QStackedLayout;

namespace quavel {

class ActivitySpinner;
class CapsuleButton;
class CropCanvas;
class CropEditorModel;
class CropEditorToolbar;
class CropRetouchPanel;
class RetouchSettingsBinding;

// The inline crop editor of the orders screen: a toolbar with the photo's name,
// the format and watermark choices, "Annuler", "Fermer" and "Valider"; under it
// the crop canvas, which takes all the height left, and on its right the dark
// retouch panel of the photo, which scrolls as a whole; the model's error in red
// below. It keeps no state of its own: everything lives in the model, and the
// orders screen decides what the preset is and what happens after a write or on
// closing through the callbacks.
//
// Keys: Return validates the crop (also while "Valider" is disabled) except in
// a value field, where it commits that field; Ctrl+Z undoes; Escape closes.
// They are the window's while the focus is in the editor or on no text field;
// a text field elsewhere in the window keeps them.
// While shown, the editor holds the window move lock, so that drags on the
// canvas move the crop and not the window; leaving the screen releases it and
// has the current look written.
class PhotoCropEditorView : public QWidget
{
    Q_OBJECT

public:
    struct Callbacks
    {
        // Stores the given settings as the new preset ("Enregistrer le
        // préréglage").
        std::function<void(const PhotoRetouchSettings& settings)> onSavePreset;
        // A photo file was written, with its path: after "Valider" and "Annuler",
        // and after every write the model reports (debounced retouch writes, the
        // write of a photo being left or closed). Called also after the editor is
        // gone, so it must not rely on the editor.
        std::function<void(const QString& photo)> onSaved;
        // "Fermer" or Escape, before the model is closed.
        std::function<void()> onClose;
    };

    PhotoCropEditorView(CropEditorModel* model, const PhotoRetouchSettings& preset, Callbacks callbacks,
        QWidget* parent = nullptr);
    ~PhotoCropEditorView() override;

    void setPreset(const PhotoRetouchSettings& preset);
    const PhotoRetouchSettings& preset() const { return m_preset; }

    // Validates the crop at full resolution; onSaved follows when the file was
    // written.
    void confirmCrop();
    void undo();
    void closeEditor();

    CropEditorModel* model() const;
    CropEditorToolbar* toolbar() const { return m_toolbar; }
    CropCanvas* canvas() const { return m_canvas; }
    CapsuleButton* validateButton() const { return m_validate; }
    CropRetouchPanel* retouchPanel() const { return m_panel; }
    QLabel* errorLabel() const { return m_error; }
    ActivitySpinner* spinner() const { return m_spinner; }
    bool showsCanvas() const;
    bool holdsMoveLock() const { return m_holdsLock; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildShortcuts();
    // Whether the editor's keys are its own with the focus where it is now.
    bool keysApply() const;
    void refreshKeys();
    void connectModel();
    void refresh();
    void refreshPicture();
    void takeLock();
    void releaseLock();

    QPointer<CropEditorModel> m_model;
    PhotoRetouchSettings m_preset;
    Callbacks m_callbacks;
    RetouchSettingsBinding* m_session = nullptr;
    CropEditorToolbar* m_toolbar = nullptr;
    CapsuleButton* m_validate = nullptr;
    QStackedLayout* m_stage = nullptr;
    CropCanvas* m_canvas = nullptr;
    QWidget* m_canvasHolder = nullptr;
    ActivitySpinner* m_spinner = nullptr;
    QWidget* m_spinnerHolder = nullptr;
    CropRetouchPanel* m_panel = nullptr;
    QLabel* m_error = nullptr;
    bool m_holdsLock = false;
    QList<QShortcut*> m_keys;
};

} // namespace quavel
