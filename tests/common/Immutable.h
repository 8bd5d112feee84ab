#pragma once

#include <QByteArray>
#include <QString>

namespace quavel::test {

// The file system's immutable flag on a file or folder (nobody, root included, may then rename, link,
// write, chmod or delete it, nor add to a folder); cleared again when the object goes, or by clear().
// Needs root and a file system that keeps the flag (ext4, tmpfs…): isSet() tells.
class Immutable
{
public:
    explicit Immutable(const QString& path);
    ~Immutable();
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;

    bool isSet() const { return m_set; }
    void clear();

private:
    bool change(bool on) const;

    QByteArray m_path;
    bool m_set = false;
};

} // namespace quavel::test
