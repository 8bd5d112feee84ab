#include "orders/views/OrderBatchRow.h"

#include "orders/OrderMenus.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersScreenText.h"
#include "orders/OrdersStore.h"
#include "photo/views/PrintPhotosMenu.h"
#include "ui/CapsuleButton.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QHBoxLayout>

namespace quavel {

OrderBatchRow::OrderBatchRow(OrdersStore& store, OrdersScreen& screen, Scope scope, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_screen(screen)
    , m_scope(scope)
{
    setObjectName(scope == Scope::folder ? QStringLiteral("folderActions") : QStringLiteral("sectionHeader"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_retouch = new CapsuleButton(
        QStringLiteral("Retouche"), QStringLiteral("slider.horizontal.3"), CapsuleKind::glass, this);
    m_retouch->setObjectName(QStringLiteral("batchRetouch"));
    connect(m_retouch, &QAbstractButton::clicked, this,
        [this] { m_screen.applyRetouch(OrderMenus::paths(m_files)); });
    m_watermark
        = new CapsuleButton(QStringLiteral("Filigrane"), QStringLiteral("seal"), CapsuleKind::glass, this);
    m_watermark->setObjectName(QStringLiteral("batchWatermark"));
    connect(m_watermark, &QAbstractButton::clicked, this,
        [this] { m_screen.applyWatermark(OrderMenus::paths(m_files)); });
    m_print
        = new CapsuleButton(QStringLiteral("Imprimer"), QStringLiteral("printer"), CapsuleKind::glass, this);
    m_print->setObjectName(QStringLiteral("batchPrint"));
    m_printMenu = new PrintPhotosMenu(QStringLiteral("Imprimer"), m_print);
    m_print->setMenu(m_printMenu);
    row->addWidget(m_retouch);
    row->addWidget(m_watermark);
    row->addWidget(m_print);
    if (scope == Scope::section) {
        m_name = new ToneLabel(
            QString(), Tone::primary, Fonts::font(Fonts::Style::title2, QFont::DemiBold), this);
        m_name->setObjectName(QStringLiteral("sectionName"));
        row->addWidget(m_name);
    }
    row->addStretch(1);
    m_count = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout), this);
    m_count->setObjectName(QStringLiteral("fileCount"));
    row->addWidget(m_count);
    refresh();
}

void OrderBatchRow::setFiles(const QList<OrderMedia>& files, const QString& sectionName)
{
    m_files = files;
    m_printMenu->setFiles(OrderMenus::paths(files));
    m_count->setText(OrdersScreenText::fileCount(files.size()));
    if (m_name)
        m_name->setText(sectionName);
    refresh();
}

void OrderBatchRow::refresh()
{
    const OrdersStore& store = m_store;
    const auto controls
        = OrderMenus::batchControls(m_files, store.retouch().isNeutral(), store.isRetouching(),
            store.watermarks().isEmpty(), m_scope == Scope::section, store.isWatermarking());
    m_retouch->setEnabled(controls.retouchEnabled);
    m_watermark->setEnabled(controls.watermarkEnabled);
    m_print->setEnabled(controls.printEnabled);
    m_retouch->setToolTip(controls.retouchHelp);
    m_watermark->setToolTip(controls.watermarkHelp);
    // The section's own text over the print menu's; the order's row shows the menu's.
    m_print->setToolTip(
        m_scope == Scope::section ? controls.printHelp : m_printMenu->menuAction()->toolTip());
}

} // namespace quavel
