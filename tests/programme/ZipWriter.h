#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quavel::test {

// Writes small zip archives for the workbook tests: stored or deflated entries, with ways to break
// the structure the reader must refuse.
class ZipWriter
{
public:
    struct Entry
    {
        QString name;
        QByteArray data;
        quint16 method = 8;
        // Overrides of what the central directory declares.
        std::optional<quint32> declaredUncompressedSize;
        std::optional<quint32> declaredCompressedSize;
        std::optional<QByteArray> rawCompressed;
    };

    void add(const QString& name, const QByteArray& data, quint16 method = 8);
    void add(const Entry& entry) { m_entries.append(entry); }
    void setComment(const QByteArray& comment) { m_comment = comment; }

    QByteArray archive() const;

    static QByteArray rawDeflate(const QByteArray& data);
    // Raw deflate of `piece` repeated `times` times, made piece by piece (the whole never exists):
    // entries of hundreds of megabytes from a small archive.
    static QByteArray deflatedRepeats(const QByteArray& piece, qint64 times);

private:
    QList<Entry> m_entries;
    QByteArray m_comment;
};

// A workbook archive from its parts: "xl/workbook.xml", relationships, sheets, shared strings.
QByteArray workbook(const QList<std::pair<QString, QByteArray>>& parts, quint16 method = 8);

// A worksheet part around the given <row> elements.
QByteArray sheetXml(const QString& rows);

// A worksheet whose rows are the given texts as inline strings, column after column.
QByteArray inlineSheet(const QList<QStringList>& rows);

// A workbook.xml naming the sheets, with relationships rId1… when `withIds` is true.
QByteArray workbookXml(const QStringList& sheetNames, bool withIds = true);
QByteArray relationshipsXml(const QStringList& targets);

} // namespace quavel::test
