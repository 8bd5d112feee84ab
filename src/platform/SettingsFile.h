#pragma once

#include "platform/SetAside.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quavel {

// A settings file of a store (the library, the remembered selection, the user defaults, the
// favourites, the orders and the programme-holding stores), read at the store's creation and written
// whole (AtomicFile) after each change. A file that exists but does not read or decode is set aside
// before the first write replaces it ("<name>.unreadable-<UTC time>"), and nothing is written over it
// while it cannot be. The store keeps its own coding: what decodes, and the bytes it writes.
//
// One object belongs to one thread at a time (or to its keeper's lock).
class SettingsFile
{
public:
    explicit SettingsFile(QString url);

    const QString& url() const { return m_url; }
    // Hands the file's bytes to `decode`, which returns false (or throws FormatError, as every
    // QuavelJSON::DecodingError is) when they do not decode; other exceptions pass through. False when
    // there is no file or it does not read or decode; the file is then marked, so that the first write
    // sets whatever stands there aside.
    bool read(const std::function<bool(const QByteArray&)>& decode);
    // Writes the file (its folder made first), unless a file that did not read still stands there.
    // True when the file now holds `bytes`; the stores whose failed saves show nothing ignore it.
    bool write(const QByteArray& bytes);

private:
    QString m_url;
    SetAside m_file { m_url };
};

} // namespace quavel
