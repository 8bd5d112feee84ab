#include "programme/SheetXMLParser.h"

#include "programme/ImportParserExtract.h"
#include "programme/XmlElementScanner.h"
#include "programme/ZipError.h"

#include "platform/text/Text.h"

#include <QByteArrayView>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quavel::SheetXMLParser {

namespace {

using namespace ImportParserExtract;

// A shared-string index as the rule reads it: the entity-decoded <v> text as a whole decimal integer;
// -1 when it does not read as one (no index is negative). A plain integer, not an optional: this is
// the hot path of every shared-string cell.
qint64 sharedIndex(std::string_view value)
{
    // Up to 18 ASCII digits cannot overflow: read in place.
    if (!value.empty() && value.size() <= 18) {
        qint64 index = 0;
        bool digits = true;
        for (const char c : value) {
            digits = digits && c >= '0' && c <= '9';
            index = index * 10 + (c - '0');
        }
        if (digits)
            return index;
    }
    return text::parseInt64(decodedText(value)).value_or(-1);
}

// r="…" and t="…" of a cell's attributes, as the attribute rule finds each: the first `r="` (or `t="`)
// anywhere in the text, either letter in either case, up to the next quote; none when that quote is
// missing. Neither letter has another case-folded form, so one pass over the text checks the byte
// before each `="` for both.
struct CellAttributes
{
    std::optional<std::string_view> reference;
    std::optional<std::string_view> type;
};

CellAttributes cellAttributes(std::string_view attributes)
{
    CellAttributes out;
    bool referenceRead = false;
    bool typeRead = false;
    const char* end = attributes.data() + attributes.size();
    for (const char* equals = attributes.data() + 1; equals + 1 < end && !(referenceRead && typeRead);
         ++equals) {
        if (equals[0] != '=' || equals[1] != '"')
            continue;
        const char letter = char(equals[-1] | 0x20);
        const bool reference = letter == 'r' && !referenceRead;
        if (!reference && (letter != 't' || typeRead))
            continue;
        const char* value = equals + 2;
        const char* quote = value;
        while (quote < end && *quote != '"')
            ++quote;
        if (quote == end)
            break; // no quote closes this value, nor any later one
        (reference ? out.reference : out.type) = std::string_view(value, size_t(quote - value));
        (reference ? referenceRead : typeRead) = true;
    }
    return out;
}

// Whether `text` is `open`, then text without any tag, then `close`; the text between, if so.
std::optional<std::string_view> between(std::string_view text, std::string_view open, std::string_view close)
{
    // Compared byte by byte: the texts are a few bytes long, shorter than a call to memcmp.
    const auto same = [](const char* a, std::string_view b) {
        for (const char c : b)
            if (*a++ != c)
                return false;
        return true;
    };
    if (text.size() < open.size() + close.size() || !same(text.data(), open)
        || !same(text.data() + text.size() - close.size(), close))
        return std::nullopt;
    const std::string_view middle = text.substr(open.size(), text.size() - open.size() - close.size());
    for (const char c : middle)
        if (c == '<')
            return std::nullopt;
    return middle;
}

// The first <v> element of a cell's content. The content of a plain "<v>…</v>" is what the scan
// would find, read without it.
std::optional<XmlElementScanner::Element> valueElement(std::string_view inner)
{
    if (const auto plain = between(inner, "<v>", "</v>"))
        return XmlElementScanner::Element { {}, *plain, false };
    // Content without any tag holds no <v>.
    if (inner.find('<') == std::string_view::npos)
        return std::nullopt;
    return XmlElementScanner(inner, "v").next();
}

qsizetype columnOf(std::optional<std::string_view> reference)
{
    if (!reference)
        return 0; // "A1"
    qsizetype value = 0;
    for (const char c : *reference) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) // not ASCII: the general rule decides (some letters upper-case into A–Z)
            return columnIndex(QString::fromUtf8(reference->data(), qsizetype(reference->size())));
        const char upper = char(u & ~0x20);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')) {
            value = value * 26 + (upper - 'A' + 1);
            if (value > lastColumn + 1)
                return 0;
        } else {
            break;
        }
    }
    return std::max<qsizetype>(value - 1, 0);
}

QString cellValue(std::string_view type, std::string_view inner, const QStringList& sharedStrings)
{
    if (type == "inlineStr") {
        // One plain text run, as spreadsheet programs write an inline string, is that run's text.
        if (const auto run = between(inner, "<is><t>", "</t></is>"))
            return decodedText(*run);
        return extractT(inner);
    }
    const std::optional<XmlElementScanner::Element> value = valueElement(inner);
    if (type == "s" && value) {
        const qint64 index = sharedIndex(value->content);
        if (index >= 0 && index < sharedStrings.size())
            return sharedStrings[qsizetype(index)];
    }
    if (value)
        return decodedText(value->content);
    return extractT(inner);
}

