#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Address helpers shared by the results-page readers and the web importer.
namespace quavel::WebUrl {

// A link as written in a page, resolved against the page's address; absent when the link does not
// read as an address.
std::optional<QUrl> resolved(const QString& link, const QUrl& base);
// The path, percent-decoded.
QString decodedPath(const QUrl& url);
// The last non-empty segment of the path, percent-decoded ("7" for /startlist/7/); "/" for the root
// path and "" for no path.
QString lastPathComponent(const QUrl& url);

} // namespace quavel::WebUrl
