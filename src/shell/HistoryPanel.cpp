#include "shell/HistoryPanel.h"

#include "library/LibraryStore.h"
#include "platform/UserDefaults.h"
#include "shell/ClampedLabel.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quavel {

namespace {

const QString kExpandedKey = QStringLiteral("tableurHistoryExpanded");
constexpr int kMaximumListHeight = 180;
constexpr int kShownMessages = 4;

// "Historique" and a chevron turned a quarter when unfolded, in the secondary colour; the whole
// rectangle takes clicks.
class HistoryHeader : public QAbstractButton
{
public:
    explicit HistoryHeader(QWidget* parent)
        : QAbstractButton(parent)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setText(QStringLiteral("Historique"));
    }

    void setExpanded(bool expanded)
    {
        m_expanded = expanded;
        setToolTip(
            expanded ? QStringLiteral("Replier l’historique") : QStringLiteral("Déplier l’historique"));
        update();
    }

    QSize sizeHint() const override
    {
        const QFontMetrics fm(Fonts::font(Fonts::Style::caption, QFont::DemiBold));
        return QSize(fm.horizontalAdvance(text()) + 6 + 4 + 10, fm.height() + 4);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor c = Theme::secondary(Theme::isDark(this));
        const QFont f = Fonts::font(Fonts::Style::caption, QFont::DemiBold);
        p.setFont(f);
        p.setPen(c);
        const int textWidth = QFontMetrics(f).horizontalAdvance(text());
        p.drawText(QRect(0, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
        const qreal side = 9;
        const QRectF chevron(textWidth + 10, (height() - side) / 2, side, side);
        p.save();
        p.translate(chevron.center());
        if (m_expanded)
            p.rotate(90);
        p.translate(-chevron.center());
        Symbols::paint(p, chevron, QStringLiteral("chevron.right"), c);
        p.restore();
    }

private:
    bool m_expanded = true;
};

// A scrolling area as tall as the runs it holds at its width, and never taller than the bound: a short
// history leaves no hole above the device picker.
class FittingScrollArea : public QScrollArea
{
public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override
    {
        QSize size = QScrollArea::sizeHint();
        if (const QWidget* content = widget()) {
            const int w = viewport()->width() > 0 ? viewport()->width() : content->sizeHint().width();
            const int h
                = content->hasHeightForWidth() ? content->heightForWidth(w) : content->sizeHint().height();
            size.setHeight(std::min(kMaximumListHeight, h + 2 * frameWidth()));
        }
        return size;
    }
    QSize minimumSizeHint() const override
    {
        return QSize(0, std::min(kMaximumListHeight, sizeHint().height()));
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        // Wrapped lines change with the width, and the height with them.
        if (event->size().width() != event->oldSize().width())
            updateGeometry();
    }
};

} // namespace

HistoryPanel::HistoryPanel(
    WorkspaceSource* workspace, LibraryStore& store, UserDefaults& defaults, QWidget* parent)
    : QWidget(parent)
    , m_workspace(workspace)
    , m_store(store)
    , m_defaults(defaults)
    , m_expanded(defaults.boolean(kExpandedKey).value_or(true))
    , m_header(new HistoryHeader(this))
    , m_placeholder(new ToneLabel(QStringLiteral("Aucune organisation pour l’instant."), Tone::tertiary,
          Fonts::font(Fonts::Style::caption), this))
    , m_scroll(new FittingScrollArea(this))
    , m_content(nullptr)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(m_header);
    column->addWidget(m_placeholder);
    column->addWidget(m_scroll);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setMaximumHeight(kMaximumListHeight);
    // The runs lie on the sidebar's own background (no style sheet: the labels under one would miss the
    // palette change of a new appearance).
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    static_cast<HistoryHeader*>(m_header)->setExpanded(m_expanded);
    connect(static_cast<HistoryHeader*>(m_header), &QAbstractButton::clicked, this, &HistoryPanel::toggle);
    connect(&store, &LibraryStore::snapshotChanged, this, &HistoryPanel::rebuild);
    if (workspace)
        connect(workspace, &WorkspaceSource::historyChanged, this, &HistoryPanel::rebuild);
    rebuild();
}

QWidget* HistoryPanel::placeholder() const
{
    return m_placeholder;
}

void HistoryPanel::toggle()
{
    m_expanded = !m_expanded;
    m_defaults.setBoolean(kExpandedKey, m_expanded);
    static_cast<HistoryHeader*>(m_header)->setExpanded(m_expanded);
    rebuild();
}

QList<WorkspaceSource::HistorySection> HistoryPanel::sections() const
{
    if (!m_workspace)
        return {};
    QList<WorkspaceSource::HistorySection> sections = m_workspace->historySections();
    for (auto& section : sections)
        if (auto sheet = m_store.snapshot().spreadsheet(section.id))
            section.title = sheet->title;
    return sections;
}

QString HistoryPanel::dateText(const QDateTime& date)
{
    // Abbreviated date and short time, French whatever the user's settings, in the local time zone.
    static const QLocale french(QLocale::French, QLocale::France);
    return french.toString(date.toLocalTime(), QStringLiteral("d MMM yyyy 'à' HH:mm"));
}

void HistoryPanel::rebuild()
{
    const auto shown = sections();
    m_placeholder->setVisible(m_expanded && shown.isEmpty());
    m_scroll->setVisible(m_expanded && !shown.isEmpty());
    if (!m_expanded || shown.isEmpty()) {
        if (m_content) {
            m_scroll->takeWidget()->deleteLater();
            m_content = nullptr;
        }
        return;
    }
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("historyContent"));
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 4, 0);
    column->setSpacing(12);
    for (const auto& section : shown) {
        auto* block = new QVBoxLayout;
        block->setSpacing(6);
        block->addWidget(
            new ToneLabel(section.title, Tone::primary, Fonts::font(Fonts::Style::caption, QFont::DemiBold)));
        for (const auto& entry : section.entries) {
            auto* lines = new QVBoxLayout;
            lines->setSpacing(2);
            auto* headline = new ToneLabel(entry.headline, Tone::primary, Fonts::font(Fonts::Style::caption));
            headline->setWordWrap(true);
            lines->addWidget(headline);
            lines->addWidget(
                new ToneLabel(dateText(entry.date), Tone::tertiary, Fonts::font(Fonts::Style::caption2)));
            for (qsizetype i = 0; i < std::min<qsizetype>(kShownMessages, entry.messages.size()); ++i) {
                // At most two lines, the second cut with an ellipsis when the message is longer.
                auto* message = new ClampedLabel(
                    entry.messages[i], Tone::secondary, Fonts::font(Fonts::Style::caption2), 2);
                message->setProperty("historyMessage", true);
                lines->addWidget(message);
            }
            block->addLayout(lines);
        }
        column->addLayout(block);
    }
    column->addStretch(1);
    if (m_content)
        m_scroll->takeWidget()->deleteLater();
    m_scroll->setWidget(content);
    // The scroll area fills what it is given; the runs stay clear over the sidebar.
    content->setAutoFillBackground(false);
    m_content = content;
    m_scroll->updateGeometry();
}

} // namespace quavel