// Puts a cell's value at its column: the gaps empty, a later cell at the same column replacing the
// earlier one.
void place(
    QStringList& row, const CellAttributes& read, std::string_view inner, const QStringList& sharedStrings)
{
    const qsizetype column = columnOf(read.reference);
    QString value = cellValue(read.type.value_or(std::string_view()), inner, sharedStrings);
    if (column == row.size()) {
        row.append(std::move(value)); // the usual: cells in order, without gaps
    } else if (column < row.size()) {
        row[column] = std::move(value);
    } else {
        row.resize(column);
        row.append(std::move(value));
    }
}

// A row's cells are counted against the budget once the row is complete; a row without cells is one
// empty text.
void complete(QStringList& row, qint64& cellBudget)
{
    if (row.isEmpty())
        row.append(QString());
    cellBudget -= row.size();
    if (cellBudget < 0)
        throw ZipError::invalidArchive();
}

// The cells of a row's content, by the element scan of the rule.
void parseRow(std::string_view inner, const QStringList& sharedStrings, qint64& cellBudget, QStringList& row)
{
    row.clear();
    XmlElementScanner scanner(inner, "c");
    while (const auto cell = scanner.next())
        if (!cell->selfClosing) // a self-closing cell holds nothing
            place(row, cellAttributes(cell->attributes), cell->content, sharedStrings);
    complete(row, cellBudget);
}

// The rows of a worksheet read in one pass, each "<" looked at once: the row and cell scans of the
// rule walk the same bytes several times (the row to find its end, then its cells, then each cell to
// find its end). The pass finds what they find on rows as spreadsheet programs write them, and stops
// at the first row where it could not be sure, leaving it and the rest to the scans: a cell tag that
// holds a "<" (a "</row>" could hide there), or a row whose end never comes.
class SheetPass
{
public:
    enum class Outcome { Row, Stop };

    SheetPass(std::string_view text, const QStringList& sharedStrings)
        : m_position(text.data())
        , m_end(text.data() + text.size())
        , m_opens(m_end)
        , m_sharedStrings(sharedStrings)
    { }

    // The next row into `row`; Stop at the end of the rows or where the scans must take over (from
    // `position()`).
    Outcome next(QStringList& row)
    {
        for (const char* open = m_opens.from(m_position); open; open = m_opens.next()) {
            if (const char* nameEnd = opening(open, "row")) {
                m_position = open;
                return readRow(nameEnd, row);
            }
        }
        m_position = m_end;
        return Outcome::Stop;
    }

    const char* position() const { return m_position; }

private:
    // Every "<" of the text in order, found 16 bytes at a time; only ever moved forwards.
    class Opens
    {
    public:
        explicit Opens(const char* end)
            : m_end(end)
        { }

        // The first "<" at or after `from`.
        const char* from(const char* from)
        {
            if (m_block && from >= m_block && from - m_block < 16) {
                m_mask &= ~0u << (from - m_block);
            } else {
                m_block = from;
                m_mask = maskAt(from);
            }
            return next();
        }

        // The "<" after the last one given.
        const char* next()
        {
            while (!m_mask) {
                m_block += 16;
                if (m_block >= m_end)
                    return nullptr;
                m_mask = maskAt(m_block);
            }
            const char* at = m_block + __builtin_ctz(m_mask);
            m_mask &= m_mask - 1;
            return at;
        }

    private:
        unsigned maskAt(const char* at) const
        {
#ifdef __SSE2__
            if (m_end - at >= 16)
                return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), _mm_set1_epi8('<'))));
