#pragma once

#include <QWidget>

namespace quavel {

class ToneLabel;

// Covers the whole programme browser while an import runs: a dark veil that takes every click and key
// (Escape still reaches the window, which closes), and a rounded panel with a spinner and the status.
class ProgrammeImportOverlay : public QWidget
{
    Q_OBJECT

public:
    explicit ProgrammeImportOverlay(QWidget* parent);

    void setStatus(const QString& text);
    QString status() const;
    // Fills the parent and centres the panel; call when the parent's size or the status changes.
    void place();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    QWidget* m_panel;
    ToneLabel* m_status;
};

} // namespace quavel
