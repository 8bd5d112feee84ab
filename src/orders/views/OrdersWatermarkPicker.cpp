#include "orders/views/OrdersWatermarkPicker.h"

#include "orders/OrdersScreen.h"
#include "orders/OrdersScreenText.h"
#include "orders/OrdersStore.h"
#include "orders/views/WatermarkChoiceRow.h"
#include "ui/CapsuleButton.h"
#include "ui/LinkedGroup.h"
#include "ui/PanelPresenter.h"
#include "ui/PickButton.h"

#include <QEvent>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quavel {

OrdersWatermarkPicker::OrdersWatermarkPicker(OrdersStore& store, OrdersScreen& screen, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("watermarkPicker"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    m_add = new PickButton(QStringLiteral("Choisir"), QStringLiteral("seal"), false);
    m_add->setObjectName(QStringLiteral("addWatermark"));
    connect(m_add, &QAbstractButton::clicked, this, [this] { pickWatermark(); });
    m_value = new LinkedValue(QStringLiteral("Filigrane"), QString());
    m_value->setObjectName(QStringLiteral("watermarkValue"));
    stack->addWidget(new LinkedGroup(m_add, m_value, true, this));

    m_list = new QScrollArea(this);
    m_list->setObjectName(QStringLiteral("watermarkList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setWidgetResizable(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setAutoFillBackground(false);
    m_list->viewport()->setAutoFillBackground(false);
    m_listContent = new QWidget;
    m_listContent->setAutoFillBackground(false);
    m_rowsLayout = new QVBoxLayout(m_listContent);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(4);
    m_rowsLayout->addStretch(1);
    m_list->setWidget(m_listContent);
    stack->addWidget(m_list);

    connect(&store, &OrdersStore::watermarksChanged, this, &OrdersWatermarkPicker::rebuild);
    connect(&store, &OrdersStore::selectedWatermarkIDChanged, this, &OrdersWatermarkPicker::refreshChoice);
    connect(&store, &OrdersStore::watermarkURLsChanged, this, &OrdersWatermarkPicker::refreshUrls);
    connect(&screen, &OrdersScreen::canRemoveWatermarkChanged, this, &OrdersWatermarkPicker::refreshRemoval);
    connect(&store, &OrdersStore::watermarkProblemsChanged, this, &OrdersWatermarkPicker::refreshProblems);
    rebuild();
}

void OrdersWatermarkPicker::pickWatermark()
{
    if (const auto image = PanelPresenter::shared().pickImage(
            QStringLiteral("Fichier filigrane"), QStringLiteral("Choisir"))) {
        m_store.addWatermark(*image);
        m_screen.syncCropWatermark();
    }
}

void OrdersWatermarkPicker::rebuild()
{
    OrdersStore& store = m_store;
    // A row's own button may be what removed it: the old rows go once their signals have returned.
    for (WatermarkChoiceRow* row : std::as_const(m_rows)) {
        row->hide();
        m_rowsLayout->removeWidget(row);
        row->deleteLater();
    }
    m_rows.clear();
    const QList<OrderWatermark> list = store.watermarks();
    for (const OrderWatermark& w : list) {
        const auto url = store.watermarkURLs().constFind(w.id);
        // The id is copied into the actions: the list they would read it from changes under them.
        const QString id = w.id;
        auto* row = new WatermarkChoiceRow(
            w.name, url != store.watermarkURLs().cend() ? std::optional<QString>(*url) : std::nullopt, false,
            [this, id] {
                m_store.selectWatermark(id);
                m_screen.syncCropWatermark();
            },
            [this, id] {
                m_store.removeWatermark(id);
                m_screen.syncCropWatermark();
            },
            m_listContent);
        m_rowsLayout->insertWidget(int(m_rows.size()), row);
        m_rows.append(row);
    }
    m_list->setVisible(!list.isEmpty());
    const int rowsHeight = int(list.size()) * WatermarkChoiceRow::rowPitch;
    m_list->setFixedHeight(std::min(rowsHeight, listMaximumHeight));
    m_add->setText(list.isEmpty() ? QStringLiteral("Choisir") : QStringLiteral("Ajouter"));
    m_add->updateGeometry();
    refreshChoice();
    refreshRemoval();
    refreshProblems();
}

void OrdersWatermarkPicker::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_store.checkWatermarks();
}

void OrdersWatermarkPicker::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Back to the window from the file manager, say, where the file may have been put back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        m_store.checkWatermarks();
}

void OrdersWatermarkPicker::refreshProblems()
{
    const QList<OrderWatermark>& list = m_store.watermarks();
    for (qsizetype i = 0; i < m_rows.size() && i < list.size(); ++i) {
        const auto problem = m_store.watermarkProblems().constFind(list[i].id);
        m_rows[i]->setProblem(
            problem != m_store.watermarkProblems().cend() ? std::optional<QString>(*problem) : std::nullopt);
    }
}

void OrdersWatermarkPicker::refreshRemoval()
{
    // Not while a watermark batch runs: the list stays as the batch found it.
    for (WatermarkChoiceRow* row : std::as_const(m_rows))
        row->removeButton()->setEnabled(m_screen.canRemoveWatermark());
}

void OrdersWatermarkPicker::refreshChoice()
{
    const OrdersStore& store = m_store;
    const QList<OrderWatermark>& list = store.watermarks();
    m_value->setValue(OrdersScreenText::pickerWatermark(list, store.selectedWatermarkID()));
    const OrderWatermark* chosen = OrdersScreenText::chosenWatermark(list, store.selectedWatermarkID());
    // With no listed selection the first row shows as chosen, as the watermark drawn is the first.
    const QString chosenID
        = store.selectedWatermarkID() ? *store.selectedWatermarkID() : (chosen ? chosen->id : QString());
    for (qsizetype i = 0; i < m_rows.size() && i < list.size(); ++i)
        m_rows[i]->setSelected(list[i].id == chosenID);
}

void OrdersWatermarkPicker::refreshUrls()
{
    const OrdersStore& store = m_store;
    const QList<OrderWatermark>& list = store.watermarks();
    for (qsizetype i = 0; i < m_rows.size() && i < list.size(); ++i) {
        const auto url = store.watermarkURLs().constFind(list[i].id);
        m_rows[i]->setUrl(url != store.watermarkURLs().cend() ? std::optional<QString>(*url) : std::nullopt);
    }
}

} // namespace quavel
