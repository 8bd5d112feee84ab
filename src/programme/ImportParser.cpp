#include "programme/ImportParser.h"

#include "programme/ImportParserExtract.h"
#include "programme/ProgrammeLimits.h"
#include "programme/SheetRow.h"
#include "programme/SheetXMLParser.h"
#include "programme/XmlElementScanner.h"
#include "programme/ZipArchive.h"
#include "programme/ZipError.h"

#include "platform/text/Text.h"

#include <QByteArrayView>
#include <QSet>

namespace quavel::ImportParser {

namespace {

enum class Role { Number, First, Last, Full };

std::optional<Role> roleOf(const QString& key)
{
    static const QSet<QString> number { "numero", "n", "n\u00b0", "no", "number", "id", "dossard", "bib",
        "attribution", "#" };
    static const QSet<QString> first { "prenom", "firstname", "first", "given", "givenname" };
    static const QSet<QString> last { "nom", "lastname", "last", "surname", "family", "familyname" };
    static const QSet<QString> full { "nomcomplet", "fullname", "name", "nomprenom", "personne", "cavalier",
        "cavaliere", "rider", "athlete" };
    if (number.contains(key))
        return Role::Number;
    if (first.contains(key))
        return Role::First;
    if (last.contains(key))
        return Role::Last;
    if (full.contains(key))
        return Role::Full;
    return std::nullopt;
}

} // namespace

QList<Sheet> excelSheets(const QByteArray& workbook)
{
    QList<Sheet> sheets;
    readSheets(
        workbook,
        [&](const QString& name) {
            sheets.append({ name, {} });
        },
        [&](const SheetRow& row) { sheets.last().rows.append(row.texts()); });
    return sheets;
}

void readSheets(const QByteArray& workbook, const std::function<void(const QString&)>& sheet,
    const std::function<void(const SheetRow&)>& row)
{
    // One byte budget for every part, charged before any is inflated. Only an absent shared-string part
    // means no shared strings (cells of type "s" then keep their index text): a part that is there but
    // cannot be read would silently turn every name into a number, so its error refuses the file.
    qint64 byteBudget = ZipArchive::maximumWorkbookSize;
    QStringList sharedStrings;
    const QList<ZipArchive::Worksheet> worksheets
        = ZipArchive::worksheets(workbook, byteBudget, [&](std::optional<QByteArray> part) {
              if (part)
                  sharedStrings = parseSharedStrings(*part);
          });
    qint64 cellBudget = SheetXMLParser::maximumCells;
    for (const ZipArchive::Worksheet& worksheet : worksheets) {
        sheet(worksheet.name);
        SheetXMLParser::parse(worksheet.xml, sharedStrings, cellBudget, row);
    }
}

QStringList parseSharedStrings(const QByteArray& part)
{
    QStringList items;
    // Read as "no shared strings", such a part would turn every name into its index.
    if (!QByteArrayView(part).isValidUtf8())
        throw ZipError::invalidArchive();
    // <si/> is an empty item: it keeps the numbering of the items after it.
    XmlElementScanner scanner(std::string_view(part.constData(), size_t(part.size())), "si");
    while (const auto item = scanner.next()) {
        if (items.size() == ProgrammeLimits::maximumSharedStrings)
            throw ZipError::invalidArchive();
        items.append(ImportParserExtract::textRuns(item->content));
    }
    return items;
}

QString extractTextNodes(QStringView item)
{
    const QByteArray utf8 = item.toUtf8();
    return ImportParserExtract::textRuns(std::string_view(utf8.constData(), size_t(utf8.size())));
}

QString headerKey(QStringView cell)
{
    QString key;
    for (QChar c : text::folded(cell)) {
        if (c == u'_' || c == u'-' || c == u'.' || text::isWhitespaceOrNewline(c.unicode()))
            continue;
        key.append(c);
    }
    return key;
}

IdentityColumns identityColumns(const QList<QStringList>& rows)
{
    const qsizetype looked = std::min(rows.size(), headerRows);
    for (qsizetype r = 0; r < looked; ++r) {
        std::optional<qsizetype> columns[4];
        bool any = false;
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            const QString& text = rows[r][c];
            if (text.isEmpty())
                continue;
            const std::optional<Role> role = roleOf(headerKey(text));
            if (role && !columns[int(*role)]) {
                columns[int(*role)] = c;
                any = true;
            }
        }
        if (any)
            return { columns[int(Role::Number)].value_or(0), columns[int(Role::Last)],
                columns[int(Role::First)], columns[int(Role::Full)] };
    }
    return {};
}

} // namespace quavel::ImportParser
