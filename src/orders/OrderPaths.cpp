#include "orders/OrderPaths.h"

#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

#include <QDir>

namespace quavel::OrderPaths {

namespace {

// An absolute path without empty, "." or ".." components and without a trailing slash: what listings
// make, so the common case is one scan and no copy.
bool isClean(const QString& path)
{
    const qsizetype n = path.size();
    if (n == 0 || path[0] != u'/')
        return false;
    if (n == 1)
        return true;
    if (path[n - 1] == u'/')
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        if (path[i] != u'/')
            continue;
        // The component after this slash.
        qsizetype end = i + 1;
        while (end < n && path[end] != u'/')
            ++end;
        const qsizetype length = end - i - 1;
        if (length == 0 || (length == 1 && path[i + 1] == u'.')
            || (length == 2 && path[i + 1] == u'.' && path[i + 2] == u'.'))
            return false;
        i = end - 1;
    }
    return true;
}

} // namespace

QString standardized(const QString& path)
{
    if (path.isEmpty() || isClean(path))
        return path;
    return QDir::cleanPath(path.startsWith(u'/') ? path : QDir::current().absoluteFilePath(path));
}

QString key(const QString& path)
{
    return text::composed(standardized(path));
}

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
