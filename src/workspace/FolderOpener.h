#pragma once

#include <QString>

#include <functional>

namespace quavel {

// Shows a folder to the photographer once a run has written into it. Tests hand in their own, so that
// no file manager starts.
using FolderOpener = std::function<void(const QString& folder)>;

} // namespace quavel
