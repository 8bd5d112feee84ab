#include "workspace/views/RiderFoldersView.h"

#include "platform/Error.h"
#include "programme/ImportError.h"
#include "ui/CapsuleButton.h"
#include "ui/Notifications.h"
#include "ui/PanelPresenter.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"
#include "workspace/PhotoOrganizer.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/views/DesktopFolderOpener.h"
#include "workspace/views/RiderFoldersSidebar.h"
#include "workspace/views/RiderListModel.h"
#include "workspace/views/RiderTable.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace quavel {

namespace {

// Report lines shown before the block scrolls: a run that fails on many folders stays readable and
// leaves room for the list.
constexpr int kReportLines = 8;

bool hasEvents(const ProgrammeDocument& programme)
{
    return std::any_of(programme.days.begin(), programme.days.end(),
        [](const ProgrammeDay& day) { return !day.events.isEmpty(); });
}

// "0 dossier", "1 dossier", "2 dossiers": zero takes the singular.
QString plural(qsizetype n, const QString& noun)
{
    return QString::number(n) + u' ' + noun + (n >= 2 ? QStringLiteral("s") : QString());
}

} // namespace

RiderFoldersView::RiderFoldersView(RiderFoldersStore& folders, FolderOpener openFolder, QWidget* parent)
    : QWidget(parent)
    , m_folders(folders)
    , m_openFolder(orDesktopOpener(std::move(openFolder)))
{
    setObjectName(QStringLiteral("riderFoldersView"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    split->setHandleWidth(1);
    m_sidebar = new RiderFoldersSidebar(split);
    connect(
        m_sidebar, &RiderFoldersSidebar::importProgrammeRequested, this, &RiderFoldersView::importProgramme);
    connect(
        m_sidebar, &RiderFoldersSidebar::destinationRequested, this, &RiderFoldersView::importDestination);
    split->addWidget(m_sidebar);
    split->addWidget(buildDetail());
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    column->addWidget(split);

    connect(&folders, &RiderFoldersStore::programmeChanged, this, [this] {
        refreshPeople();
        refreshSidebar();
        refreshHeader();
    });
    connect(&folders, &RiderFoldersStore::programmeNameChanged, this, &RiderFoldersView::refreshSidebar);
    connect(&folders, &RiderFoldersStore::destinationNameChanged, this, &RiderFoldersView::refreshSidebar);
    connect(
        &folders, &RiderFoldersStore::destinationBookmarkChanged, this, &RiderFoldersView::refreshEnabling);
    // The menu's "Importer le programme…" reaches this screen only while it exists.
    connect(&Notifications::instance(), &Notifications::quavelImportProgramme, this,
        &RiderFoldersView::importProgramme);
    applyErrorColour();
    refresh();
}

RiderFoldersView::~RiderFoldersView() = default;

QWidget* RiderFoldersView::buildDetail()
{
    auto* detail = new QWidget(this);
    detail->setObjectName(QStringLiteral("riderFoldersDetail"));
    auto* stack = new QVBoxLayout(detail);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    // Header: title and summary, then the creation button.
    m_header = new QWidget(detail);
    auto* row = new QHBoxLayout(m_header);
    row->setContentsMargins(16, 12, 16, 10);
    row->setSpacing(12);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(4);
    titles->addWidget(new ToneLabel(QStringLiteral("Cavaliers"), Tone::primary,
        Fonts::font(Fonts::Style::title2, QFont::DemiBold), m_header));
    m_summary = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout), m_header);
    m_summary->setObjectName(QStringLiteral("summaryLine"));
    // Wraps in a narrow window rather than widening it.
    m_summary->setWordWrap(true);
    titles->addWidget(m_summary);
    row->addLayout(titles, 1);
    m_createButton = new CapsuleButton(QStringLiteral("Créer les dossiers"),
        QStringLiteral("folder.badge.plus"), CapsuleKind::prominent, m_header);
    m_createButton->setObjectName(QStringLiteral("createFolders"));
    connect(m_createButton, &QAbstractButton::clicked, this, &RiderFoldersView::createFolders);
    row->addWidget(m_createButton, 0, Qt::AlignVCenter);
    stack->addWidget(m_header);

    m_errorLine = new QLabel(detail);
    m_errorLine->setObjectName(QStringLiteral("parseError"));
    m_errorLine->setTextFormat(Qt::PlainText);
    m_errorLine->setWordWrap(true);
    m_errorLine->setFont(Fonts::font(Fonts::Style::caption));
    m_errorLine->setContentsMargins(16, 0, 16, 6);
    m_errorLine->hide();
    stack->addWidget(m_errorLine);

    // The last creation's report: its headline, then one line per message.
    m_reportBlock = new QWidget(detail);
    m_reportBlock->setObjectName(QStringLiteral("report"));
    auto* lines = new QVBoxLayout(m_reportBlock);
    lines->setContentsMargins(16, 0, 16, 8);
    lines->setSpacing(4);
    m_reportHeadline
        = new ToneLabel(QString(), Tone::primary, Fonts::font(Fonts::Style::headline), m_reportBlock);
    m_reportHeadline->setObjectName(QStringLiteral("reportHeadline"));
    m_reportHeadline->setWordWrap(true);
    lines->addWidget(m_reportHeadline);
    m_reportScroll = new QScrollArea(m_reportBlock);
    m_reportScroll->setFrameShape(QFrame::NoFrame);
    m_reportScroll->setWidgetResizable(true);
    m_reportScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Its height is set to its lines (fitReport); it never takes the list's room.
    m_reportScroll->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_reportScroll->setAutoFillBackground(false);
    m_reportScroll->viewport()->setAutoFillBackground(false);
    m_reportMessages = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout));
    m_reportMessages->setObjectName(QStringLiteral("reportMessages"));
    m_reportMessages->setWordWrap(true);
    m_reportMessages->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_reportMessages->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_reportScroll->setWidget(m_reportMessages);
    // The scroll area paints its content's background; the lines lie on the window's.
    m_reportMessages->setAutoFillBackground(false);
    m_reportScroll->installEventFilter(this);
    lines->addWidget(m_reportScroll);
    m_reportBlock->hide();
    stack->addWidget(m_reportBlock);

    m_listHolder = new QWidget(detail);
    auto* list = new QVBoxLayout(m_listHolder);
    list->setContentsMargins(16, 0, 16, 16);
    m_table = new RiderTable(m_listHolder);
    list->addWidget(m_table);
    stack->addWidget(m_listHolder, 1);

    m_emptyText = new ToneLabel(QString(), Tone::secondary, Fonts::font(Fonts::Style::callout), detail);
    m_emptyText->setObjectName(QStringLiteral("emptyText"));
    m_emptyText->setWordWrap(true);
    m_emptyText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_emptyText->setContentsMargins(16, 0, 16, 0);
    stack->addWidget(m_emptyText, 1);
    return detail;
}

