#pragma once

#include "ui/ToneLabel.h"

namespace quavel {

// A label that shows at most a given number of lines at its width, the last one cut with an ellipsis
// when the text needs more. One line: the text on one line, cut at the end. text() keeps the whole text,
// and the tooltip gives it when the text is cut.
class ClampedLabel : public ToneLabel
{
    Q_OBJECT

public:
    ClampedLabel(
        const QString& text, Tone tone, const QFont& font, int maximumLines, QWidget* parent = nullptr);

    int maximumLines() const { return m_maximumLines; }
    // The lines drawn at a width, the last one ending with "…" when the text was cut.
    QStringList shownLines(int width) const;
    bool isCut() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QMargins textMargins() const;
    QRect textArea() const;

    int m_maximumLines;
};

} // namespace quavel
