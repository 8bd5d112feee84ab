#include "programme/ZipArchive.h"

#include "programme/ImportParserExtract.h"
#include "programme/ZipError.h"

#include "platform/text/Regex.h"

#include <QHash>

#include <zlib.h>

#include <algorithm>

namespace quavel::ZipArchive {

namespace {

constexpr quint32 endSignature = 0x06054b50;
constexpr quint32 centralSignature = 0x02014b50;
constexpr quint32 localSignature = 0x04034b50;
constexpr qint64 endRecordSize = 22;
constexpr qint64 centralRecordSize = 46;
constexpr qint64 localHeaderSize = 30;
constexpr qint64 longestComment = 65535;

// Little-endian reads; the caller has checked that the bytes are there.
quint16 u16(const QByteArray& b, qint64 at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint16(p[0] | (p[1] << 8));
}

quint32 u32(const QByteArray& b, qint64 at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

bool fits(const QByteArray& b, qint64 at, qint64 length)
{
    return at >= 0 && length >= 0 && at <= qint64(b.size()) - length;
}

// Lookups by exact name and by "/" + name suffix, answering the first entry in directory order, as a
// fresh scan of the directory would. Built once per workbook instead of once per lookup.
class EntryIndex
{
public:
    explicit EntryIndex(const QList<Entry>& entries)
        : m_entries(entries)
    {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString& name = entries[i].name;
            m_exact.insert(name, std::min(m_exact.value(name, i), i));
            for (qsizetype slash = name.indexOf(u'/'); slash >= 0; slash = name.indexOf(u'/', slash + 1)) {
                const QString suffix = name.mid(slash + 1);
                m_suffix.insert(suffix, std::min(m_suffix.value(suffix, i), i));
            }
        }
    }

    const Entry* find(const QString& name) const
    {
        const qsizetype none = m_entries.size();
        const qsizetype i = std::min(m_exact.value(name, none), m_suffix.value(name, none));
        return i < none ? &m_entries[i] : nullptr;
    }

    const QList<Entry>& entries() const { return m_entries; }

private:
    QList<Entry> m_entries;
    QHash<QString, qsizetype> m_exact;
    QHash<QString, qsizetype> m_suffix;
};

QByteArray dataIn(const EntryIndex& index, const QString& name, const QByteArray& archive, qint64& byteBudget)
{
    const Entry* entry = index.find(name);
    if (!entry)
        throw ZipError::missingEntry(name);
    charge(*entry, byteBudget);
    return extract(*entry, archive);
}

// Reads an entry whose failure leaves it out (`nullopt`). The entry was charged before: a part past
// the budget is refused, not forgiven.
std::optional<QByteArray> optionalData(const Entry* entry, const QByteArray& archive)
{
    if (!entry)
        return std::nullopt;
    try {
        return extract(*entry, archive);
    } catch (const ZipError&) {
        return std::nullopt;
    }
}

} // namespace

std::optional<qint64> findEOCD(const QByteArray& archive)
{
    const qint64 count = archive.size();
    if (count < endRecordSize)
        return std::nullopt;
    const qint64 lowest = std::max<qint64>(0, count - (longestComment + endRecordSize));
    for (qint64 p = count - endRecordSize; p >= lowest; --p)
        if (u32(archive, p) == endSignature)
            return p;
    return std::nullopt;
}

QList<Entry> listing(const QByteArray& archive)
{
    const std::optional<qint64> end = findEOCD(archive);
    if (!end)
        throw ZipError::invalidArchive();
    const int count = u16(archive, *end + 10);
    qint64 position = u32(archive, *end + 16);
    QList<Entry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (!fits(archive, position, centralRecordSize) || u32(archive, position) != centralSignature)
            throw ZipError::invalidArchive();
        const qint64 nameLength = u16(archive, position + 28);
        const qint64 extraLength = u16(archive, position + 30);
        const qint64 commentLength = u16(archive, position + 32);
        if (!fits(archive, position + centralRecordSize, nameLength))
            throw ZipError::invalidArchive();
        Entry entry;
        entry.compression = u16(archive, position + 10);
        entry.compressedSize = u32(archive, position + 20);
        entry.uncompressedSize = u32(archive, position + 24);
        entry.localHeaderOffset = u32(archive, position + 42);
        const QByteArray nameBytes = archive.mid(position + centralRecordSize, nameLength);
        entry.name = ImportParserExtract::decodeUtf8(nameBytes).value_or(QString());
        entries.append(entry);
        position += centralRecordSize + nameLength + extraLength + commentLength;
    }
    return entries;
}

