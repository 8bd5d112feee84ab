#pragma once

#include <QString>

namespace quavel {

struct WebLoadError;

// The French text a photographer sees when a file operation fails with this errno value.
QString frenchDescription(int errnoValue);

// The French text shown in the programme browser when a page fails to load (the engine's own texts are
// English).
QString frenchDescription(const WebLoadError& error);

} // namespace quavel
