#include "shell/Sidebar.h"

#include "library/LibraryStore.h"
#include "shell/ClampedLabel.h"
#include "shell/DeviceSyncPanel.h"
#include "shell/HistoryPanel.h"
#include "shell/NamePrompt.h"
#include "shell/RootController.h"
#include "shell/SyncBadge.h"
#include "shell/SyncStatusSource.h"
#include "shell/WorkspaceSource.h"
#include "ui/Backdrop.h"
#include "ui/CapsuleButton.h"
#include "ui/SymbolButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

namespace quavel {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;

// The sidebar's material over the backdrop, and a selected row's accent over it.
QColor sidebarFill(bool dark)
{
    return dark ? QColor(0, 0, 0, 46) : QColor(255, 255, 255, 84);
}

QColor selectionTint(bool dark)
{
    return Theme::withOpacity(Theme::accent(dark), dark ? 0.38 : 0.24);
}

// What the texts of a selected row stand on, at worst.
QColor selectedRowGround(bool dark)
{
    return Theme::over(selectionTint(dark), Theme::over(sidebarFill(dark), Backdrop::leastContrasting(dark)));
}

// A row or header widget whose context menu is built by the sidebar for its record.
class MenuHost : public QWidget
{
public:
    MenuHost(std::function<QMenu*(QWidget*)> menu, QWidget* parent)
        : QWidget(parent)
        , m_menu(std::move(menu))
    {
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    // A selected spreadsheet row is tinted with the accent, like a selected capsule.
    void paintEvent(QPaintEvent*) override
    {
        if (!property("rowSelected").toBool())
            return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Theme::isDark(this);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(6, 1, -6, -1), 7, 7);
        p.fillPath(path, selectionTint(dark));
    }

    // A press of any other button than the left one belongs to the menu: the list under the row would
    // select the row with it, and a right click would change the spreadsheet in the editor.
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            QWidget::mousePressEvent(event);
        else
            event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            QWidget::mouseReleaseEvent(event);
        else
            event->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            QWidget::mouseDoubleClickEvent(event);
        else
            event->accept();
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        QMenu* menu = m_menu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    }

private:
    std::function<QMenu*(QWidget*)> m_menu;
};

class SymbolView : public QWidget
{
public:
    SymbolView(const QString& symbol, int pixels, Tone tone, QWidget* parent)
        : QWidget(parent)
        , m_symbol(symbol)
        , m_tone(tone)
    {
        setFixedSize(pixels, pixels);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const bool dark = Theme::isDark(this);
        const QColor c = m_tone == Tone::secondary ? Theme::secondary(dark) : Theme::accent(dark);
        Symbols::paint(p, rect(), m_symbol, c);
    }

private:
    QString m_symbol;
    Tone m_tone;
};

// Every row is a widget that paints itself: the list draws nothing under it (no selection, no focus frame).
class RowWidgetDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter*, const QStyleOptionViewItem&, const QModelIndex&) const override { }
};

// A flat text button in the accent colour of the scheme shown, like a link.
class LinkButton : public QPushButton
{
public:
    LinkButton(const QString& title, QWidget* parent)
        : QPushButton(title, parent)
    {
        setFlat(true);
        setCursor(Qt::PointingHandCursor);
        applyAccent();
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QPushButton::changeEvent(event);
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
            applyAccent();
    }

private:
    void applyAccent()
    {
        // Setting the palette sends another palette change; the flag keeps that from recursing.
        if (m_applying)
            return;
        m_applying = true;
        QPalette link = palette();
        link.setColor(QPalette::ButtonText, Theme::accent(Theme::isDark(this)));
        setPalette(link);
        m_applying = false;
    }

    bool m_applying = false;
};

QString photoCount(qsizetype n)
{
    return QString::number(n) + QStringLiteral(" photo") + (n > 1 ? QStringLiteral("s") : QString());
}

} // namespace

