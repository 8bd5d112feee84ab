#pragma once

#include <QString>

namespace quavel {

// The French text a photographer sees when a file operation fails with this errno value.
QString frenchDescription(int errnoValue);

} // namespace quavel
