#include "orders/views/OrdersFolderColumn.h"

#include "orders/OrdersScreen.h"
#include "orders/OrdersScreenText.h"
#include "orders/OrdersStore.h"
#include "orders/views/OrdersFilesPanel.h"
#include "orders/views/OrdersRetouchPicker.h"
#include "orders/views/OrdersSearchField.h"
#include "orders/views/OrdersWatermarkPicker.h"
#include "ui/Divider.h"
#include "ui/LinkedGroup.h"
#include "ui/PanelPresenter.h"
#include "ui/PickButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QEvent>

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

namespace quavel {

namespace {
constexpr int kPathRole = Qt::UserRole;
} // namespace

OrdersFolderColumn::OrdersFolderColumn(OrdersStore& store, OrdersScreen& screen, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("ordersFolderColumn"));
    Capsule::setControlSize(this, ControlSize::small);
    setMinimumWidth(minimumWidth);
    setMaximumWidth(maximumWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Controls: root, watermark, retouch, files.
    auto* controls = new QWidget(this);
    auto* stack = new QVBoxLayout(controls);
    stack->setContentsMargins(14, 12, 14, 8);
    stack->setSpacing(12);
    m_rootButton = new PickButton(QStringLiteral("Choisir"), QStringLiteral("folder"), false);
    m_rootButton->setObjectName(QStringLiteral("chooseRoot"));
    connect(m_rootButton, &QAbstractButton::clicked, this, [this] { pickRoot(); });
    m_rootValue = new LinkedValue(QStringLiteral("Dossier source"), QString());
    m_rootValue->setObjectName(QStringLiteral("rootValue"));
    stack->addWidget(new LinkedGroup(m_rootButton, m_rootValue, true, controls));
    stack->addWidget(new Divider(Qt::Horizontal, controls));
    m_watermarks = new OrdersWatermarkPicker(store, screen, controls);
    stack->addWidget(m_watermarks);
    stack->addWidget(new Divider(Qt::Horizontal, controls));
    m_retouch = new OrdersRetouchPicker(store, screen, controls);
    stack->addWidget(m_retouch);
    stack->addWidget(new Divider(Qt::Horizontal, controls));
    m_files = new OrdersFilesPanel(screen, controls);
    stack->addWidget(m_files);
    column->addWidget(controls);

    // Progress of a batch retouch, and of a watermark batch in the same style: the text, then how many
    // photos are done out of how many, over a bar of the same.
    auto progressLine
        = [&](const QString& objectName, const QString& text, QProgressBar*& bar, QLabel*& count) {
              auto* line = new QWidget(this);
              line->setObjectName(objectName);
              auto* stack = new QVBoxLayout(line);
              stack->setContentsMargins(16, 0, 16, 4);
              stack->setSpacing(3);
              auto* row = new QHBoxLayout;
              row->setSpacing(8);
              row->addWidget(new ToneLabel(text, Tone::secondary, Fonts::font(Fonts::Style::callout), line));
              row->addStretch(1);
              count = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout), line);
              count->setObjectName(objectName + QStringLiteral("Count"));
              row->addWidget(count);
              stack->addLayout(row);
              bar = new QProgressBar(line);
              bar->setObjectName(objectName + QStringLiteral("Bar"));
              bar->setTextVisible(false);
              bar->setFixedHeight(6);
              bar->setRange(0, 1);
              stack->addWidget(bar);
              column->addWidget(line);
              return line;
          };
    m_progress = progressLine(QStringLiteral("retouchProgress"), QStringLiteral("Retouche en cours…"),
        m_retouchBar, m_retouchCount);
    m_watermarkProgress = progressLine(QStringLiteral("watermarkProgress"),
        QStringLiteral("Filigrane en cours…"), m_watermarkBar, m_watermarkCount);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("ordersError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setFont(Fonts::font(Fonts::Style::callout));
    m_error->setContentsMargins(16, 0, 16, 0);
    column->addWidget(m_error);

    auto* searchHolder = new QWidget(this);
    auto* searchRow = new QHBoxLayout(searchHolder);
    searchRow->setContentsMargins(12, 0, 12, 8);
    m_search = new OrdersSearchField(searchHolder);
    searchRow->addWidget(m_search);
    column->addWidget(searchHolder);
    connect(m_search, &OrdersSearchField::textChanged, this,
        [this](const QString& text) { m_screen.setFolderQuery(text); });

    m_message = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::body), this);
    m_message->setObjectName(QStringLiteral("folderListMessage"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setContentsMargins(18, 6, 18, 6);
    column->addWidget(m_message);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("folderList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);
    m_list->setIconSize(QSize(16, 16));
    m_list->setAutoFillBackground(false);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setContentsMargins(8, 0, 8, 8);
    column->addWidget(m_list, 1);
    // Through the folder selection: the store selects, saves and lists the order.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_filling)
            return;
        const QList<QListWidgetItem*> picked = m_list->selectedItems();
        if (picked.isEmpty())
            return;
        m_screen.selectFolder(picked.first()->data(kPathRole).toString());
    });

    connect(&store, &OrdersStore::rootNameChanged, this, [this] {
        refreshRoot();
        refreshList();
    });
    connect(&store, &OrdersStore::foldersChanged, this, &OrdersFolderColumn::refreshList);
    connect(&store, &OrdersStore::selectedFolderIDChanged, this, &OrdersFolderColumn::refreshListSelection);
    connect(&store, &OrdersStore::isRetouchingChanged, this, &OrdersFolderColumn::refreshProgress);
    connect(&store, &OrdersStore::isWatermarkingChanged, this, &OrdersFolderColumn::refreshProgress);
    connect(&store, &OrdersStore::batchProgressChanged, this, &OrdersFolderColumn::refreshProgress);
    connect(&store, &OrdersStore::errorMessageChanged, this, &OrdersFolderColumn::refreshError);
    connect(&screen, &OrdersScreen::folderQueryChanged, this, [this] {
        m_search->setText(m_screen.folderQuery());
        refreshList();
    });
    refreshRoot();
    refreshList();
    refreshProgress();
    refreshError();
    QEvent palette(QEvent::PaletteChange);
    changeEvent(&palette);
}