Sidebar::Sidebar(LibraryStore& store, SyncStatusSource& sync, WorkspaceSource* workspace,
    RootController& root, UserDefaults& defaults, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_sync(sync)
    , m_workspace(workspace)
    , m_root(root)
    , m_stack(new QStackedWidget(this))
    , m_list(new QTreeWidget(this))
    , m_addMenu(new QMenu(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Top bar, at the small control size.
    auto* top = new QWidget(this);
    Capsule::setControlSize(top, ControlSize::small);
    auto* bar = new QHBoxLayout(top);
    bar->setContentsMargins(12, 8, 12, 8);
    bar->setSpacing(8);
    auto* add = new CapsuleButton(QString(), QStringLiteral("plus"), CapsuleKind::icon, top);
    add->setObjectName(QStringLiteral("addMenuButton"));
    add->setToolTip(QStringLiteral("Ajouter un jour ou un tableur"));
    add->setMenu(m_addMenu);
    addMenuItem(m_addMenu, QStringLiteral("Nouveau jour"), QStringLiteral("calendar.badge.plus"),
        [this] { m_root.openNewDayPrompt(); });
    addMenuItem(m_addMenu, QStringLiteral("Nouveau tableur"), QStringLiteral("plus"),
        [this] { m_root.openNewSpreadsheetPrompt(m_root.selectedDayID()); });
    bar->addWidget(add);
    auto* restart = new CapsuleButton(QStringLiteral("Relancer la synchro"),
        QStringLiteral("arrow.triangle.2.circlepath"), CapsuleKind::glass, top);
    restart->setObjectName(QStringLiteral("restartSync"));
    restart->setToolTip(QStringLiteral("Relancer la synchro avec iPhone ou Android"));
    connect(restart, &QAbstractButton::clicked, this, [this] { m_sync.restart(); });
    bar->addWidget(restart);
    bar->addStretch(1);
    column->addWidget(top);

    // The list, or its placeholder when there is no day.
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setIndentation(0);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFocusPolicy(Qt::StrongFocus);
    m_list->setAutoFillBackground(false);
    m_list->viewport()->setAutoFillBackground(false);
    // The rows draw their own selection; the list itself stays clear over the backdrop. No style sheet:
    // the labels under one would miss the palette change of a new appearance.
    QPalette clear = m_list->palette();
    for (auto role : { QPalette::Base, QPalette::AlternateBase, QPalette::Highlight })
        clear.setColor(role, Qt::transparent);
    m_list->setPalette(clear);
    m_list->setItemDelegate(new RowWidgetDelegate(m_list));
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &Sidebar::onListSelection);
    m_stack->addWidget(m_list);

    auto* placeholder = new QWidget(this);
    placeholder->setObjectName(QStringLiteral("noDayPlaceholder"));
    auto* pc = new QVBoxLayout(placeholder);
    pc->setContentsMargins(20, 20, 20, 20);
    pc->setSpacing(8);
    pc->addStretch(1);
    auto* icon = new SymbolView(QStringLiteral("calendar"), 30, Tone::secondary, placeholder);
    pc->addWidget(icon, 0, Qt::AlignHCenter);
    auto* none = new ToneLabel(
        QStringLiteral("Aucun jour"), Tone::primary, Fonts::font(Fonts::Style::headline), placeholder);
    none->setAlignment(Qt::AlignHCenter);
    pc->addWidget(none);
    auto* hint = new ToneLabel(
        QStringLiteral("Créez un jour, puis un tableur, ou synchronisez depuis iPhone ou Android "
                       "(Wi\u2011Fi ou Wi\u2011Fi Direct)."),
        Tone::secondary, Fonts::font(Fonts::Style::callout), placeholder);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignHCenter);
    pc->addWidget(hint);
    auto* newDay = new LinkButton(QStringLiteral("Nouveau jour"), placeholder);
    newDay->setObjectName(QStringLiteral("placeholderNewDay"));
    connect(newDay, &QPushButton::clicked, this, [this] { m_root.openNewDayPrompt(); });
    pc->addWidget(newDay, 0, Qt::AlignHCenter);
    pc->addStretch(2);
    m_stack->addWidget(placeholder);
    column->addWidget(m_stack, 1);

    // Bottom area.
    auto* bottom = new QWidget(this);
    auto* bc = new QVBoxLayout(bottom);
    bc->setContentsMargins(12, 12, 12, 12);
    bc->setSpacing(8);
    m_history = new HistoryPanel(workspace, store, defaults, bottom);
    bc->addWidget(m_history);
    m_picker = new NearbyDevicePicker(sync, bottom);
    bc->addWidget(m_picker);
    m_badge = new SyncBadge(bottom);
    m_badge->follow(&sync);
    bc->addWidget(m_badge);
    column->addWidget(bottom);

    connect(&store, &LibraryStore::snapshotChanged, this, &Sidebar::rebuild);
    if (workspace)
        connect(workspace, &WorkspaceSource::settingsChanged, this, &Sidebar::rebuild);
    connect(&root, &RootController::selectionChanged, this, &Sidebar::syncSelectionToList);
    rebuild();
}

