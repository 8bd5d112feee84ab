// WorkspaceView: the compact bar, the notice line and the line menu.
#include "workspace/views/WorkspaceView.h"

#include "library/LibraryStore.h"
#include "ui/CapsuleButton.h"
#include "ui/CapsuleMenu.h"
#include "ui/LinkedGroup.h"
#include "ui/PickButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"
#include "workspace/OrganizerRun.h"
#include "workspace/PreviewRows.h"
#include "workspace/views/IssueLabel.h"
#include "workspace/views/LegendBox.h"
#include "workspace/views/LegendDot.h"
#include "workspace/views/PreviewTableModel.h"
#include "workspace/views/PreviewTableView.h"
#include "workspace/views/ProgrammePick.h"
#include "workspace/views/RunProgress.h"
#include "workspace/views/SummaryLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace quavel {

namespace {

// A linked group that gives up width (its value is cut in the middle) when the bar is narrow.
LinkedGroup* shrinking(LinkedGroup* group)
{
    group->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return group;
}

QHBoxLayout* barRow(QVBoxLayout* bar)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    bar->addLayout(row);
    return row;
}

} // namespace

void WorkspaceView::buildBar()
{
    auto* screen = new QVBoxLayout(this);
    screen->setContentsMargins(0, 0, 0, 0);
    screen->setSpacing(0);

    auto* bar = new QVBoxLayout;
    bar->setContentsMargins(16, 10, 16, 10);
    bar->setSpacing(8);
    screen->addLayout(bar);

    // Row 1: programme, photo folder, destination, issues, run.
    QHBoxLayout* first = barRow(bar);
    m_programmePick = new ProgrammePick(160, false, this);
    m_programmePick->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    first->addWidget(m_programmePick);
    connect(m_programmePick, &ProgrammePick::importRequested, this, &WorkspaceView::importProgramme);

    auto folderPick = [&](const QString& title, WorkspaceStore::FolderKind kind, const QString& name) {
        auto* button = new PickButton(QStringLiteral("Choisir"), QStringLiteral("folder"), false, this);
        button->setObjectName(name + QStringLiteral("Button"));
        auto* value = new LinkedValue(title, QString(), 160, this);
        value->setObjectName(name + QStringLiteral("Value"));
        first->addWidget(shrinking(new LinkedGroup(button, value, false, this)));
        connect(button, &QAbstractButton::clicked, this, [this, kind] { importFolder(kind); });
        return value;
    };
    m_sourceValue
        = folderPick(QStringLiteral("Photos"), WorkspaceStore::FolderKind::source, QStringLiteral("source"));
    m_destinationValue = folderPick(QStringLiteral("Destination"), WorkspaceStore::FolderKind::destination,
        QStringLiteral("destination"));
    first->addStretch(1);
    m_issueLabel = new IssueLabel(this);
    m_issueLabel->setObjectName(QStringLiteral("issueLabel"));
    first->addWidget(m_issueLabel);
    m_runButton = new CapsuleButton(QStringLiteral("Organiser"), QStringLiteral("rectangle.stack.badge.plus"),
        CapsuleKind::prominent, this);
    m_runButton->setObjectName(QStringLiteral("runButton"));
    // "Organiser" stays whole; the longer running title gives way on a narrow bar (the progress line
    // under the bar says it in full) rather than widen the window during a run.
    m_runButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_runButton->setMinimumWidth(m_runButton->sizeHint().width());
    first->addWidget(m_runButton);
    connect(m_runButton, &QAbstractButton::clicked, this, &WorkspaceView::runOrganizer);

    // Row 2: day, class, summary, legend and the row button.
    m_secondRow = barRow(bar);
    m_dayMenu = new CapsuleMenu(QString(), QStringLiteral("Choisir un jour"), 200, this);
    m_dayMenu->setObjectName(QStringLiteral("dayMenu"));
    // On a narrow bar the menus keep enough of their titles to be read.
    m_dayMenu->setMinimumWidth(92);
    m_dayGroup = shrinking(new LinkedGroup(m_dayMenu, new LinkedLabel(QStringLiteral("Jour")), false, this));
    m_secondRow->addWidget(m_dayGroup);
    m_eventMenu = new CapsuleMenu(QString(), QStringLiteral("Choisir un jour"), 240, this);
    m_eventMenu->setObjectName(QStringLiteral("eventMenu"));
    m_eventMenu->setMinimumWidth(130);
    m_eventGroup
        = shrinking(new LinkedGroup(m_eventMenu, new LinkedLabel(QStringLiteral("Épreuve")), false, this));
    m_secondRow->addWidget(m_eventGroup);
    connect(m_dayMenu->items(), &QMenu::aboutToShow, this, &WorkspaceView::fillDayMenu);
    connect(m_eventMenu->items(), &QMenu::aboutToShow, this, &WorkspaceView::fillEventMenu);
    m_summary = new SummaryLabel(Tone::secondary, Fonts::font(Fonts::Style::caption), this);
    m_summary->setObjectName(QStringLiteral("summaryLine"));
    m_secondRow->addWidget(m_summary);
    m_secondRow->addStretch(1);
    m_secondRow->addSpacing(8);
    m_legendRow = new QWidget(this);
    auto* legendRow = new QHBoxLayout(m_legendRow);
    legendRow->setContentsMargins(0, 0, 0, 0);
    legendRow->setSpacing(8);
    m_legend = new LegendBox(m_legendRow);
    m_legend->setObjectName(QStringLiteral("legend"));
    m_legend->addEntry(new LegendDot(&Theme::red, 0.85, QStringLiteral("Sans correspondance"), m_legend));
    m_legend->addEntry(new LegendDot(&Theme::orange, 1.0, QStringLiteral("Doublon"), m_legend));
    legendRow->addWidget(m_legend);
    auto* addRow = new CapsuleButton(
        QStringLiteral("Ajouter une ligne"), QStringLiteral("plus"), CapsuleKind::glass, m_legendRow);
    addRow->setObjectName(QStringLiteral("addRowButton"));
    addRow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    legendRow->addWidget(addRow);
    m_legendRow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_secondRow->addWidget(m_legendRow);
    connect(addRow, &QAbstractButton::clicked, this, [this] { m_library.addRow(m_spreadsheet.id); });
    // The summary's line of its own, under the menus, for when it cannot stand beside them.
    m_summaryRow = new QHBoxLayout;
    m_summaryRow->setContentsMargins(2, 0, 0, 0);
    bar->addLayout(m_summaryRow);

    m_progress = new RunProgress(this);
    m_progress->setObjectName(QStringLiteral("runProgress"));
    m_progress->setContentsMargins(16, 0, 16, 8);
    m_progress->hide();
    screen->addWidget(m_progress);

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setFont(Fonts::font(Fonts::Style::caption));
    m_notice->setWordWrap(true);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_notice->setContentsMargins(16, 0, 16, 6);
    m_notice->hide();
    screen->addWidget(m_notice);

    auto* tableArea = new QVBoxLayout;
    tableArea->setContentsMargins(16, 0, 16, 16);
    m_table->setMinimumHeight(220);
    tableArea->addWidget(m_table);
    screen->addLayout(tableArea, 1);
    changeEvent(nullptr);
}

