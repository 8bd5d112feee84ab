#pragma once

#include "platform/net/NetEndpoint.h"

#include <QMap>
#include <QString>

#include <optional>

namespace quavel {

// One service instance currently seen by a browser. txt holds the TXT record's entries (keys in
// lower case, a key without "=" maps to an empty text); absent when no TXT record was read.
struct BrowseResult
{
    NetEndpoint endpoint;
    std::optional<QMap<QString, QString>> txt;

    bool operator==(const BrowseResult&) const = default;
};

} // namespace quavel