QSize OrdersFolderColumn::minimumSizeHint() const
{
    return QSize(minimumWidth, QWidget::minimumSizeHint().height());
}

QSize OrdersFolderColumn::sizeHint() const
{
    // The ideal width, or what the files panel's buttons need to show their titles whole (within the
    // maximum): the panel's row is the column's widest.
    const int needed = m_files->actionsRow()->sizeHint().width() + 2 * 14;
    return QSize(std::clamp(needed, idealWidth, maximumWidth), QWidget::sizeHint().height());
}

void OrdersFolderColumn::pickRoot()
{
    if (const auto folder = PanelPresenter::shared().pickFolder(
            QStringLiteral("Dossier des commandes"), QStringLiteral("Choisir")))
        m_store.storeRoot(*folder);
}

void OrdersFolderColumn::refreshRoot()
{
    const auto& root = m_store.rootName();
    m_rootButton->setText(root ? QStringLiteral("Changer") : QStringLiteral("Choisir"));
    m_rootButton->updateGeometry();
    m_rootValue->setValue(root.value_or(QStringLiteral("Dossier contenant les commandes")));
}

void OrdersFolderColumn::refreshList()
{
    const QList<OrderFolder> filtered = m_screen.filteredFolders();
    const auto message = OrdersScreenText::folderListMessage(
        m_store.rootName(), m_store.folders(), filtered, m_screen.folderQuery());
    m_message->setVisible(bool(message));
    m_message->setText(message.value_or(QString()));
    m_filling = true;
    m_list->clear();
    if (!message) {
        const QIcon folder = Symbols::icon(QStringLiteral("folder"), Theme::accent(Theme::isDark(this)));
        for (const OrderFolder& f : filtered) {
            auto* item = new QListWidgetItem(folder, f.name, m_list);
            item->setData(kPathRole, f.url);
        }
    }
    m_filling = false;
    refreshListSelection();
}

void OrdersFolderColumn::refreshListSelection()
{
    const auto& selected = m_store.selectedFolderID();
    m_filling = true;
    m_list->clearSelection();
    // A selected folder that the search hides stays selected in the store; the list shows no row.
    if (selected)
        for (int i = 0; i < m_list->count(); ++i)
            if (m_list->item(i)->data(kPathRole).toString() == *selected) {
                m_list->item(i)->setSelected(true);
                m_list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
                break;
            }
    m_filling = false;
}

void OrdersFolderColumn::refreshProgress()
{
    auto show = [](const OrdersStore::BatchProgress& progress, QProgressBar* bar, QLabel* count) {
        bar->setRange(0, std::max(progress.total, 1));
        bar->setValue(std::min(progress.done, std::max(progress.total, 1)));
        count->setText(QStringLiteral("%1 / %2").arg(progress.done).arg(progress.total));
    };
    show(m_store.retouchProgress(), m_retouchBar, m_retouchCount);
    show(m_store.watermarkProgress(), m_watermarkBar, m_watermarkCount);
    m_progress->setVisible(m_store.isRetouching());
    m_watermarkProgress->setVisible(m_store.isWatermarking());
}

void OrdersFolderColumn::refreshError()
{
    const auto& message = m_store.errorMessage();
    m_error->setVisible(bool(message));
    m_error->setText(message.value_or(QString()));
    m_error->setToolTip(m_store.errorDetails());
}

void OrdersFolderColumn::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        const bool dark = Theme::isDark(this);
        QPalette p = m_error->palette();
        p.setColor(QPalette::WindowText, Theme::red(dark));
        m_error->setPalette(p);
        // The sidebar's selection: the accent tint under the label's own colour, in either scheme.
        const QColor tint = Theme::withOpacity(Theme::accent(dark), dark ? 0.38 : 0.22);
        const QColor text = Theme::primary(dark);
        m_list->setStyleSheet(
            QStringLiteral("QListWidget { background: transparent; }"
                           "QListWidget::item { padding: 3px 6px; border-radius: 6px; color: %1; }"
                           "QListWidget::item:selected { background: rgba(%2, %3, %4, %5); color: %1; }")
                .arg(text.name(QColor::HexArgb))
                .arg(tint.red())
                .arg(tint.green())
                .arg(tint.blue())
                .arg(tint.alpha()));
    }
    QWidget::changeEvent(event);
}

void OrdersFolderColumn::paintEvent(QPaintEvent*)
{
    // A thin material over the backdrop, with a hairline towards the detail, as in the other workspaces.
    QPainter p(this);
    const bool dark = Theme::isDark(this);
    p.fillRect(rect(), dark ? QColor(0, 0, 0, 46) : QColor(255, 255, 255, 84));
    p.fillRect(QRect(width() - 1, 0, 1, height()), dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 22));
}

} // namespace quavel