void RiderFoldersView::refresh()
{
    refreshPeople();
    refreshSidebar();
    refreshHeader();
}

void RiderFoldersView::refreshPeople()
{
    m_table->riders()->setPeople(m_folders.namedPeople());
    const bool empty = m_table->riders()->people().isEmpty();
    m_listHolder->setVisible(!empty);
    m_emptyText->setVisible(empty);
    m_emptyText->setText(m_folders.programme()
            ? QStringLiteral("Aucun nom et prénom exploitable dans ce programme.")
            : QStringLiteral("Importez un programme pour voir les noms."));
}

void RiderFoldersView::refreshSidebar()
{
    m_sidebar->refresh(m_folders);
}

void RiderFoldersView::refreshHeader()
{
    m_summary->setText(summaryLine());
    refreshEnabling();
}

void RiderFoldersView::refreshEnabling()
{
    m_createButton->setEnabled(canCreate() && !m_isRunning);
}

QString RiderFoldersView::summaryLine() const
{
    if (!m_folders.programme())
        return QStringLiteral(
            "Choisissez un programme (fichier ou page internet), puis un dossier de destination.");
    const qsizetype n = m_table->riders()->people().size();
    if (n == 0)
        return QStringLiteral("Aucun cavalier avec nom et prénom.");
    return plural(n, QStringLiteral("cavalier")) + QStringLiteral(" · un dossier NOM PRENOM chacun");
}

QString RiderFoldersView::reportHeadline(const OrganizerReport& report)
{
    return report.headline.value_or(plural(report.folders, QStringLiteral("dossier")));
}

bool RiderFoldersView::canCreate()
{
    // Resolved on every evaluation: a folder moved or deleted since it was chosen disables the button.
    if (!m_folders.resolve(m_folders.destinationBookmark()))
        return false;
    return !m_table->riders()->people().isEmpty();
}

