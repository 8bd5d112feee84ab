#pragma once

#include <QString>

// When two folder names are the same rider folder: trimmed, then compared ignoring case and
// character width (full-width and half-width forms), but not accents. Canonically equivalent
// spellings (composed or decomposed accents) give the same key.
namespace quavel::FolderNameKey {

QString key(QStringView name);

} // namespace quavel::FolderNameKey
