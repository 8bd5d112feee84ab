#include "programme/WebUrl.h"

namespace quavel::WebUrl {

std::optional<QUrl> resolved(const QString& link, const QUrl& base)
{
    if (link.isEmpty())
        return std::nullopt;
    const QUrl relative(link, QUrl::TolerantMode);
    if (!relative.isValid())
        return std::nullopt;
    const QUrl absolute = base.resolved(relative);
    if (!absolute.isValid())
        return std::nullopt;
    return absolute;
}

QString decodedPath(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded);
}

QString lastPathComponent(const QUrl& url)
{
    QString path = decodedPath(url);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (path == u"/")
        return path;
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace quavel::WebUrl
