#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

#include <QFileDialog>

namespace quavel {

// The modal open panels through which the user picks a programme file, a folder, an application or an
// image. Each picker blocks until the panel closes and returns the picked path, or nothing when the
// panel was cancelled or closed. GUI thread only.
class PanelPresenter
{
public:
    static PanelPresenter& shared();

    std::optional<QString> pickProgramme();
    std::optional<QString> pickFolder(const QString& title, const QString& prompt);
    // An application: one of the desktop's ".desktop" entries.
    std::optional<QString> pickApplication();
    std::optional<QString> pickImage(const QString& title, const QString& prompt);

    // The panel while one is shown (tests close it through this).
    QFileDialog* panel() const { return m_panel; }

    // Extensions accepted for a programme and for an image, without duplicates, in order.
    static QStringList programmeExtensions();
    static QStringList imageExtensions();
    // The folder the application picker opens in.
    static QString applicationsFolder();

private:
    PanelPresenter() = default;
    struct Request;
    std::optional<QString> run(const Request& request);

    QPointer<QFileDialog> m_panel;
};

} // namespace quavel
