#include "orders/views/OrdersFilesPanel.h"

#include "orders/OrderMenus.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersScreenText.h"
#include "orders/views/OrderFileActions.h"
#include "orders/views/OrderMenuBuilder.h"
#include "photo/views/AirDropIcon.h"
#include "photo/views/PrintPhotosMenu.h"
#include "ui/CapsuleButton.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace quavel {

namespace {

// The share button: the round nearby-device picture alone, dimmed while it cannot be used.
class ShareButton : public QAbstractButton
{
public:
    explicit ShareButton(QWidget* parent)
        : QAbstractButton(parent)
        , m_icon(new AirDropIcon(this))
    {
        setObjectName(QStringLiteral("shareButton"));
        setFixedSize(28, 28);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(QStringLiteral("AirDrop"));
        m_icon->move(0, 0);
        m_dim = new QGraphicsOpacityEffect(m_icon);
        m_dim->setOpacity(0.4);
        m_icon->setGraphicsEffect(m_dim);
        m_dim->setEnabled(false);
    }

protected:
    void paintEvent(QPaintEvent*) override { }
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            m_dim->setEnabled(!isEnabled());
        QAbstractButton::changeEvent(event);
    }

private:
    AirDropIcon* m_icon;
    QGraphicsOpacityEffect* m_dim = nullptr;
};

} // namespace

OrdersFilesPanel::OrdersFilesPanel(OrdersScreen& screen, QWidget* parent)
    : QWidget(parent)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("filesPanel"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    stack->addWidget(
        new ToneLabel(QStringLiteral("Fichiers"), Tone::primary, Fonts::font(Fonts::Style::headline), this));
    m_summary = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout), this);
    m_summary->setObjectName(QStringLiteral("selectionSummary"));
    stack->addWidget(m_summary);

    auto* actions = new QWidget(this);
    m_actions = actions;
    Capsule::setControlSize(actions, ControlSize::large);
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_openWith = new CapsuleButton(
        QStringLiteral("Ouvrir avec"), QStringLiteral("arrow.up.forward.app"), CapsuleKind::glass, actions);
    m_openWith->setObjectName(QStringLiteral("openWith"));
    m_openWith->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_openWithMenu = new QMenu(m_openWith);
    m_openWithMenu->setObjectName(QStringLiteral("openWithMenu"));
    connect(m_openWithMenu, &QMenu::aboutToShow, this, &OrdersFilesPanel::fillOpenWithMenu);
    m_openWith->setMenu(m_openWithMenu);
    row->addWidget(m_openWith);
    m_print = new CapsuleButton(
        QStringLiteral("Imprimer"), QStringLiteral("printer"), CapsuleKind::glass, actions);
    m_print->setObjectName(QStringLiteral("printSelection"));
    m_print->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_printMenu = new PrintPhotosMenu(QStringLiteral("Imprimer"), m_print);
    m_print->setMenu(m_printMenu);
    // The print menu decides: disabled, with its help text, while the selection holds no photo.
    connect(m_printMenu->menuAction(), &QAction::changed, m_print, [this] {
        m_print->setEnabled(m_printMenu->menuAction()->isEnabled());
        m_print->setToolTip(m_printMenu->menuAction()->toolTip());
    });
    row->addWidget(m_print);
    m_share = new ShareButton(actions);
    m_share->setToolTip(QStringLiteral("Partager les fichiers sélectionnés par AirDrop"));
    connect(m_share, &QAbstractButton::clicked, this,
        [this] { m_screen.shareByAirDrop(m_screen.selectedMedia()); });
    row->addWidget(m_share);
    stack->addWidget(actions);

    auto* small = new QWidget(this);
    Capsule::setControlSize(small, ControlSize::small);
    auto* row2 = new QHBoxLayout(small);
    row2->setContentsMargins(0, 0, 0, 0);
    row2->setSpacing(8);
    m_preview = new CapsuleButton(QStringLiteral("Aperçu"), QString(), CapsuleKind::glass, small);
    m_preview->setObjectName(QStringLiteral("previewSelection"));
    connect(m_preview, &QAbstractButton::clicked, this, [this] { m_screen.previewSelection(); });
    m_all = new CapsuleButton(QStringLiteral("Tout"), QString(), CapsuleKind::glass, small);
    m_all->setObjectName(QStringLiteral("selectAll"));
    connect(m_all, &QAbstractButton::clicked, this, [this] { m_screen.selectAll(); });
    m_clear = new CapsuleButton(QStringLiteral("Effacer"), QString(), CapsuleKind::glass, small);
    m_clear->setObjectName(QStringLiteral("clearSelection"));
    connect(m_clear, &QAbstractButton::clicked, this, [this] { m_screen.clearSelection(); });
    row2->addWidget(m_preview);
    row2->addWidget(m_all);
    row2->addWidget(m_clear);
    row2->addStretch(1);
    stack->addWidget(small);

    connect(&screen, &OrdersScreen::selectionChanged, this, &OrdersFilesPanel::refresh);
    connect(&screen, &OrdersScreen::allFilesChanged, this, &OrdersFilesPanel::refresh);
    refresh();
}

void OrdersFilesPanel::refresh()
{
    const OrdersScreen& screen = m_screen;
    const QList<OrderMedia> selected = screen.selectedMedia();
    m_summary->setText(OrdersScreenText::selectionSummary(screen.selection().count()));
    m_openWith->setEnabled(!selected.isEmpty());
    m_printMenu->setFiles(OrderMenus::paths(selected));
    m_print->setEnabled(m_printMenu->menuAction()->isEnabled());
    m_print->setToolTip(m_printMenu->menuAction()->toolTip());
    m_share->setEnabled(!selected.isEmpty());
    m_preview->setEnabled(!selected.isEmpty());
    m_all->setEnabled(!screen.allFiles().isEmpty());
    m_clear->setEnabled(!screen.selection().isEmpty());
}

void OrdersFilesPanel::fillOpenWithMenu()
{
    m_openWithMenu->clear();
    const QList<OrderMedia> files = m_screen.selectedMedia();
    OrderMenuBuilder::fill(*m_openWithMenu, m_screen.openWithMenu(files),
        [this, files](const OrderMenuItem& item) { OrderFileActions::run(m_screen, item, nullptr, files); });
}

} // namespace quavel
