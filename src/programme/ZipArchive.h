#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

// A small reader of the zip archives workbooks are made of: the central directory, stored and
// deflated entries, and the worksheets a workbook lists. Everything works on the whole file in
// memory; sizes and offsets from the file are never trusted. Every function throws ZipError.
namespace quavel::ZipArchive {

// One central-directory record.
struct Entry
{
    // Decoded as UTF-8; empty when the bytes are not valid UTF-8.
    QString name;
    quint16 compression = 0;
    qint64 compressedSize = 0;
    qint64 uncompressedSize = 0;
    qint64 localHeaderOffset = 0;

    bool operator==(const Entry&) const = default;
};

// One <sheet> element of the workbook part.
struct SheetDescriptor
{
    QString name;
    QString relationshipID;

    bool operator==(const SheetDescriptor&) const = default;
};

// A worksheet's name and the XML bytes of its part.
struct Worksheet
{
    QString name;
    QByteArray xml;
};

// The largest entry the reader inflates; a larger declared size is a broken archive.
constexpr qint64 maximumEntrySize = qint64(256) * 1024 * 1024;

// The most bytes all the parts of one workbook may inflate together (the workbook part, its
// relationships, the shared strings and every worksheet): each part stays under maximumEntrySize, but
// a workbook part can name the same highly compressed entry again and again, and a few hundred
// kilobytes of shared strings can inflate to hundreds of megabytes beside the worksheets.
constexpr qint64 maximumWorkbookSize = qint64(512) * 1024 * 1024;

// Takes what `entry` can inflate to (its declared size; a stored entry's own size) out of
// `byteBudget` before the entry is read. Throws invalidArchive when the budget cannot hold it, or when
// a deflated entry declares more than maximumEntrySize, so that a file past the budget is refused
// whichever part takes it there.
void charge(const Entry& entry, qint64& byteBudget);

// The position of the end-of-central-directory record, searched from the end over the longest
// possible comment.
std::optional<qint64> findEOCD(const QByteArray& archive);
// The central directory in file order.
QList<Entry> listing(const QByteArray& archive);
// The bytes of one entry.
QByteArray extract(const Entry& entry, const QByteArray& archive);
// Raw deflate of at most uncompressedSize bytes, stopping at the end of the stream.
QByteArray inflate(QByteArrayView compressed, qint64 uncompressedSize);

// The first entry, in directory order, named `name` or ending with "/" + name, charged to
// `byteBudget` (or to a budget of its own).
QByteArray data(const QString& name, const QByteArray& archive, qint64& byteBudget);
QByteArray data(const QString& name, const QByteArray& archive);

// Given the workbook's shared-string part ("xl/sharedStrings.xml"), or nullopt when it has none.
using SharedStringsReader = std::function<void(std::optional<QByteArray>)>;

// The worksheets of a workbook in workbook order, found through the workbook part and its
// relationships, else by the part names "xl/worksheets/sheet*.xml". With a `sharedStrings` reader, the
// shared-string part is handed to it before any worksheet is inflated (its read errors propagate).
//
// Every part read is charged to `byteBudget` (or to a fresh maximumWorkbookSize) by its declared size,
// past which the archive is refused as broken, even where a part that cannot be read is skipped. The
// charges come before the inflating: the workbook part, its relationships and the shared strings before
// the workbook part is read, and every worksheet it names (each time it names one) before the shared
// strings or any worksheet. Only parts the plan could not foresee are charged later, each still before
// it is inflated: a sheet found by its position after an earlier sheet could not be read, and the
// worksheets found by their part names when none named could be. Parts the reader never reads
// (images, styles, macros) are never charged.
QList<Worksheet> worksheets(
    const QByteArray& archive, qint64& byteBudget, const SharedStringsReader& sharedStrings);
QList<Worksheet> worksheets(const QByteArray& archive);

// "worksheets\sheet1.xml" → "xl/worksheets/sheet1.xml".
QString zipPath(const QString& target);
// Relationship id → target of a relationships part; later ids replace earlier ones.
QMap<QString, QString> relationshipTargets(const QByteArray& relationships);
QList<SheetDescriptor> sheetDescriptors(const QByteArray& workbook);

} // namespace quavel::ZipArchive
