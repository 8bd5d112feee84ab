#include "orders/views/OrdersRetouchPicker.h"

#include "orders/OrdersScreen.h"
#include "orders/OrdersStore.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "photo/views/RetouchSettingsPopover.h"
#include "ui/CapsuleButton.h"
#include "ui/LinkedGroup.h"

#include <QHBoxLayout>

namespace quavel {

OrdersRetouchPicker::OrdersRetouchPicker(OrdersStore& store, OrdersScreen& screen, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("retouchPicker"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_button = new CapsuleButton(
        QStringLiteral("Réglages"), QStringLiteral("slider.horizontal.3"), CapsuleKind::glass);
    m_button->setObjectName(QStringLiteral("retouchSettings"));
    m_button->setToolTip(QStringLiteral("Choisir les réglages qui s’appliquent aux retouches"));
    m_value = new LinkedValue(QStringLiteral("Retouche"), QString());
    m_value->setObjectName(QStringLiteral("retouchValue"));
    row->addWidget(new LinkedGroup(m_button, m_value, true, this));

    // The popover edits the store's preset: each edit is written into the store at once.
    m_binding = new RetouchSettingsBinding(
        store.retouch(), [this](const PhotoRetouchSettings& s) { m_store.setRetouch(s); }, this);
    connect(&store, &OrdersStore::retouchChanged, this, [this] {
        m_binding->setValue(m_store.retouch());
        refresh();
    });
    connect(&store, &OrdersStore::isRetouchingChanged, this, &OrdersRetouchPicker::refresh);
    connect(m_button, &QAbstractButton::clicked, this, [this] { m_screen.setShowRetouchPopover(true); });
    connect(&screen, &OrdersScreen::showRetouchPopoverChanged, this,
        [this] { showPopover(m_screen.showRetouchPopover()); });
    refresh();
}

OrdersRetouchPicker::~OrdersRetouchPicker()
{
    if (m_popover)
        m_popover->disconnect(this);
    delete m_popover;
}

void OrdersRetouchPicker::refresh()
{
    m_value->setValue(m_store.retouch().summary());
    m_button->setEnabled(!m_store.isRetouching());
}

void OrdersRetouchPicker::showPopover(bool shown)
{
    if (!shown) {
        if (m_popover)
            m_popover->hide();
        return;
    }
    if (m_popover)
        return;
    // A new popover for each opening, on the preset as it is now.
    auto* popover = new RetouchSettingsPopover(m_binding, this);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    m_popover = popover;
    connect(popover, &RetouchSettingsPopover::changed, this, [this] { m_store.persist(); });
    connect(popover, &RetouchSettingsPopover::closed, this, [this] {
        if (m_popover)
            m_popover->deleteLater();
        m_popover = nullptr;
        m_screen.setShowRetouchPopover(false);
    });
    popover->popup(m_button);
}

} // namespace quavel
