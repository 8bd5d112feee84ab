#pragma once

#include "platform/SettingsFile.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <nlohmann/json.hpp>

#include <optional>

namespace quavel {

// The user-defaults store: one JSON file of typed values under $XDG_CONFIG_HOME/QUAVEL.
// Each getter answers only for a value of its own type, so an absent key, an empty list and a value of
// another type stay distinct. Every change is written at once (atomically); synchronize() retries a
// write that failed. Keys are used exactly as given.
class UserDefaults
{
public:
    explicit UserDefaults(QString path);

    // The process-wide store at $XDG_CONFIG_HOME/QUAVEL/defaults.json (default ~/.config).
    static UserDefaults& standard();
    // Points standard() at another file (tests); the next call reads it afresh.
    static void setStandardPathForTesting(const QString& path);
    static QString standardPath();

    bool contains(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    // Absent unless the value is a list whose every element is a text.
    std::optional<QStringList> stringList(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const;
    std::optional<double> number(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;

    void setString(const QString& key, const QString& value);
    void setStringList(const QString& key, const QStringList& value);
    void setBoolean(const QString& key, bool value);
    void setInteger(const QString& key, qint64 value);
    void setNumber(const QString& key, double value);
    void setData(const QString& key, const QByteArray& value);
    void remove(const QString& key);

    // Writes pending changes now; true when the file holds every change.
    bool synchronize();

    const QString& path() const { return m_file.url(); }

private:
    void load();
    void store(const QString& key, nlohmann::json value);
    bool writeLocked();
    std::optional<nlohmann::json> valueLocked(const QString& key) const;

    // A file that did not read goes aside before the first write replaces it. Used under m_mutex.
    SettingsFile m_file;
    mutable QMutex m_mutex;
    nlohmann::json m_values = nlohmann::json::object();
    bool m_dirty = false;
};

} // namespace quavel