QByteArray extract(const Entry& entry, const QByteArray& archive)
{
    const qint64 header = entry.localHeaderOffset;
    if (!fits(archive, header, localHeaderSize) || u32(archive, header) != localSignature)
        throw ZipError::invalidArchive();
    const qint64 start = header + localHeaderSize + u16(archive, header + 26) + u16(archive, header + 28);
    if (!fits(archive, start, entry.compressedSize))
        throw ZipError::invalidArchive();
    const QByteArrayView bytes(archive.constData() + start, entry.compressedSize);
    switch (entry.compression) {
    case 0:
        return bytes.toByteArray();
    case 8:
        return inflate(bytes, entry.uncompressedSize);
    default:
        throw ZipError::unsupportedCompression();
    }
}

QByteArray inflate(QByteArrayView compressed, qint64 uncompressedSize)
{
    if (uncompressedSize < 0 || uncompressedSize > maximumEntrySize)
        throw ZipError::invalidArchive();
    QByteArray out(qsizetype(std::max<qint64>(uncompressedSize, 1)), Qt::Uninitialized);
    z_stream stream {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        throw ZipError::decompressionFailed();
    // The sizes fit in uInt: the output is capped at 256 MiB and the input at the 4 GiB a zip
    // record can declare; a longer input is fed in pieces.
    const auto* input = reinterpret_cast<const Bytef*>(compressed.data());
    qint64 inputLeft = compressed.size();
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    int status = Z_OK;
    while (status == Z_OK && stream.avail_out > 0) {
        if (stream.avail_in == 0) {
            if (inputLeft == 0)
                break;
            const qint64 piece = std::min<qint64>(inputLeft, 1 << 30);
            stream.next_in = const_cast<Bytef*>(input);
            stream.avail_in = uInt(piece);
            input += piece;
            inputLeft -= piece;
        }
        status = ::inflate(&stream, Z_NO_FLUSH);
    }
    const qint64 written = qint64(out.size()) - stream.avail_out;
    inflateEnd(&stream);
    const bool complete = status == Z_STREAM_END || (status == Z_OK && stream.avail_out == 0);
    if (!complete || written < 1)
        throw ZipError::decompressionFailed();
    out.truncate(qsizetype(written));
    return out;
}

void charge(const Entry& entry, qint64& byteBudget)
{
    const qint64 size = entry.compression == 0 ? entry.compressedSize : entry.uncompressedSize;
    // A deflated entry over the entry cap would be refused by inflate: refused here, before any work.
    if (size < 0 || size > byteBudget || (entry.compression == 8 && size > maximumEntrySize))
        throw ZipError::invalidArchive();
    byteBudget -= size;
}

QByteArray data(const QString& name, const QByteArray& archive, qint64& byteBudget)
{
    return dataIn(EntryIndex(listing(archive)), name, archive, byteBudget);
}

QByteArray data(const QString& name, const QByteArray& archive)
{
    qint64 byteBudget = maximumWorkbookSize;
    return data(name, archive, byteBudget);
}

QString zipPath(const QString& target)
{
    QString path = target;
    path.replace(u'\\', u'/');
    qsizetype slashes = 0;
    while (slashes < path.size() && path[slashes] == u'/')
        ++slashes;
    path.remove(0, slashes);
    return path.startsWith(QStringLiteral("xl/")) ? path : QStringLiteral("xl/") + path;
}

QMap<QString, QString> relationshipTargets(const QByteArray& relationships)
{
    QMap<QString, QString> targets;
    const std::optional<QString> text = ImportParserExtract::decodeUtf8(relationships);
    if (!text)
        return targets;
    // The element may carry any namespace prefix, as the worksheet elements may.
    static const Regex record(
        QStringLiteral("<(?:[^\\s/<>:]++:)?Relationship\\b([^>]*)/?>"), Regex::CaseInsensitive);
    static const Regex id = ImportParserExtract::attributePattern(QStringLiteral("Id"));
    static const Regex target = ImportParserExtract::attributePattern(QStringLiteral("Target"));
    for (const RegexMatch& m : record.matchAll(*text)) {
        const QString attributes = m.captured(1);
        const auto key = ImportParserExtract::attributeValue(attributes, id);
        const auto value = ImportParserExtract::attributeValue(attributes, target);
        if (key && value)
            targets.insert(*key, *value);
    }
    return targets;
}

QList<SheetDescriptor> sheetDescriptors(const QByteArray& workbook)
{
    QList<SheetDescriptor> sheets;
    const std::optional<QString> text = ImportParserExtract::decodeUtf8(workbook);
    if (!text)
        return sheets;
    static const Regex element(
        QStringLiteral("<(?:[^\\s/<>:]++:)?sheet\\b([^>]*)/?>"), Regex::CaseInsensitive);
    static const Regex name = ImportParserExtract::attributePattern(QStringLiteral("name"));
    static const Regex rid = ImportParserExtract::attributePattern(QStringLiteral("r:id"));
    static const Regex id = ImportParserExtract::attributePattern(QStringLiteral("id"));
    for (const RegexMatch& m : element.matchAll(*text)) {
        const QString attributes = m.captured(1);
        const auto sheetName = ImportParserExtract::attributeValue(attributes, name);
        if (!sheetName)
            continue;
        auto relationship = ImportParserExtract::attributeValue(attributes, rid);
        if (!relationship)
            relationship = ImportParserExtract::attributeValue(attributes, id);
        sheets.append(
            { ImportParserExtract::decodingXMLEntities(*sheetName), relationship.value_or(QString()) });
    }
    return sheets;
}

QList<Worksheet> worksheets(
    const QByteArray& archive, qint64& byteBudget, const SharedStringsReader& sharedStrings)
{
    const EntryIndex index(listing(archive));
    const Entry* workbookEntry = index.find(QStringLiteral("xl/workbook.xml"));
    if (!workbookEntry)
        throw ZipError::missingEntry(QStringLiteral("xl/workbook.xml"));
    const Entry* relationshipsEntry = index.find(QStringLiteral("xl/_rels/workbook.xml.rels"));
    const Entry* sharedStringsEntry
        = sharedStrings ? index.find(QStringLiteral("xl/sharedStrings.xml")) : nullptr;
    // Whatever is known before the workbook part is read is charged before it is inflated.
    for (const Entry* entry : { workbookEntry, relationshipsEntry, sharedStringsEntry })
        if (entry)
            charge(*entry, byteBudget);

    const QByteArray workbook = extract(*workbookEntry, archive);
    // No relationships, or none that can be read: every sheet is found by its position.
    const QMap<QString, QString> targets
        = relationshipTargets(optionalData(relationshipsEntry, archive).value_or(QByteArray()));
    // A sheet without a relationship is found by its position among the sheets read before it.
    const QList<SheetDescriptor> descriptors = sheetDescriptors(workbook);
    const auto entryOf = [&](const SheetDescriptor& sheet, qsizetype readBefore) {
        return index.find(zipPath(targets.value(
            sheet.relationshipID, QStringLiteral("worksheets/sheet%1.xml").arg(readBefore + 1))));
    };
    // Every worksheet the workbook names, each time it names it, is charged before the shared strings
    // or any worksheet is inflated, as if every one of them could be read: a workbook over the budget
    // is refused before the work, not after it.
    QList<const Entry*> planned;
    qsizetype found = 0;
    for (const SheetDescriptor& sheet : descriptors) {
        const Entry* entry = entryOf(sheet, found);
        planned.append(entry);
        if (entry) {
            charge(*entry, byteBudget);
            ++found;
        }
    }

    if (sharedStrings)
        sharedStrings(
            sharedStringsEntry ? std::optional(extract(*sharedStringsEntry, archive)) : std::nullopt);

    QList<Worksheet> sheets;
    for (qsizetype i = 0; i < descriptors.size(); ++i) {
        // Once a part could not be read, the positions after it differ from the plan's: a part found
        // by its new position is charged before it is read.
        const Entry* entry = entryOf(descriptors[i], sheets.size());
        if (entry && entry != planned[i])
            charge(*entry, byteBudget);
        // A sheet whose part cannot be read is left out; the others still import.
        if (std::optional<QByteArray> xml = optionalData(entry, archive))
            sheets.append({ descriptors[i].name, std::move(*xml) });
    }
    if (!sheets.isEmpty())
        return sheets;

    QStringList names;
    for (const Entry& entry : index.entries())
        if (entry.name.startsWith(QStringLiteral("xl/worksheets/sheet"))
            && entry.name.endsWith(QStringLiteral(".xml")))
            names.append(entry.name);
    std::sort(names.begin(), names.end());
    // Looked up by name, as any part is: the first entry that answers to it.
    QList<const Entry*> parts;
    for (const QString& name : names)
        parts.append(index.find(name));
    for (const Entry* part : parts)
        charge(*part, byteBudget);
    for (const Entry* part : parts)
        sheets.append({ QStringLiteral("Feuille %1").arg(sheets.size() + 1), extract(*part, archive) });
    if (sheets.isEmpty())
        throw ZipError::missingEntry(QStringLiteral("xl/worksheets/sheet1.xml"));
    return sheets;
}

QList<Worksheet> worksheets(const QByteArray& archive)
{
    qint64 byteBudget = maximumWorkbookSize;
    return worksheets(archive, byteBudget, {});
}

} // namespace quavel::ZipArchive