void WorkspaceView::changeEvent(QEvent* event)
{
    if (event)
        QWidget::changeEvent(event);
    if (!event || event->type() == QEvent::PaletteChange) {
        QPalette palette = m_notice->palette();
        palette.setColor(QPalette::WindowText, Theme::red(Theme::isDark(this)));
        m_notice->setPalette(palette);
    }
}

bool WorkspaceView::canRun() const
{
    const SpreadsheetMacSettings settings = m_workspace.settings(m_spreadsheet.id);
    return settings.sourceBookmark && settings.destinationBookmark
        && m_workspace.selectedEvent(m_spreadsheet.id).has_value() && !m_groups.isEmpty();
}

std::optional<QString> WorkspaceView::selectedEventTitle() const
{
    if (const auto event = m_workspace.selectedEvent(m_spreadsheet.id))
        return event->title;
    const auto id = m_workspace.settings(m_spreadsheet.id).selectedEventID;
    if (!id)
        return std::nullopt;
    const QStringList pieces = id->split(u'|', Qt::SkipEmptyParts);
    return pieces.isEmpty() ? *id : pieces.last();
}

QString WorkspaceView::summaryLine() const
{
    const auto event = m_workspace.selectedEvent(m_spreadsheet.id);
    return PreviewRows::summaryLine(m_workspace.programme().has_value(),
        m_workspace.settings(m_spreadsheet.id).selectedEventID.has_value(),
        event ? int(event->people.size()) : 0, rowsForTable());
}

