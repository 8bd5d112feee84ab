#include "orders/OrderPaths.h"

#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <QDir>

namespace quavel::OrderPaths {

QString storedKey(const QString& path)
{
    return text::composed(NativeName::displayed(path));
}

QString lastComponent(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    return clean.mid(clean.lastIndexOf(u'/') + 1);
}

QString displayedName(const QString& path)
{
    return NativeName::displayed(lastComponent(path));
}

} // namespace quavel::OrderPaths
