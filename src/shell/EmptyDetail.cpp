#include "shell/EmptyDetail.h"

#include "shell/RootController.h"
#include "shell/SyncBadge.h"
#include "ui/CapsuleButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace quavel {

namespace {

class LargeSymbol : public QWidget
{
public:
    LargeSymbol(const QString& symbol, int pixels, QWidget* parent)
        : QWidget(parent)
        , m_symbol(symbol)
    {
        setFixedSize(pixels + 8, pixels + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Symbols::paint(
            p, QRectF(rect()).adjusted(4, 4, -4, -4), m_symbol, Theme::secondary(Theme::isDark(this)));
    }

private:
    QString m_symbol;
};

} // namespace

EmptyDetail::EmptyDetail(RootController& root, SyncStatusSource& sync, QWidget* parent)
    : QWidget(parent)
    , m_badge(new SyncBadge(this))
{
    setObjectName(QStringLiteral("emptyDetail"));
    auto* outer = new QVBoxLayout(this);
    outer->addStretch(1);
    auto* column = new QVBoxLayout;
    column->setSpacing(16);
    column->addWidget(
        new LargeSymbol(QStringLiteral("tablecells.badge.plus"), 46, this), 0, Qt::AlignHCenter);
    auto* title = new ToneLabel(QStringLiteral("Créez un tableur"), Tone::primary,
        Fonts::font(Fonts::Style::title2, QFont::DemiBold), this);
    title->setAlignment(Qt::AlignHCenter);
    column->addWidget(title, 0, Qt::AlignHCenter);
    auto* body = new ToneLabel(
        QStringLiteral(
            "Ajoutez un jour et un tableur ici, ou récupérez-les depuis iPhone ou Android (même Wi\u2011Fi, "
            "Wi\u2011Fi Direct Android, ou fichier .quavel). Vous pourrez ensuite saisir les n° photo et "
            "n° attribués."),
        Tone::secondary, Fonts::font(Fonts::Style::body), this);
    body->setObjectName(QStringLiteral("emptyDetailText"));
    body->setWordWrap(true);
    body->setAlignment(Qt::AlignHCenter);
    // A wrapped label inside an aligned layout item gets no height for its width: give it both.
    body->setFixedWidth(420);
    body->setMinimumHeight(body->heightForWidth(420));
    column->addWidget(body, 0, Qt::AlignHCenter);

    auto* buttons = new QWidget(this);
    Capsule::setControlSize(buttons, ControlSize::large);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 4, 0, 0);
    row->setSpacing(12);
    auto* newDay = new CapsuleButton(
        QStringLiteral("Nouveau jour"), QStringLiteral("calendar.badge.plus"), CapsuleKind::glass, buttons);
    newDay->setObjectName(QStringLiteral("emptyNewDay"));
    connect(newDay, &QAbstractButton::clicked, this, [&root] { root.openNewDayPrompt(); });
    auto* newSheet = new CapsuleButton(
        QStringLiteral("Nouveau tableur"), QStringLiteral("plus"), CapsuleKind::prominent, buttons);
    newSheet->setObjectName(QStringLiteral("emptyNewSpreadsheet"));
    connect(newSheet, &QAbstractButton::clicked, this,
        [&root] { root.openNewSpreadsheetPrompt(root.selectedDayID()); });
    row->addWidget(newDay);
    row->addWidget(newSheet);
    column->addWidget(buttons, 0, Qt::AlignHCenter);

    m_badge->follow(&sync);
    m_badge->setMaximumWidth(280);
    m_badge->setMinimumWidth(200);
    auto* badgeHolder = new QWidget(this);
    auto* badgeLine = new QHBoxLayout(badgeHolder);
    badgeLine->setContentsMargins(0, 8, 0, 0);
    m_badge->setParent(badgeHolder);
    badgeLine->addWidget(m_badge);
    column->addWidget(badgeHolder, 0, Qt::AlignHCenter);
    outer->addLayout(column);
    outer->addStretch(1);
}

} // namespace quavel
