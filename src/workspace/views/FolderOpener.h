#pragma once

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <functional>

namespace quavel {

// Shows a folder to the photographer once the screens have written into it. Tests hand the screens
// their own so that no file manager starts; an empty opener means the desktop's file manager.
using FolderOpener = std::function<void(const QString& folder)>;

inline FolderOpener orDesktopOpener(FolderOpener opener)
{
    if (opener)
        return opener;
    return [](const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
}

} // namespace quavel
