#pragma once

// The application's file panel in widget tests: acting on it while it is shown, and accepting it on a
// path.

#include "ui/PanelPresenter.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include <functional>
#include <memory>

namespace quavel::test {

// Runs `act` on the file panel each time it is found shown, until the returned object goes: a panel
// still reading its folder may not take the first answer.
inline std::unique_ptr<QObject> whenPanelShows(const std::function<void(QFileDialog*)>& act)
{
    auto owner = std::make_unique<QObject>();
    auto* timer = new QTimer(owner.get());
    QObject::connect(timer, &QTimer::timeout, [act] {
        if (QFileDialog* panel = PanelPresenter::shared().panel(); panel && panel->isVisible())
            act(panel);
    });
    timer->start(20);
    return owner;
}

// Accepts the panel on `path` (a folder shown, or a file typed in its name field).
inline void acceptPanel(QFileDialog* panel, const QString& path, bool folder)
{
    const QFileInfo info(path);
    const QString directory = folder ? info.absoluteFilePath() : info.absolutePath();
    if (panel->directory().absolutePath() != directory)
        panel->setDirectory(directory);
    // selectFile() leaves the name field alone while it has the focus: the name is typed instead.
    if (!folder)
        panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(info.fileName());
    QMetaObject::invokeMethod(panel, "accept");
}

} // namespace quavel::test
