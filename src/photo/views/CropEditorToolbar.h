#pragma once

#include "photo/print/PrintFormat.h"

#include <QWidget>

class QLabel;

namespace quavel {

class CapsuleButton;

// The crop editor's toolbar: the photo's name, the format choice A5 / A4, the watermark switch, "Annuler",
// "Fermer" and "Valider". It shows what it is told and reports clicks; the editor decides what they do.
// "Valider" sits here rather than in a bar of its own over the picture, so that the picture takes all of
// the editor's height under the toolbar.
class CropEditorToolbar : public QWidget
{
    Q_OBJECT

public:
    explicit CropEditorToolbar(QWidget* parent = nullptr);

    // The photo's file name, "Recadrage" without one.
    void setPhoto(const QString& path);
    void setFormat(PrintFormat format);
    // "Oui" or "Non" as the state says; usable only once a watermark file is chosen.
    void setWatermark(bool included, bool fileChosen);
    // Usable with an undo step or an original to go back to; the help says which.
    void setUndo(bool historyEmpty, bool hasOriginalBackup);

    QString title() const;
    CapsuleButton* formatButton(PrintFormat format) const;
    CapsuleButton* watermarkButton() const { return m_watermark; }
    CapsuleButton* undoButton() const { return m_undo; }
    CapsuleButton* closeButton() const { return m_close; }
    CapsuleButton* validateButton() const { return m_validate; }

signals:
    void formatChosen(PrintFormat format);
    void watermarkToggled();
    void undoRequested();
    void closeRequested();
    void validateRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elideTitle();

    QLabel* m_title = nullptr;
    QString m_fullTitle;
    CapsuleButton* m_a5 = nullptr;
    CapsuleButton* m_a4 = nullptr;
    CapsuleButton* m_watermark = nullptr;
    CapsuleButton* m_undo = nullptr;
    CapsuleButton* m_close = nullptr;
    CapsuleButton* m_validate = nullptr;
};

} // namespace quavel