#endif
            unsigned mask = 0;
            for (int i = 0; i < 16 && at + i < m_end; ++i)
                mask |= unsigned(at[i] == '<') << i;
            return mask;
        }

        const char* m_end;
        const char* m_block = nullptr;
        unsigned m_mask = 0;
    };

    // The end of `name` when the "<" at `at` opens it: the name in either case, then white space, "/"
    // or ">" (the names of the pass have no other case-folded forms).
    const char* opening(const char* at, std::string_view name) const
    {
        const char* nameEnd = XmlElementScanner::matchName(at + 1, m_end, name);
        return nameEnd && XmlElementScanner::isNameBoundary(nameEnd, m_end) ? nameEnd : nullptr;
    }

    enum class Closing { None, Cell, Row };

    // Whether the "<" at `at` is "</c>" or "</row>", in either case; `after` is then past it.
    Closing closing(const char* at, const char*& after) const
    {
        if (m_end - at < 4 || at[1] != '/')
            return Closing::None;
        const char first = char(at[2] | 0x20);
        if (first == 'c' && at[3] == '>') {
            after = at + 4;
            return Closing::Cell;
        }
        if (first == 'r' && m_end - at >= 6 && (at[3] | 0x20) == 'o' && (at[4] | 0x20) == 'w'
            && at[5] == '>') {
            after = at + 6;
            return Closing::Row;
        }
        return Closing::None;
    }

    // The row whose "<row" stands at m_position; m_position moves past it on success.
    Outcome readRow(const char* nameEnd, QStringList& row)
    {
        const char* greater = XmlElementScanner::find(nameEnd, m_end, '>');
        if (!greater)
            return Outcome::Stop;
        row.clear();
        if (greater > nameEnd && greater[-1] == '/') {
            m_position = greater + 1;
            return Outcome::Row;
        }
        const char* after = nullptr;
        for (const char* open = m_opens.from(greater + 1); open;) {
            if (closing(open, after) == Closing::Row) {
                m_position = after;
                return Outcome::Row;
            }
            const char* cellName = opening(open, "c");
            if (!cellName) {
                open = m_opens.next();
                continue;
            }
            // The tag runs to the first ">"; its r="…" and t="…" are noted on the way (see cellAttributes).
            const Tag tag = readTag(cellName);
            if (!tag.end)
                return Outcome::Stop;
            if (tag.end > cellName && tag.end[-1] == '/') {
                open = m_opens.from(tag.end + 1); // a self-closing cell holds nothing
                continue;
            }
            // The content runs to the first "</c>"; a "</row>" before it ends the row, and this cell with
            // no closing tag inside the row is no cell (nor is any after it).
            const char* inner = m_opens.from(tag.end + 1);
            for (; inner; inner = m_opens.next()) {
                const Closing closes = closing(inner, after);
                if (closes == Closing::Row) {
                    m_position = after;
                    return Outcome::Row;
                }
                if (closes == Closing::Cell)
                    break;
            }
            if (!inner)
                return Outcome::Stop;
            place(row, { quoted(tag.reference, tag.end), quoted(tag.type, tag.end) },
                std::string_view(tag.end + 1, size_t(inner - tag.end - 1)), m_sharedStrings);
            open = m_opens.from(after);
        }
        return Outcome::Stop;
    }

    // A cell tag from the end of its name: where it ends (its first ">"), and where the values of its
    // first r=" and t=" start. No end when a "<" or the end of the text comes first.
    struct Tag
    {
        const char* end = nullptr;
        const char* reference = nullptr;
        const char* type = nullptr;
    };

    Tag readTag(const char* from) const
    {
        Tag tag;
        const auto equals = [&](const char* at) {
            if (at == from || at + 1 >= m_end || at[1] != '"')
                return;
            const char letter = char(at[-1] | 0x20);
            if (letter == 'r' && !tag.reference)
                tag.reference = at + 2;
            else if (letter == 't' && !tag.type)
                tag.type = at + 2;
        };
        const char* at = from;
#ifdef __SSE2__
        // 16 bytes at a time, which is most tags at once.
        for (; m_end - at >= 16; at += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            const auto mask = [&](char c) {
                return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(c))));
            };
            const unsigned stops = mask('>') | mask('<');
            unsigned signs = mask('=');
            if (stops)
                signs &= (1u << __builtin_ctz(stops)) - 1;
            for (; signs; signs &= signs - 1)
                equals(at + __builtin_ctz(signs));
            if (stops) {
                at += __builtin_ctz(stops);
                tag.end = *at == '>' ? at : nullptr;
                return tag;
            }
        }
#endif
        for (; at < m_end && *at != '>' && *at != '<'; ++at)
            if (*at == '=')
                equals(at);
        tag.end = at < m_end && *at == '>' ? at : nullptr;
        return tag;
    }

    // The value that starts at `value` and ends at the next quote before `end`; none without a quote.
    static std::optional<std::string_view> quoted(const char* value, const char* end)
    {
        if (!value)
            return std::nullopt;
        for (const char* quote = value; quote < end; ++quote)
            if (*quote == '"')
                return std::string_view(value, size_t(quote - value));
        return std::nullopt;
    }

    const char* m_position;
    const char* m_end;
    Opens m_opens;
    const QStringList& m_sharedStrings;
};

} // namespace

void parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget,
    const std::function<void(const QStringList&)>& row)
{
    if (!QByteArrayView(xml).isValidUtf8())
        return;
    const std::string_view text(xml.constData(), size_t(xml.size()));
    // One list holds each row in turn; a consumer that keeps a row shares it, and the next row then
    // gets a list of its own.
    QStringList cells;
    SheetPass pass(text, sharedStrings);
    while (pass.next(cells) == SheetPass::Outcome::Row) {
        complete(cells, cellBudget);
        row(cells);
    }
    const std::string_view rest = text.substr(size_t(pass.position() - text.data()));
    XmlElementScanner scanner(rest, "row");
    while (const auto element = scanner.next()) {
        parseRow(element->content, sharedStrings, cellBudget, cells);
        row(cells);
    }
}

QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings, qint64& cellBudget)
{
    QList<QStringList> rows;
    parse(xml, sharedStrings, cellBudget, [&](const QStringList& row) { rows.append(row); });
    return rows;
}

QList<QStringList> parse(const QByteArray& xml, const QStringList& sharedStrings)
{
    qint64 budget = maximumCells;
    return parse(xml, sharedStrings, budget);
}

qsizetype columnIndex(QStringView reference)
{
    qsizetype value = 0;
    for (QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u >= u'A' && u <= u'Z') {
            value = value * 26 + (u - u'A' + 1);
            if (value > lastColumn + 1)
                return 0;
        } else if (c.isLetter()) {
            return 0; // a letter outside A–Z: a malformed reference
        } else {
            break;
        }
    }
    return std::max<qsizetype>(value - 1, 0);
}

} // namespace quavel::SheetXMLParser
