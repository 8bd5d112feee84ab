#pragma once

#include "photo/print/PrintFormat.h"

#include <QWidget>

class QLabel;

namespace quavel {

class CapsuleButton;

// The crop editor's toolbar: the photo's name, the format choice A5 / A4, the watermark switch, "Annuler"
// and "Fermer". It shows what it is told and reports clicks; the editor decides what they do.
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

signals:
    void formatChosen(PrintFormat format);
    void watermarkToggled();
    void undoRequested();
    void closeRequested();

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
};

} // namespace quavel
