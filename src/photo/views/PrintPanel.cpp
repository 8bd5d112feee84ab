#include "photo/views/PrintPanel.h"

#include "photo/print/PrintPaperFormat.h"
#include "photo/views/PrintPreviewPane.h"
#include "photo/views/PrintSession.h"
#include "ui/print/Printer.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace quavel {

PrintPanel::PrintPanel(PrintSession& session, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
{
    setWindowTitle(QStringLiteral("Imprimer « %1 »").arg(session.title()));
    const int pages = session.view().pageCount();

    m_printer = new QComboBox(this);
    m_copies = new QSpinBox(this);
    m_copies->setRange(1, 999);
    m_copies->setValue(std::clamp(session.printer().copyCount(), 1, 999));

    m_allPages = new QRadioButton(QStringLiteral("Toutes"), this);
    m_range = new QRadioButton(QStringLiteral("De"), this);
    m_from = new QSpinBox(this);
    m_to = new QSpinBox(this);
    m_from->setRange(1, pages);
    m_to->setRange(1, pages);
    m_to->setValue(pages);
    auto* group = new QButtonGroup(this);
    group->addButton(m_allPages);
    group->addButton(m_range);
    m_allPages->setChecked(true);
    auto* range = new QHBoxLayout;
    range->addWidget(m_allPages);
    range->addSpacing(8);
    range->addWidget(m_range);
    range->addWidget(m_from);
    range->addWidget(new QLabel(QStringLiteral("à"), this));
    range->addWidget(m_to);
    range->addStretch();
    // Typing a page number chooses the range.
    for (QSpinBox* box : { m_from, m_to })
        connect(box, &QSpinBox::valueChanged, this, [this] { m_range->setChecked(true); });
    connect(
        m_from, &QSpinBox::valueChanged, this, [this](int v) { m_to->setValue(std::max(v, m_to->value())); });
    connect(m_to, &QSpinBox::valueChanged, this,
        [this](int v) { m_from->setValue(std::min(v, m_from->value())); });

    m_paper = new QComboBox(this);
    m_orientation = new QComboBox(this);
    m_orientation->addItems({ QStringLiteral("Portrait"), QStringLiteral("Paysage") });
    // The first page's orientation when each page takes its photo's; choosing one holds it for all.
    m_orientation->setCurrentIndex(session.orientation() == QPageLayout::Landscape);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Imprimante :"), m_printer);
    form->addRow(QStringLiteral("Copies :"), m_copies);
    form->addRow(QStringLiteral("Pages :"), range);
    form->addRow(QStringLiteral("Papier :"), m_paper);
    form->addRow(QStringLiteral("Orientation :"), m_orientation);

    m_preview = new PrintPreviewPane(session, this);
    m_previous = new QToolButton(this);
    m_previous->setText(QStringLiteral("‹"));
    m_previous->setToolTip(QStringLiteral("Page précédente"));
    m_next = new QToolButton(this);
    m_next->setText(QStringLiteral("›"));
    m_next->setToolTip(QStringLiteral("Page suivante"));
    m_pageLabel = new QLabel(this);
    m_pageLabel->setAlignment(Qt::AlignCenter);
    auto* navigation = new QHBoxLayout;
    navigation->addWidget(m_previous);
    navigation->addWidget(m_pageLabel, 1);
    navigation->addWidget(m_next);
    connect(m_previous, &QToolButton::clicked, this, [this] { showPage(m_preview->page() - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { showPage(m_preview->page() + 1); });

    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(m_preview, 1);
    previewColumn->addLayout(navigation);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    m_print = buttons->addButton(QStringLiteral("Imprimer"), QDialogButtonBox::AcceptRole);
    m_print->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &PrintPanel::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PrintPanel::reject);

    auto* columns = new QHBoxLayout;
    columns->addLayout(previewColumn, 1);
    auto* settings = new QVBoxLayout;
    settings->addLayout(form);
    settings->addStretch();
    columns->addLayout(settings);
    auto* root = new QVBoxLayout(this);
    root->addLayout(columns, 1);
    root->addWidget(buttons);

    fillPrinters();
    fillPapers();
    connect(m_printer, &QComboBox::currentIndexChanged, this, &PrintPanel::choosePrinter);
    connect(m_paper, &QComboBox::currentIndexChanged, this, &PrintPanel::choosePaper);
    connect(m_orientation, &QComboBox::currentIndexChanged, this, &PrintPanel::chooseOrientation);
    showPage(1);
}

void PrintPanel::fillPrinters()
{
    const QSignalBlocker block(m_printer);
    m_printer->clear();
    const QStringList names = Printer::names();
    if (names.isEmpty()) {
        m_printer->addItem(QStringLiteral("Aucune imprimante"));
        m_printer->setEnabled(false);
        m_print->setEnabled(false);
        m_print->setToolTip(QStringLiteral("Aucune imprimante n’est installée."));
        return;
    }
    m_printer->addItems(names);
    // The job's queue: the remembered one, else the default one.
    QString current = m_session.printer().outputFormat() == QPrinter::NativeFormat
        ? m_session.printer().printerName()
        : QString();
    if (!names.contains(current))
        current = names.contains(Printer::defaultName()) ? Printer::defaultName() : names.first();
    Printer::select(m_session.printer(), current);
    m_printer->setCurrentIndex(int(names.indexOf(current)));
}

void PrintPanel::fillPapers()
{
    const QSignalBlocker block(m_paper);
    m_paper->clear();
    m_papers = Printer::papers(m_session.printer());
    if (m_papers.isEmpty()) {
        for (PrintPaperFormat f : PrintPaperFormats::allCases())
            m_papers.append(QPageSize(PrintPaperFormats::points(f), QPageSize::Point,
                PrintPaperFormats::title(f), QPageSize::FuzzyMatch));
    }
    const QPageSize current = m_session.printer().pageLayout().pageSize();
    qsizetype selected = -1;
    for (qsizetype i = 0; i < m_papers.size() && selected < 0; ++i)
        if (m_papers[i].isEquivalentTo(current))
            selected = i;
    if (selected < 0) {
        m_papers.prepend(current);
        selected = 0;
    }
    for (const QPageSize& p : m_papers)
        m_paper->addItem(p.name());
    m_paper->setCurrentIndex(int(selected));
}

void PrintPanel::choosePrinter(int index)
{
    Printer::select(m_session.printer(), m_printer->itemText(index));
    // A queue's papers differ; keep the orientation, whether held or each page's own.
    m_session.restoreOrientation();
    fillPapers();
    m_preview->sheetChanged();
}

void PrintPanel::choosePaper(int index)
{
    if (index < 0 || index >= m_papers.size())
        return;
    m_session.printer().setPageSize(m_papers[index]);
    m_preview->sheetChanged();
}

void PrintPanel::chooseOrientation(int index)
{
    m_session.holdOrientation(index == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    m_preview->sheetChanged();
}

void PrintPanel::showPage(int page)
{
    const int pages = m_session.view().pageCount();
    m_preview->setPage(page);
    const int shown = m_preview->page();
    m_pageLabel->setText(QStringLiteral("Page %1 sur %2").arg(shown).arg(pages));
    m_previous->setEnabled(shown > 1);
    m_next->setEnabled(shown < pages);
}

void PrintPanel::accept()
{
    QPrinter& printer = m_session.printer();
    printer.setCopyCount(m_copies->value());
    if (m_range->isChecked()) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(m_from->value(), m_to->value());
    } else {
        Printer::includeAllPages(printer);
    }
    QDialog::accept();
}

} // namespace quavel
