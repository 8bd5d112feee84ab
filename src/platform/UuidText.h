#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace quavel {

// The canonical 36-character upper-case text of an identifier.
QString uuidText(const QUuid& id);

// Reads the canonical 36-character form, upper or lower case; no version check. Absent otherwise.
std::optional<QUuid> parseUuid(QStringView text);

} // namespace quavel
