#pragma once

#include "photo/OpenWithApp.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quavel {

// The applications that can open a selection of photos or videos, in an order that puts the usual photo
// editors first; opening files with one of them or with their default applications; and the type key
// under which a chosen application is remembered. Files and applications are absolute paths; only
// ".desktop" entries are ever launched. GUI thread only.
namespace OpenWithApps {

// The applications able to open every file, preferred first, then by name in the file manager's order.
// Each multiset of lower-cased extensions is asked once per process; later installs are not seen.
QList<OpenWithApp> apps(const QStringList& files);

// Opens every file with the application (a ".desktop" entry) in one launch; nothing for an empty list.
// Returns at once; false when the application is refused or does not start.
bool open(const QStringList& files, const QString& app);

// Opens each file with its default application, one after the other.
void openInDefaultApp(const QStringList& files);

// The file's lower-cased extension with the spellings of one type made one ("jpeg" -> "jpg", ...);
// empty for a file without extension.
QString typeKey(const QString& file);

// The cache key of a selection: its lower-cased extensions, sorted, joined with "|" (duplicates kept).
QString cacheKey(const QStringList& files);

// The rank of an application among the preferred ones (0 first), 9 when it is none of them: the first
// preferred text that its name or its desktop id contains, case ignored.
int preferredIndex(const QString& name, const QString& desktopId = QString());

} // namespace OpenWithApps

} // namespace quavel
