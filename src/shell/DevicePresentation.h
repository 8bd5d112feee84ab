#pragma once

#include <QString>

namespace quavel {

class SyncStatusSource;

// The texts and symbols of the device picker and the device rows, from what the sync source says.
namespace DevicePresentation {

// "candybarphone" for a stored name beginning "QUAVEL Android", else "iphone".
QString deviceSymbol(const QString& name);
// The picker's symbol: by its reference device (first enabled, else first listed), or the antenna for
// several enabled devices.
QString pickerSymbol(const SyncStatusSource& sync);
QString pickerTitle(const SyncStatusSource& sync);
// "Synchronisé", "Lien en cours", "En ligne" or "Hors de portée".
QString rowState(bool linked, bool nearby, bool enabled);

} // namespace DevicePresentation
} // namespace quavel
