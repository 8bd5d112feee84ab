#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {

// One application of the desktop: a ".desktop" entry of type Application.
struct DesktopApplication
{
    QString desktopFile; // absolute path of the entry
    QString desktopId; // the entry's id ("org.gnome.eog.desktop")
    QString name; // the entry's Name in the user's language

    bool operator==(const DesktopApplication&) const = default;
};

// The desktop's applications over GIO. Only ".desktop" entries are ever launched: a path of any other
// kind (a program, a script) is refused, so a path read from a settings file cannot start a program.
// GUI thread only: GIO's launches are tied to the default main context, which Qt's event loop runs.
namespace Applications {

// The applications whose entries declare the file's content type (or a type it derives from), in GIO's
// order (the default application first). The type is sniffed from the file when it exists, else guessed
// from its name.
QList<DesktopApplication> forFile(const QString& path);

// The entry at a path ending in ".desktop" that GIO reads as an application; none otherwise.
std::optional<DesktopApplication> fromDesktopFile(const QString& path);

// Starts the entry's program with the files in one launch (GIO starts one process per file when the
// entry's command takes a single file). Returns at once; false when the entry is refused or the
// program could not be started.
bool launch(const QString& desktopFile, const QStringList& files);

// What asking the default application to open a file gave.
enum class DefaultOpen {
    opened,
    noApplication, // the desktop names no application for the file's type
    failed, // the default application could not be started
};

// Opens the file with the default application of its type.
DefaultOpen openWithDefault(const QString& path);

} // namespace Applications

} // namespace quavel
