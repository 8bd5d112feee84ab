#include "orders/OrderPaths.h"

#include "platform/text/Text.h"

#include <QDir>

namespace quavel::OrderPaths {

QString standardized(const QString& path)
{
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

QString key(const QString& path)
{
    return text::composed(standardized(path));
}

QString lastComponent(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    return clean.mid(clean.lastIndexOf(u'/') + 1);
}

} // namespace quavel::OrderPaths
