#include "orders/views/OrderDetailHeader.h"

#include "orders/OrdersGalleryLayout.h"
#include "orders/OrdersScreen.h"
#include "orders/OrdersScreenText.h"
#include "orders/OrdersStore.h"
#include "ui/CapsuleMenu.h"
#include "ui/LinkedGroup.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace quavel {

namespace {

class SealMark : public QWidget
{
public:
    explicit SealMark(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(14, 14);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Symbols::paint(p, QRectF(rect()), QStringLiteral("seal"), Theme::secondary(Theme::isDark(this)));
    }
};

constexpr int kPickerMinimumWidth = 118;
const char* const kPickerHelp = "Changer l’organisation des photos";

} // namespace

OrderDetailHeader::OrderDetailHeader(OrdersStore& store, OrdersScreen& screen, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_screen(screen)
{
    setObjectName(QStringLiteral("orderHeader"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(10);
    m_name = new ToneLabel(QString(), Tone::primary, Fonts::system(26, QFont::DemiBold), this);
    m_name->setObjectName(QStringLiteral("orderName"));
    texts->addWidget(m_name);
    m_summary = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::body), this);
    m_summary->setObjectName(QStringLiteral("summaryLine"));
    texts->addWidget(m_summary);
    auto* mark = new QHBoxLayout;
    mark->setSpacing(10);
    mark->addWidget(new SealMark(this));
    m_watermark = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout), this);
    m_watermark->setObjectName(QStringLiteral("watermarkInUse"));
    mark->addWidget(m_watermark);
    mark->addStretch(1);
    texts->addLayout(mark);
    row->addLayout(texts, 1);
    row->addSpacing(12);

    m_picker = new CapsuleMenu(QString(), QString(), 160, this);
    m_picker->setObjectName(QStringLiteral("viewPicker"));
    m_picker->setMinimumWidth(kPickerMinimumWidth);
    auto* choices = new QActionGroup(m_picker);
    for (OrdersGalleryLayout layout : OrdersGalleryLayouts::allCases()) {
        QAction* action = m_picker->items()->addAction(
            Symbols::icon(OrdersGalleryLayouts::symbol(layout)), OrdersGalleryLayouts::title(layout));
        action->setCheckable(true);
        action->setData(OrdersGalleryLayouts::rawValue(layout));
        choices->addAction(action);
        connect(action, &QAction::triggered, this, [this, layout] { m_screen.setGalleryLayout(layout); });
    }
    row->addWidget(
        new LinkedGroup(m_picker, new LinkedLabel(QStringLiteral("Vue")), false, this), 0, Qt::AlignTop);

    connect(&store, &OrdersStore::watermarksChanged, this, &OrderDetailHeader::refresh);
    connect(&store, &OrdersStore::selectedWatermarkIDChanged, this, &OrderDetailHeader::refresh);
    connect(&store, &OrdersStore::sectionsChanged, this, &OrderDetailHeader::refresh);
    connect(&screen, &OrdersScreen::selectionChanged, this, &OrderDetailHeader::refresh);
    connect(&screen, &OrdersScreen::galleryLayoutChanged, this, &OrderDetailHeader::refresh);
    refresh();
}

void OrderDetailHeader::setFolderName(const QString& name)
{
    m_name->setText(name);
}

void OrderDetailHeader::refresh()
{
    const OrdersStore& store = m_store;
    const OrdersScreen& screen = m_screen;
    m_summary->setText(OrdersScreenText::summaryLine(
        store.sections(), screen.allFiles().size(), screen.selection().count()));
    m_watermark->setText(OrdersScreenText::headerWatermark(store.watermarks(), store.selectedWatermarkID()));
    const OrdersGalleryLayout shown = screen.galleryLayout();
    m_picker->setTitle(OrdersGalleryLayouts::title(shown));
    m_picker->setSymbol(OrdersGalleryLayouts::symbol(shown));
    m_picker->setToolTip(QString::fromUtf8(kPickerHelp));
    for (QAction* action : m_picker->items()->actions())
        action->setChecked(action->data().toString() == OrdersGalleryLayouts::rawValue(shown));
}

} // namespace quavel