void Sidebar::paintEvent(QPaintEvent*)
{
    // The column lies on a thin material over the backdrop, with a hairline towards the detail.
    QPainter p(this);
    const bool dark = Theme::isDark(this);
    p.fillRect(rect(), sidebarFill(dark));
    p.fillRect(QRect(width() - 1, 0, 1, height()), dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 22));
}

bool Sidebar::showsPlaceholder() const
{
    return m_stack->currentIndex() == 1;
}

QTreeWidgetItem* Sidebar::itemFor(const QUuid& spreadsheetID) const
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* day = m_list->topLevelItem(i);
        for (int j = 0; j < day->childCount(); ++j)
            if (day->child(j)->data(0, kIdRole).toUuid() == spreadsheetID)
                return day->child(j);
    }
    return nullptr;
}

void Sidebar::rebuild()
{
    m_rebuilding = true;
    const LibrarySnapshot& snapshot = m_store.snapshot();
    const QList<DayRecord> days = snapshot.sortedDays();
    // Any change of the library rebuilds the list (a row typed in the editor, a library from a phone):
    // the list stays where the user scrolled it.
    const int scroll = m_list->verticalScrollBar()->value();
    m_list->clear();
    m_stack->setCurrentIndex(days.isEmpty() ? 1 : 0);
    for (const DayRecord& day : days) {
        auto* dayItem = new QTreeWidgetItem(m_list);
        dayItem->setFlags(Qt::ItemIsEnabled);
        dayItem->setData(0, kIdRole, day.id);
        m_list->setItemWidget(dayItem, 0, dayHeader(day.id, day.name));
        const QList<SpreadsheetRecord> sheets = snapshot.spreadsheetsIn(day.id);
        if (sheets.isEmpty()) {
            auto* empty = new QTreeWidgetItem(dayItem);
            empty->setFlags(Qt::ItemIsEnabled);
            const QUuid dayID = day.id;
            auto* host = new MenuHost(
                [this, dayID](QWidget* parent) { return emptyDayMenu(dayID, parent); }, m_list);
            auto* line = new QHBoxLayout(host);
            line->setContentsMargins(22, 4, 14, 4);
            line->addWidget(new ToneLabel(
                QStringLiteral("Aucun tableur"), Tone::tertiary, Fonts::font(Fonts::Style::body), host));
            m_list->setItemWidget(empty, 0, host);
        }
        for (const SpreadsheetRecord& sheet : sheets) {
            auto* item = new QTreeWidgetItem(dayItem);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setData(0, kIdRole, sheet.id);
            QWidget* row = spreadsheetRow(sheet.id);
            item->setSizeHint(0, row->sizeHint());
            m_list->setItemWidget(item, 0, row);
        }
        dayItem->setExpanded(true);
    }
    m_list->doItemsLayout();
    m_list->verticalScrollBar()->setValue(scroll);
    m_rebuilding = false;
    syncSelectionToList();
}

QWidget* Sidebar::dayHeader(const QUuid& dayID, const QString& name)
{
    auto* host = new MenuHost([this, dayID](QWidget* parent) { return dayMenu(dayID, parent); }, m_list);
    host->setObjectName(QStringLiteral("dayHeader"));
    auto* line = new QHBoxLayout(host);
    line->setContentsMargins(14, 10, 14, 2);
    line->setSpacing(6);
    auto* title = new ClampedLabel(
        name, Tone::secondary, Fonts::font(Fonts::Style::caption, QFont::DemiBold), 1, host);
    title->setObjectName(QStringLiteral("dayName"));
    line->addWidget(title, 1);
    auto* add = new CapsuleButton(QString(), QStringLiteral("plus"), CapsuleKind::tinyIcon, host);
    add->setObjectName(QStringLiteral("dayAddSpreadsheet"));
    add->setToolTip(QStringLiteral("Nouveau tableur dans ") + name);
    connect(add, &QAbstractButton::clicked, this, [this, dayID] { m_root.openNewSpreadsheetPrompt(dayID); });
    line->addWidget(add);
    return host;
}

