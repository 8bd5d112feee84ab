#pragma once

#include <QString>
#include <QStringList>

#include <string_view>
#include <vector>

namespace quavel {

// One worksheet row as the reader finds it, its cells by 0-based column. A cell keeps its type and
// content (the part's UTF-8 bytes) until its text is first read: the sheet grammar reads the bib and
// name cells of a rider row and never the others (clubs, horses, notes), and a text made for every
// cell would be most of the cost of reading a sheet. A row read from a part points into that part, and
// the reader reuses it for the next row: it is valid only during the call it is handed to, and a
// consumer that keeps a row keeps its texts().
class SheetRow
{
public:
    // What a cell keeps of its content: the whole of it, read by the cell rules, or the text of one of
    // the two plain forms spreadsheet programs write, "<v>" text "</v>" (Value) and "<is><t>" text
    // "</t></is>" (Run), found as the row was read.
    enum class Form : quint8 { Content, Value, Run };

    // An empty row whose cells of type "s" index `sharedStrings` (which must outlive it).
    explicit SheetRow(const QStringList& sharedStrings)
        : m_sharedStrings(&sharedStrings)
    { }
    // A row of texts already decoded, as the grammar's callers that hold rows of texts give them.
    static SheetRow ofTexts(const QStringList& texts);

    // Starts the next row. The cells' storage stays for it.
    void clear() { m_size = 0; }
    // Puts a cell at its column, replacing any cell there; the columns before it without a cell are
    // empty texts. `bytes` are the cell's content, or its text for the plain forms.
    void place(qsizetype column, std::string_view type, std::string_view bytes, Form form = Form::Content)
    {
        // The usual: the next column, where an earlier row left storage.
        if (column == m_size && size_t(column) < m_cells.size()) {
            Cell& cell = m_cells[size_t(column)];
            cell.state = Cell::State::Pending;
            cell.form = form;
            cell.type = type;
            cell.bytes = bytes;
            ++m_size;
            return;
        }
        placeAnywhere(column, type, bytes, form);
    }
    // Makes the row at least `size` columns long, the new ones empty texts.
    void extend(qsizetype size);

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // The text of a cell, by the cell rules (SheetCells::value, sharedString); `column` must be within
    // the row. A column without a cell is the null text, as in the rows of texts.
    const QString& operator[](qsizetype column) const
    {
        const Cell& cell = m_cells[size_t(column)];
        if (cell.state == Cell::State::Text)
            return cell.text;
        if (cell.state == Cell::State::Shared)
            return *cell.shared;
        return resolved(column);
    }
    // Every cell's text, in column order.
    QStringList texts() const;

private:
    struct Cell
    {
        // Pending: not read yet; Text: read into `text`; Shared: read as the shared string `shared`.
        enum class State : quint8 { Empty, Pending, Text, Shared };
        State state = State::Empty;
        Form form = Form::Content;
        std::string_view type;
        std::string_view bytes;
        // Valid in the state Text only; otherwise what an earlier row left, overwritten when needed.
        QString text;
        const QString* shared = nullptr;
    };

    void placeAnywhere(qsizetype column, std::string_view type, std::string_view bytes, Form form);
    const QString& resolved(qsizetype column) const;

    // Reading a cell decodes it in place; only the texts change, never the row's shape.
    mutable std::vector<Cell> m_cells;
    qsizetype m_size = 0;
    const QStringList* m_sharedStrings;
};

} // namespace quavel