void WorkspaceView::refreshBar()
{
    if (!m_runButton)
        return;
    const SpreadsheetMacSettings settings = m_workspace.settings(m_spreadsheet.id);
    const auto& programme = m_workspace.programme();
    const bool hasDays = programme && !programme->days.isEmpty();

    m_programmePick->showProgramme(programme.has_value(),
        m_workspace.programmeName().value_or(QStringLiteral("PDF / Excel / page web")));
    m_sourceValue->setValue(settings.sourceName.value_or(QStringLiteral("Dossier source")));
    m_destinationValue->setValue(settings.destinationName.value_or(QStringLiteral("Dossier destination")));

    const QList<PreviewRow>& rows = rowsForTable();
    const int issues = PreviewRows::issueCount(rows);
    m_issueLabel->setIssues(issues, PreviewRows::issueHelp(rows));
    m_issueLabel->setVisible(issues >= 1);

    m_runButton->setText(m_isRunning ? QStringLiteral("Organisation…") : QStringLiteral("Organiser"));
    if (m_run)
        m_progress->setProgress(m_run->done(), m_run->total());
    m_progress->setVisible(m_isRunning);
    m_runButton->setEnabled(canRun() && !m_isRunning);

    m_dayMenu->setTitle(settings.selectedDayName.value_or(QString()));
    m_dayMenu->setEnabled(hasDays);
    m_eventMenu->setTitle(selectedEventTitle().value_or(QString()));
    m_eventMenu->setPlaceholder(
        hasDays ? QStringLiteral("Choisir une épreuve") : QStringLiteral("Choisir un jour"));
    m_eventMenu->setEnabled(!m_workspace.events(settings.selectedDayName).isEmpty());
    m_summary->setFullText(summaryLine());
    placeSummary();
}

void WorkspaceView::placeSummary()
{
    if (!m_summary)
        return;
    // The menus keep their titles whole first, then the summary stands beside them (on two lines at
    // most), then the legend's entries stand side by side. What cannot stand beside the menus goes:
    // the legend's entries one over the other, the summary to a line of its own under them. The slack
    // keeps a rounding in the layout from taking width from the menus' titles.
    constexpr int slack = 12;
    const int barWidth = width() - 32;
    const int spacing = m_secondRow->spacing();
    const int button = m_legendRow->sizeHint().width() - m_legend->sizeHint().width();
    const int menus = m_dayGroup->sizeHint().width() + m_eventGroup->sizeHint().width() + 8 + slack;
    const int needed = m_summary->twoLineWidth();
    const auto room = [&](int legend) { return barWidth - menus - legend - button - 3 * spacing; };
    bool stacked = false;
    bool beside = true;
    if (room(m_legend->flatWidth()) >= needed) {
    } else if (room(m_legend->stackedWidth()) >= needed) {
        stacked = true;
    } else {
        beside = false;
        stacked = room(m_legend->flatWidth()) + spacing < 0;
    }
    m_legend->setStacked(stacked);
    const bool isBeside = m_secondRow->indexOf(m_summary) >= 0;
    if (beside) {
        const int natural = m_summary->naturalWidth();
        m_summary->setPreferredWidth(
            std::min(room(stacked ? m_legend->stackedWidth() : m_legend->flatWidth()), natural));
        if (!isBeside) {
            m_summaryRow->removeWidget(m_summary);
            m_secondRow->insertWidget(2, m_summary);
        }
    } else {
        m_summary->setPreferredWidth(std::nullopt);
        if (isBeside) {
            m_secondRow->removeWidget(m_summary);
            m_summaryRow->addWidget(m_summary);
        }
    }
}

