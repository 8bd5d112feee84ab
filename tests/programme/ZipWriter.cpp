#include "ZipWriter.h"

#include <zlib.h>

namespace quavel::test {

namespace {

void put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

void ZipWriter::add(const QString& name, const QByteArray& data, quint16 method)
{
    m_entries.append({ name, data, method, {}, {}, {} });
}

QByteArray ZipWriter::rawDeflate(const QByteArray& data)
{
    z_stream s {};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(data.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    s.avail_in = uInt(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.truncate(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

QByteArray ZipWriter::deflatedRepeats(const QByteArray& piece, qint64 times)
{
    QByteArray block;
    while (block.size() < (1 << 20))
        block += piece;
    const qint64 perBlock = block.size() / piece.size();
    z_stream s {};
    deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out;
    char buffer[1 << 16];
    for (qint64 left = times; left > 0;) {
        const qint64 n = std::min(left, perBlock);
        left -= n;
        s.next_in = reinterpret_cast<Bytef*>(block.data());
        s.avail_in = uInt(n * piece.size());
        do {
            s.next_out = reinterpret_cast<Bytef*>(buffer);
            s.avail_out = sizeof buffer;
            deflate(&s, left > 0 ? Z_NO_FLUSH : Z_FINISH);
            out.append(buffer, qsizetype(sizeof buffer - s.avail_out));
        } while (s.avail_out == 0);
    }
    deflateEnd(&s);
    return out;
}

QByteArray ZipWriter::archive() const
{
    QByteArray out;
    QByteArray central;
    for (const Entry& e : m_entries) {
        const QByteArray name = e.name.toUtf8();
        const QByteArray body
            = e.rawCompressed ? *e.rawCompressed : (e.method == 8 ? rawDeflate(e.data) : e.data);
        const quint32 crc
            = quint32(crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), uInt(e.data.size())));
        const quint32 offset = quint32(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0x0800);
        put16(out, e.method);
        put32(out, 0);
        put32(out, crc);
        put32(out, quint32(body.size()));
        put32(out, quint32(e.data.size()));
        put16(out, quint32(name.size()));
        put16(out, 0);
        out.append(name);
        out.append(body);

        put32(central, 0x02014b50);
        put16(central, 20);
        put16(central, 20);
        put16(central, 0x0800);
        put16(central, e.method);
        put32(central, 0);
        put32(central, crc);
        put32(central, e.declaredCompressedSize.value_or(quint32(body.size())));
        put32(central, e.declaredUncompressedSize.value_or(quint32(e.data.size())));
        put16(central, quint32(name.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, 0);
        put32(central, offset);
        central.append(name);
    }
    const quint32 centralOffset = quint32(out.size());
    out.append(central);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(m_entries.size()));
    put16(out, quint32(m_entries.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, quint32(m_comment.size() & 0xFFFF));
    out.append(m_comment);
    return out;
}

QByteArray workbook(const QList<std::pair<QString, QByteArray>>& parts, quint16 method)
{
    ZipWriter zip;
    for (const auto& [name, data] : parts)
        zip.add(name, data, method);
    return zip.archive();
}

QByteArray sheetXml(const QString& rows)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                           "<cols><col min=\"1\" max=\"3\" width=\"12\"/></cols><sheetData>")
        + rows + QStringLiteral("</sheetData></worksheet>"))
        .toUtf8();
}

QByteArray inlineSheet(const QList<QStringList>& rows)
{
    QString xml;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        xml += QStringLiteral("<row r=\"%1\">").arg(r + 1);
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            if (rows[r][c].isEmpty())
                continue;
            const QString ref = QString(QChar(u'A' + int(c))) + QString::number(r + 1);
            xml += QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
                       .arg(ref, escaped(rows[r][c]));
        }
        xml += QStringLiteral("</row>");
    }
    return sheetXml(xml);
}

QByteArray workbookXml(const QStringList& sheetNames, bool withIds)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workbook xmlns:r=\"http://"
                                 "schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>");
    for (qsizetype i = 0; i < sheetNames.size(); ++i) {
        xml += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\"").arg(escaped(sheetNames[i])).arg(i + 1);
        if (withIds)
            xml += QStringLiteral(" r:id=\"rId%1\"").arg(i + 1);
        xml += QStringLiteral("/>");
    }
    return (xml + QStringLiteral("</sheets></workbook>")).toUtf8();
}

QByteArray relationshipsXml(const QStringList& targets)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\"?><Relationships>");
    for (qsizetype i = 0; i < targets.size(); ++i)
        xml += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"worksheet\" Target=\"%2\"/>")
                   .arg(i + 1)
                   .arg(targets[i]);
    return (xml + QStringLiteral("</Relationships>")).toUtf8();
}

} // namespace quavel::test
