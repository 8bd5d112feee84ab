#include "platform/http/HttpFetcher.h"

namespace quavel {

bool HttpFetcher::isFetchable(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

} // namespace quavel
