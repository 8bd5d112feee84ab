#include "programme/SheetCells.h"

#include "programme/ImportParserExtract.h"
#include "programme/SheetXMLParser.h"
#include "programme/XmlElementScanner.h"
#include "programme/ZipError.h"

#include "platform/text/Text.h"

namespace quavel::SheetCells {

using namespace ImportParserExtract;

namespace {

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

} // namespace

// Neither letter has another case-folded form, so one pass over the text checks the byte before each
// `="` for both.
Attributes attributes(std::string_view attributes)
{
    Attributes out;
    if (attributes.size() < 3)
        return out; // no room for r="
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

qsizetype referenceColumn(std::string_view reference)
{
    qsizetype value = 0;
    for (const char c : reference) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) // not ASCII: the general rule decides (some letters upper-case into A–Z)
            return SheetXMLParser::columnIndex(
                QString::fromUtf8(reference.data(), qsizetype(reference.size())));
        const char upper = char(u & ~0x20);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')) {
            value = value * 26 + (upper - 'A' + 1);
            if (value > SheetXMLParser::lastColumn + 1)
                return 0;
        } else {
            break;
        }
    }
    return std::max<qsizetype>(value - 1, 0);
}

QString value(std::string_view type, std::string_view inner, const QStringList& sharedStrings)
{
    if (type == "inlineStr") {
        // One plain text run, as spreadsheet programs write an inline string, is that run's text.
        if (const auto run = between(inner, "<is><t>", "</t></is>"))
            return decodedText(*run);
        return extractT(inner);
    }
    const std::optional<XmlElementScanner::Element> v = valueElement(inner);
    if (type == "s" && v) {
        const qint64 index = sharedIndex(v->content);
        if (index >= 0 && index < sharedStrings.size())
            return sharedStrings[qsizetype(index)];
    }
    if (v)
        return decodedText(v->content);
    return extractT(inner);
}

const QString* sharedString(
    SheetRow::Form form, std::string_view type, std::string_view text, const QStringList& sharedStrings)
{
    if (form != SheetRow::Form::Value || type != "s")
        return nullptr;
    const qint64 index = sharedIndex(text);
    return index >= 0 && index < sharedStrings.size() ? &sharedStrings[qsizetype(index)] : nullptr;
}

void complete(SheetRow& row, qint64& cellBudget)
{
    if (row.isEmpty())
        row.extend(1);
    cellBudget -= row.size();
    if (cellBudget < 0)
        throw ZipError::invalidArchive();
}

} // namespace quavel::SheetCells
