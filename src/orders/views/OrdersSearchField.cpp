#include "orders/views/OrdersSearchField.h"

#include "ui/SymbolButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace quavel {

namespace {

class Glass : public QWidget
{
public:
    explicit Glass(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(14, 14);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Symbols::paint(
            p, QRectF(rect()), QStringLiteral("magnifyingglass"), Theme::secondary(Theme::isDark(this)));
    }
};

} // namespace

OrdersSearchField::OrdersSearchField(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("folderSearch"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(8);
    row->addWidget(new Glass(this));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("folderQuery"));
    m_field->setPlaceholderText(QStringLiteral("Rechercher"));
    m_field->setFrame(false);
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_field->setFont(Fonts::font(Fonts::Style::body));
    row->addWidget(m_field, 1);
    m_clear = new SymbolButton(QStringLiteral("xmark.circle.fill"), 14, this);
    m_clear->setObjectName(QStringLiteral("clearSearch"));
    m_clear->setSymbolColor(&Theme::secondary);
    m_clear->setToolTip(QStringLiteral("Effacer la recherche"));
    m_clear->hide();
    row->addWidget(m_clear);
    connect(m_clear, &QAbstractButton::clicked, this, [this] { m_field->clear(); });
    connect(m_field, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_clear->setVisible(!text.isEmpty());
        emit textChanged(text);
    });
}

QString OrdersSearchField::text() const
{
    return m_field->text();
}

void OrdersSearchField::setText(const QString& text)
{
    if (m_field->text() != text)
        m_field->setText(text);
}

void OrdersSearchField::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 10, 10);
    p.fillPath(shape, Theme::withOpacity(Theme::tertiary(Theme::isDark(this)), 0.45 * 0.6));
}

} // namespace quavel
