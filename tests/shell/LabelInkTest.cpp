// Pictures of every kind of label with accented capitals and descenders: each shows as many rows of
// ink as the same text drawn with nothing around it, so no accent and no descender is cut. The pictures are
// written to the screenshots folder.
#include "shell/ClampedLabel.h"
#include "shell/SyncBadge.h"
#include "ui/CapsuleButton.h"
#include "ui/CapsuleMenu.h"
#include "ui/CapsuleMetrics.h"
#include "ui/LinkedGroup.h"
#include "ui/PickButton.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"
#include "workspace/views/LegendDot.h"
#include "workspace/views/SummaryLabel.h"

#include "common/TestSupport.h"

#include <QApplication>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace quavel;

namespace {

const QString sample = QStringLiteral("ÉÈÀÇ gjpq");

// Where the two pictures differ: the bounds of the ink; empty when they do not.
QRect ink(const QImage& text, const QImage& empty)
{
    QRect bounds;
    for (int y = 0; y < text.height(); ++y)
        for (int x = 0; x < text.width(); ++x) {
            const QColor a = text.pixelColor(x, y);
            const QColor b = empty.pixelColor(x, y);
            if (std::max({ std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                    std::abs(a.blue() - b.blue()) })
                > 24)
                bounds |= QRect(x, y, 1, 1);
        }
    return bounds;
}

// The size of the ink of the text drawn alone, in the same font and colour, over the colour it stands
// on in the widget.
QSize freeInk(const QFont& font, const QString& text, const QColor& pen, const QColor& ground)
{
    QImage blank(900, 160, QImage::Format_ARGB32_Premultiplied);
    blank.fill(ground);
    QImage drawn = blank;
    QPainter p(&drawn);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(pen);
    p.drawText(QPointF(20, 80), text);
    p.end();
    return ink(drawn, blank).size();
}

struct Kind
{
    const char* name;
    // The widget showing a text; the number of lines it is made to show it on.
    std::function<QWidget*(const QString&)> make;
    int lines = 1;
    // The font and pen of its text.
    std::function<QFont(QWidget*)> font = [](QWidget* w) { return w->font(); };
    std::function<QColor(QWidget*)> pen = [](QWidget* w) { return w->palette().color(QPalette::WindowText); };
    // Whether the text is the only ink that moves with it (a menu's chevron follows its title).
    bool textOnly = true;
};

QString twice()
{
    return sample + QStringLiteral(" · ") + sample;
}

// Sized as a layout sizes it, at a width that makes a two-line kind wrap.
void place(QWidget* w, int lines, const QString& text)
{
    QSize size = w->sizeHint();
    if (lines > 1)
        size.setWidth(QFontMetrics(w->font()).horizontalAdvance(sample) + 2 * 3 + 8);
    if (w->hasHeightForWidth())
        size.setHeight(w->heightForWidth(size.width()));
    w->resize(size);
    w->setProperty("sampleText", text);
}

QList<Kind> kinds()
{
    const auto capsuleFont = [](QWidget* w) {
        return Fonts::system(
            CapsuleMetrics::fontSize(CapsuleKind::glass, Capsule::controlSize(w)), QFont::DemiBold);
    };
    const auto capsulePen = [](QWidget*) { return Theme::primary(false); };
    return {
        { "ToneLabel body",
            [](const QString& t) {
                return new ToneLabel(t, Tone::primary, Fonts::font(Fonts::Style::body));
            } },
        { "ToneLabel title2",
            [](const QString& t) {
                return new ToneLabel(t, Tone::primary, Fonts::font(Fonts::Style::title2, QFont::DemiBold));
            } },
        { "ToneLabel headline",
            [](const QString& t) {
                return new ToneLabel(t, Tone::primary, Fonts::font(Fonts::Style::headline));
            } },
        { "ToneLabel caption2 tertiary",
            [](const QString& t) {
                return new ToneLabel(t, Tone::tertiary, Fonts::font(Fonts::Style::caption2));
            } },
        { "ToneLabel wrapped",
            [](const QString& t) {
                auto* l = new ToneLabel(t.isEmpty() ? QString() : sample + u' ' + sample, Tone::secondary,
                    Fonts::font(Fonts::Style::callout));
                l->setWordWrap(true);
                return l;
            },
            2 },
        { "LinkedLabel", [](const QString& t) { return new LinkedLabel(t); } },
        { "ClampedLabel one line",
            [](const QString& t) {
                return new ClampedLabel(t, Tone::primary, Fonts::font(Fonts::Style::body), 1);
            } },
        { "ClampedLabel two lines",
            [](const QString& t) {
                return new ClampedLabel(t.isEmpty() ? QString() : sample + u' ' + sample, Tone::secondary,
                    Fonts::font(Fonts::Style::caption2), 2);
            },
            2 },
        { "SummaryLabel",
            [](const QString& t) {
                auto* l = new SummaryLabel(Tone::secondary, Fonts::font(Fonts::Style::caption));
                l->setFullText(t);
                return l;
            } },
        { "SummaryLabel two lines",
            [](const QString& t) {
                auto* l = new SummaryLabel(Tone::secondary, Fonts::font(Fonts::Style::caption));
                l->setFullText(t.isEmpty() ? QString() : twice());
                return l;
            },
            2 },
        { "LegendDot", [](const QString& t) { return new LegendDot(&Theme::red, 0.85, t); }, 1,
            [](QWidget* w) { return w->font(); }, [](QWidget*) { return Theme::secondary(false); } },
        { "CapsuleButton",
            [](const QString& t) { return new CapsuleButton(t, QString(), CapsuleKind::glass); }, 1,
            capsuleFont, capsulePen },
        { "CapsuleMenu", [](const QString& t) { return new CapsuleMenu(t, QString(), 240); }, 1, capsuleFont,
            capsulePen, false },
        { "PickButton", [](const QString& t) { return new PickButton(t, QString(), false); }, 1, capsuleFont,
            capsulePen },
        { "SyncBadge",
            [](const QString& t) {
                auto* badge = new SyncBadge;
                badge->setStatus(SyncStatusSource::Status {}, t.isEmpty() ? QStringLiteral(" ") : t);
                return badge;
            },
            1, [](QWidget*) { return Fonts::font(Fonts::Style::caption, QFont::Medium); },
            [](QWidget*) { return Theme::primary(false); } },
    };
}

} // namespace

