#include "orders/OrdersSettingsFile.h"

#include "orders/OrdersFile.h"
#include "platform/Error.h"

namespace quavel {

OrdersSettingsFile::OrdersSettingsFile(const QString& folder)
    : m_file(folder + QStringLiteral("/settings.json"))
{ }

std::optional<OrdersFile> OrdersSettingsFile::read()
{
    std::optional<OrdersFile> file;
    m_file.read([&file](const QByteArray& bytes) {
        file = OrdersFile::decode(bytes);
        return true;
    });
    return file;
}

void OrdersSettingsFile::write(const OrdersFile& file)
{
    QByteArray bytes;
    try {
        bytes = file.encode();
    } catch (const Error&) {
        // An encoding failure shows nothing, like a failed write.
        return;
    }
    m_file.write(bytes);
}

} // namespace quavel