bool WorkspaceView::summaryBesideMenus() const
{
    return m_secondRow && m_secondRow->indexOf(m_summary) >= 0;
}

void WorkspaceView::fillDayMenu()
{
    QMenu* menu = m_dayMenu->items();
    menu->clear();
    const auto& programme = m_workspace.programme();
    if (!programme)
        return;
    const auto selected = m_workspace.settings(m_spreadsheet.id).selectedDayName;
    for (const ProgrammeDay& day : programme->days) {
        QAction* action = menu->addAction(day.name);
        if (selected == day.name)
            action->setIcon(Symbols::icon(QStringLiteral("checkmark")));
        const QString name = day.name;
        connect(action, &QAction::triggered, this,
            [this, name] { m_workspace.selectDay(name, m_spreadsheet.id); });
    }
}

void WorkspaceView::fillEventMenu()
{
    QMenu* menu = m_eventMenu->items();
    menu->clear();
    const SpreadsheetMacSettings settings = m_workspace.settings(m_spreadsheet.id);
    for (const ProgrammeEvent& event : m_workspace.events(settings.selectedDayName)) {
        QAction* action = menu->addAction(event.title);
        if (settings.selectedEventID == event.id)
            action->setIcon(Symbols::icon(QStringLiteral("checkmark")));
        const QString id = event.id;
        connect(
            action, &QAction::triggered, this, [this, id] { m_workspace.selectEvent(id, m_spreadsheet.id); });
    }
}

QMenu* WorkspaceView::lineMenu(const QUuid& rowID, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const int row = m_model->rowOf(rowID);
    if (row < 0)
        return menu;
    const PreviewRow line = m_model->line(row);
    const QUuid id = m_spreadsheet.id;
    QAction* above = menu->addAction(
        Symbols::icon(QStringLiteral("arrow.up.to.line")), QStringLiteral("Insérer une ligne au-dessus"));
    connect(above, &QAction::triggered, this, [this, id, rowID] { m_library.insertRow(id, rowID, true); });
    QAction* below = menu->addAction(
        Symbols::icon(QStringLiteral("arrow.down.to.line")), QStringLiteral("Insérer une ligne en dessous"));
    connect(below, &QAction::triggered, this, [this, id, rowID] { m_library.insertRow(id, rowID, false); });
    if (PreviewRows::canDelete(liveRows(), line)) {
        menu->addSeparator();
        QAction* remove
            = menu->addAction(Symbols::icon(QStringLiteral("trash"), Theme::red(Theme::isDark(this))),
                QStringLiteral("Supprimer la ligne"));
        remove->setObjectName(QStringLiteral("deleteRow"));
        connect(remove, &QAction::triggered, this, [this, id, rowID] { m_library.deleteRow(id, rowID); });
    }
    return menu;
}

void WorkspaceView::showLineMenu(const QPoint& position)
{
    const QModelIndex index = m_table->indexAt(position);
    if (!index.isValid())
        return;
    m_table->setCurrentIndex(index);
    QMenu* menu = lineMenu(m_model->line(index.row()).id, this);
    menu->exec(m_table->viewport()->mapToGlobal(position));
    delete menu;
}

} // namespace quavel
