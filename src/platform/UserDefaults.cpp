#include "platform/UserDefaults.h"

#include "platform/JsonDepth.h"
#include "platform/files/NativeName.h"

#include <QDir>
#include <QFile>

#include <memory>
#include <mutex>

namespace quavel {

namespace {

// Bytes are kept as {"$data": "<Base64>"} so that they stay distinct from texts.
constexpr const char* kDataKey = "$data";

std::string key8(const QString& key)
{
    return key.toStdString();
}

QString defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/QUAVEL/defaults.json");
}

std::unique_ptr<UserDefaults>& standardInstance()
{
    static std::unique_ptr<UserDefaults> instance;
    return instance;
}

QString& overridePath()
{
    static QString path;
    return path;
}

std::mutex& standardMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace

UserDefaults::UserDefaults(QString path)
    : m_file(std::move(path))
{
    load();
}

UserDefaults& UserDefaults::standard()
{
    std::lock_guard lock(standardMutex());
    auto& instance = standardInstance();
    if (!instance)
        instance = std::make_unique<UserDefaults>(standardPath());
    return *instance;
}

void UserDefaults::setStandardPathForTesting(const QString& path)
{
    std::lock_guard lock(standardMutex());
    overridePath() = path;
    standardInstance().reset();
}

QString UserDefaults::standardPath()
{
    // overridePath() changes only in tests, before the stores that read it are made.
    return overridePath().isEmpty() ? defaultPath() : overridePath();
}

void UserDefaults::load()
{
    // A file that exists but cannot be read or parsed is kept: the first write sets it aside.
    m_file.read([this](const QByteArray& bytes) {
        // Too deep a file is as unreadable as a malformed one: kept aside, never parsed (its values
        // would be written back at the next change, and the writer recurses per level).
        if (JsonDepth::exceeds(bytes.constData(), std::size_t(bytes.size())))
            return false;
        nlohmann::json parsed = nlohmann::json::parse(bytes.constBegin(), bytes.constEnd(), nullptr, false);
        if (!parsed.is_object())
            return false;
        m_values = std::move(parsed);
        return true;
    });
}

std::optional<nlohmann::json> UserDefaults::valueLocked(const QString& key) const
{
    auto it = m_values.find(key8(key));
    if (it == m_values.end())
        return std::nullopt;
    return *it;
}

bool UserDefaults::contains(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    return m_values.contains(key8(key));
}

std::optional<QString> UserDefaults::string(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    auto v = valueLocked(key);
    if (!v || !v->is_string())
        return std::nullopt;
    return QString::fromStdString(v->get<std::string>());
}

std::optional<QStringList> UserDefaults::stringList(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    auto v = valueLocked(key);
    if (!v || !v->is_array())
        return std::nullopt;
    QStringList out;
    for (const auto& element : *v) {
        if (!element.is_string())
            return std::nullopt;
        out.append(QString::fromStdString(element.get<std::string>()));
    }
    return out;
}

std::optional<bool> UserDefaults::boolean(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    auto v = valueLocked(key);
    if (!v || !v->is_boolean())
        return std::nullopt;
    return v->get<bool>();
}

std::optional<qint64> UserDefaults::integer(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    auto v = valueLocked(key);
    if (!v || !(v->is_number_integer()))
        return std::nullopt;
    if (v->is_number_unsigned()
        && v->get<std::uint64_t>() > std::uint64_t(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    return v->get<qint64>();
}

std::optional<double> UserDefaults::number(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    auto v = valueLocked(key);
    if (!v || !v->is_number())
        return std::nullopt;
    return v->get<double>();
}

std::optional<QByteArray> UserDefaults::data(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    auto v = valueLocked(key);
    if (!v || !v->is_object() || v->size() != 1 || !v->contains(kDataKey) || !(*v)[kDataKey].is_string())
        return std::nullopt;
    const std::string& text = (*v)[kDataKey].get_ref<const std::string&>();
    auto decoded = QByteArray::fromBase64Encoding(
        QByteArray::fromStdString(text), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return decoded.decoded;
}

void UserDefaults::store(const QString& key, nlohmann::json value)
{
    QMutexLocker lock(&m_mutex);
    m_values[key8(key)] = std::move(value);
    m_dirty = true;
    writeLocked();
}

void UserDefaults::setString(const QString& key, const QString& value)
{
    store(key, value.toStdString());
}

void UserDefaults::setStringList(const QString& key, const QStringList& value)
{
    nlohmann::json array = nlohmann::json::array();
    for (const QString& s : value)
        array.push_back(s.toStdString());
    store(key, std::move(array));
}

void UserDefaults::setBoolean(const QString& key, bool value)
{
    store(key, value);
}

void UserDefaults::setInteger(const QString& key, qint64 value)
{
    store(key, value);
}

void UserDefaults::setNumber(const QString& key, double value)
{
    store(key, value);
}

void UserDefaults::setData(const QString& key, const QByteArray& value)
{
    store(key, nlohmann::json { { kDataKey, value.toBase64().toStdString() } });
}

void UserDefaults::remove(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    if (m_values.erase(key8(key)) > 0) {
        m_dirty = true;
        writeLocked();
    }
}

bool UserDefaults::synchronize()
{
    QMutexLocker lock(&m_mutex);
    return writeLocked();
}

bool UserDefaults::writeLocked()
{
    if (!m_dirty)
        return true;
    const std::string text = m_values.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    if (!m_file.write(QByteArray::fromStdString(text) + '\n'))
        return false;
    m_dirty = false;
    return true;
}

} // namespace quavel
