#include "platform/files/Bookmark.h"

#include "platform/files/NativeName.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <sys/stat.h>

namespace quavel::Bookmark {

namespace {

// Layout: magic (8 bytes), kind (1 byte: 'd' folder, 'f' anything else), device and inode (8 bytes
// each, little-endian), path length (4 bytes, little-endian), the path in the file-system encoding.
const QByteArray magic = QByteArrayLiteral("QVBMARK1");
constexpr qsizetype headerSize = 8 + 1 + 8 + 8 + 4;

void appendU64(QByteArray& out, quint64 v)
{
    char bytes[8];
    qToLittleEndian(v, bytes);
    out.append(bytes, 8);
}

quint64 readU64(const char* p)
{
    return qFromLittleEndian<quint64>(p);
}

} // namespace

std::optional<QByteArray> create(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QString absolute = QDir::cleanPath(QDir(QDir::currentPath()).absoluteFilePath(path));
    const QByteArray encoded = NativeName::encode(absolute);
    struct stat st
    {
    };
    if (::stat(encoded.constData(), &st) != 0)
        return std::nullopt;

    QByteArray out = magic;
    out.append(S_ISDIR(st.st_mode) ? 'd' : 'f');
    appendU64(out, quint64(st.st_dev));
    appendU64(out, quint64(st.st_ino));
    char length[4];
    qToLittleEndian(quint32(encoded.size()), length);
    out.append(length, 4);
    out.append(encoded);
    return out;
}

std::optional<Resolved> resolve(const QByteArray& data)
{
    if (data.size() < headerSize || !data.startsWith(magic))
        return std::nullopt;
    const char* p = data.constData() + magic.size();
    const char kind = p[0];
    if (kind != 'd' && kind != 'f')
        return std::nullopt;
    const quint64 device = readU64(p + 1);
    const quint64 inode = readU64(p + 9);
    const quint32 length = qFromLittleEndian<quint32>(p + 17);
    if (qsizetype(length) != data.size() - headerSize || length == 0)
        return std::nullopt;
    const QByteArray encoded = data.mid(headerSize);
    if (encoded.front() != '/' || encoded.contains('\0'))
        return std::nullopt;

    struct stat st
    {
    };
    if (::stat(encoded.constData(), &st) != 0)
        return std::nullopt;
    if (S_ISDIR(st.st_mode) != (kind == 'd'))
        return std::nullopt;
    Resolved resolved;
    resolved.path = NativeName::decode(encoded);
    resolved.isStale = quint64(st.st_dev) != device || quint64(st.st_ino) != inode;
    return resolved;
}

} // namespace quavel::Bookmark
