#include "LibraryTestSupport.h"

#include "platform/Iso8601.h"

#include <QFile>

#include <cctype>
#include <cstring>
#include <stdexcept>
#include <sys/inotify.h>
#include <unistd.h>

namespace quavel::test {

ReplaceCounter::ReplaceCounter(const QString& folder)
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0)
        // IN_CREATE too: the kernel folds an event into an identical one still unread, and the creation
        // of each temporary sibling (a new name every time) keeps two replacements apart.
        ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_MOVED_TO | IN_CREATE);
}

ReplaceCounter::~ReplaceCounter()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void ReplaceCounter::drain()
{
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t off = 0; off < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + off);
            if (event->len > 0 && (event->mask & IN_MOVED_TO))
                ++m_counts[std::string(event->name)];
            off += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

int ReplaceCounter::count(const QString& name)
{
    drain();
    const auto it = m_counts.find(name.toStdString());
    return it == m_counts.end() ? 0 : it->second;
}

void ReplaceCounter::reset()
{
    drain();
    m_counts.clear();
}

std::string paramName(std::size_t index, QStringView text)
{
    std::string name = std::to_string(index);
    name += '_';
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z'))
            name += char(u);
        else if (name.back() != '_')
            name += '_';
    }
    return name;
}

std::string printable(QStringView text)
{
    QString out;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        else
            out += c;
    }
    return '"' + out.toStdString() + '"';
}

QDateTime at(const char* isoText)
{
    return *Iso8601::parse(QString::fromLatin1(isoText));
}

QUuid uid(const char* digits)
{
    QString hex = QString::fromLatin1(digits).rightJustified(32, u'0');
    for (QChar c : hex)
        if (!isxdigit(c.toLatin1()))
            throw std::invalid_argument("test identifiers are hexadecimal");
    return QUuid::fromString(hex.left(8) + u'-' + hex.mid(8, 4) + u'-' + hex.mid(12, 4) + u'-'
        + hex.mid(16, 4) + u'-' + hex.mid(20));
}

DayRecord day(const char* id, const QString& name, qint64 sortIndex, const char* createdAt)
{
    return DayRecord { uid(id), name, at(createdAt), sortIndex };
}

RowRecord row(const char* id, const QString& photo, const QString& assigned)
{
    return RowRecord { uid(id), photo, assigned };
}

SpreadsheetRecord sheet(const char* id, const char* dayID, const QString& title, const char* updatedAt,
    QList<RowRecord> rows, bool isOpen)
{
    return SpreadsheetRecord { uid(id), uid(dayID), title, at("2026-06-01T08:00:00Z"), at(updatedAt), isOpen,
        std::move(rows) };
}

} // namespace quavel::test
