#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace quavel {

class PrintPreviewPane;
class PrintSession;

// The print panel of a run: the printer, copies, pages, paper and orientation, beside a preview of the
// pages. Paper, orientation and printer apply to the run's printer at once (the preview follows them);
// copies and pages when the panel is accepted with "Imprimer". While each page takes its photo's
// orientation the panel shows the first page's; choosing one holds it for every page.
class PrintPanel : public QDialog
{
    Q_OBJECT

public:
    explicit PrintPanel(PrintSession& session, QWidget* parent = nullptr);

    QComboBox* printerBox() const { return m_printer; }
    QSpinBox* copiesBox() const { return m_copies; }
    QRadioButton* allPagesButton() const { return m_allPages; }
    QRadioButton* rangeButton() const { return m_range; }
    QSpinBox* fromBox() const { return m_from; }
    QSpinBox* toBox() const { return m_to; }
    QComboBox* paperBox() const { return m_paper; }
    QComboBox* orientationBox() const { return m_orientation; }
    PrintPreviewPane* preview() const { return m_preview; }
    QPushButton* printButton() const { return m_print; }
    QLabel* pageLabel() const { return m_pageLabel; }
    QToolButton* previousButton() const { return m_previous; }
    QToolButton* nextButton() const { return m_next; }

    void accept() override;

private:
    void fillPrinters();
    void fillPapers();
    void choosePrinter(int index);
    void choosePaper(int index);
    void chooseOrientation(int index);
    void showPage(int page);

    PrintSession& m_session;
    QComboBox* m_printer = nullptr;
    QSpinBox* m_copies = nullptr;
    QRadioButton* m_allPages = nullptr;
    QRadioButton* m_range = nullptr;
    QSpinBox* m_from = nullptr;
    QSpinBox* m_to = nullptr;
    QComboBox* m_paper = nullptr;
    QComboBox* m_orientation = nullptr;
    PrintPreviewPane* m_preview = nullptr;
    QLabel* m_pageLabel = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QPushButton* m_print = nullptr;
    QList<QPageSize> m_papers; // the paper box's entries
};

} // namespace quavel