TEST(LabelInk, NoLabelCutsAccentsOrDescenders)
{
    QApplication::setPalette(Theme::palette(false));
    QImage sheet(700, 60 * int(kinds().size()) + 20, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Theme::palette(false).color(QPalette::Window));
    QPainter board(&sheet);
    int y = 10;
    for (const Kind& kind : kinds()) {
        std::unique_ptr<QWidget> withText(kind.make(sample));
        std::unique_ptr<QWidget> withoutText(kind.make(QString()));
        place(withText.get(), kind.lines, sample);
        withoutText->resize(withText->size());
        const QImage text = withText->grab().toImage();
        const QImage empty = withoutText->grab().toImage();
        board.drawImage(QPoint(10, y), text);
        board.drawText(QPoint(300, y + 14), QString::fromLatin1(kind.name));
        y += 60;

        const QRect shown = ink(text, empty);
        ASSERT_FALSE(shown.isEmpty()) << kind.name;
        const QFont font = kind.font(withText.get());
        const QColor ground = empty.pixelColor(empty.width() / 2, empty.height() / 2);
        const QSize alone = freeInk(font, sample, kind.pen(withText.get()), ground);
        // Lines follow each other at the font's line spacing; one line is as wide as the text alone.
        EXPECT_EQ(shown.height(), (kind.lines - 1) * QFontMetrics(font).lineSpacing() + alone.height())
            << kind.name << " in " << withText->width() << " x " << withText->height();
        // Capsules place their titles at fractions of a pixel: a column more of faint ink.
        if (kind.lines == 1 && kind.textOnly) {
            EXPECT_LE(std::abs(shown.width() - alone.width()), 1) << kind.name;
        }
    }
    board.end();
    ASSERT_TRUE(sheet.save(test::screenshotsFolder() + QStringLiteral("/labels-accents.png")));
}
