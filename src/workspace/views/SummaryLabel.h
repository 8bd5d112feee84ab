#pragma once

#include "ui/ToneLabel.h"

#include <optional>

namespace quavel {

// The editor's summary line: the whole text on one line when it fits, else on two (the break after a
// " · " part when one fits, else after a word), the second cut with an ellipsis only when two lines
// cannot hold it; the tooltip then gives the whole text.
class SummaryLabel : public ToneLabel
{
    Q_OBJECT

public:
    SummaryLabel(Tone tone, const QFont& font, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_full; }
    // The lines shown in a width of text, and whether they hold the whole text.
    QStringList lines(int width, bool* whole = nullptr) const;
    // The narrowest width of the label at which the whole text shows on two lines at most, and its
    // width for the text on one line.
    int twoLineWidth() const;
    int naturalWidth() const;
    // The width the label asks for; none asks for the text's width on one line.
    void setPreferredWidth(std::optional<int> width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    int textWidth() const;

    QString m_full;
    std::optional<int> m_preferredWidth;
};

} // namespace quavel
