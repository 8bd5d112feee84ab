#include "platform/SettingsFile.h"

#include "platform/AtomicFile.h"
#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>

namespace quavel {

SettingsFile::SettingsFile(QString url)
    : m_url(std::move(url))
{ }

bool SettingsFile::read(const std::function<bool(const QByteArray&)>& decode)
{
    bool read = false;
    if (const auto bytes = AtomicFile::read(m_url)) {
        try {
            read = decode(*bytes);
        } catch (const FormatError&) { }
    }
    // Nothing is marked when no file stands there.
    if (!read)
        m_file.markUnreadable();
    return read;
}

bool SettingsFile::write(const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(m_url).absolutePath()) || !m_file.mayWrite())
        return false;
    return AtomicFile::tryWrite(m_url, bytes);
}

} // namespace quavel