QWidget* Sidebar::spreadsheetRow(const QUuid& spreadsheetID)
{
    const auto sheet = m_store.snapshot().spreadsheet(spreadsheetID);
    auto* host = new MenuHost(
        [this, spreadsheetID](QWidget* parent) { return spreadsheetMenu(spreadsheetID, parent); }, m_list);
    host->setObjectName(QStringLiteral("spreadsheetRow"));
    host->setProperty("spreadsheetID", spreadsheetID);
    auto* line = new QHBoxLayout(host);
    line->setContentsMargins(22, 5, 14, 5);
    line->setSpacing(8);
    line->addWidget(
        new SymbolView(sheet && sheet->isOpen ? QStringLiteral("tablecells") : QStringLiteral("tray"), 16,
            Tone::primary, host),
        0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    // A long title is cut with an ellipsis: the done mark keeps its place at the end of the row.
    auto* title = new ClampedLabel(
        sheet ? sheet->title : QString(), Tone::primary, Fonts::font(Fonts::Style::body), 1, host);
    title->setObjectName(QStringLiteral("spreadsheetTitle"));
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    texts->addWidget(title);
    auto* count = new ToneLabel(photoCount(sheet ? sheet->filledRowCount() : 0), Tone::secondary,
        Fonts::font(Fonts::Style::caption), host);
    count->setObjectName(QStringLiteral("spreadsheetCount"));
    count->setAttribute(Qt::WA_TransparentForMouseEvents);
    texts->addWidget(count);
    line->addLayout(texts, 1);
    if (m_workspace) {
        const bool done = m_workspace->isCompleted(spreadsheetID);
        auto* mark = new SymbolButton(
            done ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"), 16, host);
        mark->setObjectName(QStringLiteral("doneMark"));
        // Not done: the secondary colour at opacity 0.35, so the ring stays visible on the sidebar.
        if (done)
            mark->setSymbolColor(&Theme::green);
        else
            mark->setSymbolColor([](bool dark) {
                QColor c = Theme::secondary(dark);
                c.setAlphaF(0.35f);
                return c;
            });
        mark->setToolTip(done ? QStringLiteral("Fait — cliquer pour marquer à faire")
                              : QStringLiteral("Marquer comme fait"));
        connect(mark, &QAbstractButton::clicked, this, [this, spreadsheetID] { toggleDone(spreadsheetID); });
        line->addWidget(mark, 0, Qt::AlignVCenter);
    }
    // A press on the row (not on its mark) selects the spreadsheet, as a press on the list item would.
    host->installEventFilter(this);
    return host;
}

bool Sidebar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const QVariant id = watched->property("spreadsheetID");
        if (id.isValid())
            m_root.setSelectedSpreadsheetID(id.toUuid());
    }
    return QWidget::eventFilter(watched, event);
}

void Sidebar::syncSelectionToList()
{
    if (m_rebuilding)
        return;
    m_rebuilding = true;
    const auto selected = m_root.selectedSpreadsheetID();
    QTreeWidgetItem* item = selected ? itemFor(*selected) : nullptr;
    m_list->clearSelection();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* day = m_list->topLevelItem(i);
        for (int j = 0; j < day->childCount(); ++j)
            if (QWidget* row = m_list->itemWidget(day->child(j), 0)) {
                const bool rowSelected = day->child(j) == item;
                row->setProperty("rowSelected", rowSelected);
                // On the accent of the selection every text of the row stays readable.
                for (auto* label : row->findChildren<ToneLabel*>())
                    label->setGround(rowSelected ? &selectedRowGround : nullptr);
                row->update();
            }
    }
    if (item) {
        item->setSelected(true);
        // Brought into view when it becomes the selection, not again at every rebuild of the list.
        if (selected != m_revealedSpreadsheet)
            m_list->scrollToItem(item);
        m_revealedSpreadsheet = selected;
    }
    m_rebuilding = false;
}

void Sidebar::onListSelection()
{
    if (m_rebuilding)
        return;
    const auto items = m_list->selectedItems();
    if (items.isEmpty())
        return;
    m_root.setSelectedSpreadsheetID(items.first()->data(0, kIdRole).toUuid());
}

} // namespace quavel
