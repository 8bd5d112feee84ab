#include "programme/SheetRow.h"

#include "programme/ImportParserExtract.h"
#include "programme/SheetCells.h"

namespace quavel {

SheetRow SheetRow::ofTexts(const QStringList& texts)
{
    static const QStringList noSharedStrings;
    SheetRow row(noSharedStrings);
    row.m_cells.resize(size_t(texts.size()));
    for (qsizetype c = 0; c < texts.size(); ++c) {
        row.m_cells[size_t(c)].state = Cell::State::Text;
        row.m_cells[size_t(c)].text = texts[c];
    }
    row.m_size = texts.size();
    return row;
}

void SheetRow::extend(qsizetype size)
{
    if (size <= m_size)
        return;
    if (size_t(size) > m_cells.size())
        m_cells.resize(size_t(size));
    for (qsizetype c = m_size; c < size; ++c)
        m_cells[size_t(c)].state = Cell::State::Empty;
    m_size = size;
}

void SheetRow::placeAnywhere(qsizetype column, std::string_view type, std::string_view bytes, Form form)
{
    extend(column + 1);
    Cell& cell = m_cells[size_t(column)];
    cell.state = Cell::State::Pending;
    cell.form = form;
    cell.type = type;
    cell.bytes = bytes;
}

const QString& SheetRow::resolved(qsizetype column) const
{
    static const QString none;
    Cell& cell = m_cells[size_t(column)];
    if (cell.state == Cell::State::Empty)
        return none;
    if (cell.form == Form::Content) {
        cell.text = SheetCells::value(cell.type, cell.bytes, *m_sharedStrings);
    } else if (const QString* shared
        = SheetCells::sharedString(cell.form, cell.type, cell.bytes, *m_sharedStrings)) {
        // Read where it is: the shared strings outlive the row, and no count changes hands per cell.
        cell.shared = shared;
        cell.state = Cell::State::Shared;
        return *shared;
    } else {
        cell.text = ImportParserExtract::decodedText(cell.bytes);
    }
    cell.state = Cell::State::Text;
    return cell.text;
}

QStringList SheetRow::texts() const
{
    QStringList out;
    out.reserve(m_size);
    for (qsizetype c = 0; c < m_size; ++c)
        out.append((*this)[c]);
    return out;
}

} // namespace quavel