void RiderFoldersView::importProgramme()
{
    // One import at a time; the screen goes on meanwhile, showing the programme it had.
    if (m_folders.isImportingProgramme())
        return;
    // The picker runs a nested event loop in which the window may drop this screen.
    QPointer<RiderFoldersView> self(this);
    const auto picked = PanelPresenter::shared().pickProgramme();
    if (!self || !picked)
        return;
    m_folders.ingestProgramme(*picked, [self](const ProgrammeLoader::ImportResult& result) {
        if (self)
            self->programmeImported(result);
    });
}

void RiderFoldersView::programmeImported(const ProgrammeLoader::ImportResult& result)
{
    if (result.superseded)
        return; // a web page's programme was stored meanwhile and stays
    if (!result.document) {
        setParseError(result.error);
        return;
    }
    setReport(std::nullopt);
    const auto& programme = m_folders.programme();
    if (programme && !hasEvents(*programme))
        setParseError(QStringLiteral("Aucune épreuve exploitable n’a été lue dans ce fichier."));
    else
        setParseError(std::nullopt);
}

void RiderFoldersView::importDestination()
{
    QPointer<RiderFoldersView> self(this);
    const auto picked = PanelPresenter::shared().pickFolder(
        QStringLiteral("Dossier de destination"), QStringLiteral("Choisir"));
    if (!self || !picked)
        return;
    m_folders.storeDestination(*picked);
    setParseError(std::nullopt);
}

void RiderFoldersView::createFolders()
{
    if (m_isRunning)
        return;
    const auto destination = m_folders.resolve(m_folders.destinationBookmark());
    if (!destination) {
        setParseError(QStringLiteral("Choisissez d’abord le dossier de destination."));
        refreshEnabling();
        return;
    }
    const QList<ImportedPerson> people = m_folders.namedPeople();
    if (people.isEmpty()) {
        setParseError(QStringLiteral("Aucun nom et prénom exploitable dans ce programme."));
        return;
    }
    setRunning(true);
    setParseError(std::nullopt);
    // The folders are made on this thread (empty folders only, quick); the running state is painted
    // before the work blocks the event loop.
    m_header->layout()->activate();
    m_header->repaint();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    std::optional<OrganizerReport> made;
    QString failure;
    try {
        made = PhotoOrganizer::createEmptyRiderFolders(people, *destination);
    } catch (const Error& error) {
        failure = error.message();
    } catch (const std::exception&) {
        failure = QStringLiteral("Impossible de créer les dossiers dans « %1 ».").arg(*destination);
    }
    QApplication::restoreOverrideCursor();
    if (made) {
        setReport(made);
        m_openFolder(*destination);
    } else {
        setParseError(failure);
    }
    setRunning(false);
}

void RiderFoldersView::setParseError(const std::optional<QString>& error)
{
    m_parseError = error;
    m_errorLine->setText(error.value_or(QString()));
    m_errorLine->setVisible(error.has_value());
}

void RiderFoldersView::setReport(const std::optional<OrganizerReport>& report)
{
    m_report = report;
    m_reportBlock->setVisible(report.has_value());
    if (!report)
        return;
    m_reportHeadline->setText(reportHeadline(*report));
    m_reportMessages->setText(report->messages.join(u'\n'));
    m_reportScroll->setVisible(!report->messages.isEmpty());
    fitReport();
}

void RiderFoldersView::fitReport()
{
    // Tall enough for every line up to the cap, then the lines scroll. Measured at the width the
    // block has in the detail column, also while it is still hidden.
    const QMargins margins = m_reportBlock->layout()->contentsMargins();
    const int width = std::max(1, m_reportBlock->parentWidget()->width() - margins.left() - margins.right());
    const int content = m_reportMessages->heightForWidth(width);
    const int cap = kReportLines * QFontMetrics(m_reportMessages->font()).lineSpacing();
    m_reportScroll->setFixedHeight(std::max(0, std::min(content, cap)));
}

void RiderFoldersView::setRunning(bool running)
{
    m_isRunning = running;
    m_createButton->setText(running ? QStringLiteral("Création…") : QStringLiteral("Créer les dossiers"));
    refreshEnabling();
}

void RiderFoldersView::applyErrorColour()
{
    QPalette p = m_errorLine->palette();
    p.setColor(QPalette::WindowText, Theme::red(Theme::isDark(this)));
    m_errorLine->setPalette(p);
}

void RiderFoldersView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyErrorColour();
    // Back in the window after a trip to the file manager: the destination may have gone.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshEnabling();
}

void RiderFoldersView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshEnabling();
}

bool RiderFoldersView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_reportScroll && event->type() == QEvent::Resize)
        fitReport();
    return QWidget::eventFilter(watched, event);
}

} // namespace quavel
