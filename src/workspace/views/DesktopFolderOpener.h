#pragma once

#include "workspace/FolderOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace quavel {

// The opener itself, or, when empty, the desktop's file manager.
inline FolderOpener orDesktopOpener(FolderOpener opener)
{
    if (opener)
        return opener;
    return [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
}

} // namespace quavel
