#include "orders/OrdersSettingsFile.h"

#include "library/QuavelJSON.h"
#include "orders/OrdersFile.h"
#include "platform/AtomicFile.h"
#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>

namespace quavel {

OrdersSettingsFile::OrdersSettingsFile(const QString& folder)
    : m_url(folder + QStringLiteral("/settings.json"))
{ }

std::optional<OrdersFile> OrdersSettingsFile::read()
{
    const auto bytes = AtomicFile::read(m_url);
    if (!bytes) {
        // A settings file that exists but cannot be read is kept from the next write too.
        m_file.markUnreadable();
        return std::nullopt;
    }
    try {
        return OrdersFile::decode(*bytes);
    } catch (const QuavelJSON::DecodingError&) {
        m_file.markUnreadable();
        return std::nullopt;
    }
}

void OrdersSettingsFile::write(const OrdersFile& file)
{
    if (!QDir().mkpath(QFileInfo(m_url).absolutePath()) || !m_file.mayWrite())
        return;
    try {
        AtomicFile::tryWrite(m_url, file.encode());
    } catch (const Error&) {
        // An encoding failure shows nothing, like a failed write.
    }
}

} // namespace quavel
