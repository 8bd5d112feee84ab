#include "platform/files/PathKey.h"

#include "platform/files/NativeName.h"
#include "platform/text/Text.h"

namespace quavel::PathKey {

QString of(const QString& path)
{
    return text::composed(NativeName::absolute(path));
}

bool same(const QString& a, const QString& b)
{
    return a == b || of(a) == of(b);
}

bool same(const std::optional<QString>& a, const std::optional<QString>& b)
{
    if (!a || !b)
        return !a && !b;
    return same(*a, *b);
}

} // namespace quavel::PathKey
