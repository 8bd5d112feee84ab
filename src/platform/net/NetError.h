#pragma once

#include <QString>

namespace quavel {

// A failure reported by the network layer. message is the French text shown to the photographer;
// technicalText is the library's own wording (kept for tests on known error texts).
struct NetError
{
    enum class Domain { posix, socket, dnsService };

    Domain domain = Domain::posix;
    int code = 0;
    QString message;
    QString technicalText;

    bool operator==(const NetError&) const = default;
};

} // namespace quavel
