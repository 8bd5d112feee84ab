#include "workspace/views/SummaryLabel.h"

namespace quavel {

namespace {
// Narrower than this the label is of no use; the bar gives way elsewhere first.
constexpr int kMinimumWidth = 96;
} // namespace

SummaryLabel::SummaryLabel(Tone tone, const QFont& font, QWidget* parent)
    : ToneLabel(QString(), tone, font, parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void SummaryLabel::setFullText(const QString& text)
{
    if (text == m_full)
        return;
    m_full = text;
    updateGeometry();
    fit();
}

QStringList SummaryLabel::lines(int width, bool* whole) const
{
    const QFontMetrics metrics = fontMetrics();
    const int available = std::max(1, width);
    if (whole)
        *whole = true;
    if (metrics.horizontalAdvance(m_full) <= available)
        return { m_full };
    // As many whole parts (" · ") as fit on the first line, else as many words; the rest below.
    auto split = [&](const QString& separator) {
        const QStringList parts = m_full.split(separator);
        QString line;
        qsizetype used = 0;
        while (used < parts.size()) {
            const QString next = line.isEmpty() ? parts[used] : line + separator + parts[used];
            if (metrics.horizontalAdvance(next) > available)
                break;
            line = next;
            ++used;
        }
        return std::pair(line, parts.mid(used).join(separator));
    };
    auto [line, rest] = split(QStringLiteral(" · "));
    if (line.isEmpty())
        std::tie(line, rest) = split(QStringLiteral(" "));
    if (line.isEmpty()) {
        line = rest;
        rest.clear();
    }
    if (whole)
        *whole = metrics.horizontalAdvance(line) <= available && metrics.horizontalAdvance(rest) <= available;
    QStringList out { metrics.elidedText(line, Qt::ElideRight, available) };
    if (!rest.isEmpty())
        out.append(metrics.elidedText(rest, Qt::ElideRight, available));
    return out;
}

int SummaryLabel::twoLineWidth() const
{
    const int natural = textWidth();
    int low = 1;
    int high = natural;
    while (low < high) {
        const int middle = (low + high) / 2;
        bool whole = false;
        lines(middle, &whole);
        if (whole)
            high = middle;
        else
            low = middle + 1;
    }
    return std::max(low + 2 * margin(), kMinimumWidth);
}

int SummaryLabel::naturalWidth() const
{
    return textWidth() + 2 * margin();
}

int SummaryLabel::textWidth() const
{
    return fontMetrics().horizontalAdvance(m_full) + 2;
}

void SummaryLabel::setPreferredWidth(std::optional<int> width)
{
    if (width == m_preferredWidth)
        return;
    m_preferredWidth = width;
    updateGeometry();
}

QSize SummaryLabel::sizeHint() const
{
    const int width = m_preferredWidth.value_or(naturalWidth());
    return QSize(width, heightForWidth(width));
}

QSize SummaryLabel::minimumSizeHint() const
{
    return QSize(kMinimumWidth, fontMetrics().height() + 2 * margin());
}

int SummaryLabel::heightForWidth(int width) const
{
    const qsizetype count = lines(width - 2 * margin()).size();
    return int(count - 1) * fontMetrics().lineSpacing() + fontMetrics().height() + 2 * margin();
}

void SummaryLabel::resizeEvent(QResizeEvent* event)
{
    ToneLabel::resizeEvent(event);
    fit();
}

void SummaryLabel::fit()
{
    bool whole = true;
    const QString shown = lines(width() - 2 * margin(), &whole).join(u'\n');
    setText(shown);
    setToolTip(whole ? QString() : m_full);
}

} // namespace quavel
