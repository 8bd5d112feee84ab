#pragma once

#include <QMenu>
#include <QStringList>

namespace quavel {

// The print menu of the orders screen: one entry per paper format, a divider, then "Panneau
// d’impression…"; each prints the photos among the files (videos left out). Disabled, with the help
// text "Aucune photo à imprimer", when the files hold no photo. Its menuAction() carries the label
// (title and icon), the enabled state and the help text, so a tool button given it as its default
// action, or a context menu it is added to, follows them.
class PrintPhotosMenu : public QMenu
{
    Q_OBJECT

public:
    explicit PrintPhotosMenu(const QString& title, QWidget* parent = nullptr);

    const QStringList& files() const { return m_files; }
    void setFiles(const QStringList& files);
    // The photos the entries print.
    QStringList photos() const;

private:
    void refresh();

    QStringList m_files;
};

} // namespace quavel
