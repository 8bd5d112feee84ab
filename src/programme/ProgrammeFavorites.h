#pragma once

#include "programme/ProgrammeFavorite.h"

#include <QList>
#include <QString>

// The favourites list of the programme browser, kept in "programme-favorites.json" in the
// application-support folder. Local to this computer. Called on the GUI thread.
namespace quavel::ProgrammeFavorites {

// The version of the built-in list that a file written now has seen.
constexpr qint64 seedVersion = 2;

QString filePath();

// The list to show. Never fails: a missing file is seeded with the built-ins; a file that cannot be
// read or decoded is set aside and replaced by the built-ins; an older file gains the built-ins it
// lacks, once.
QList<ProgrammeFavorite> load();

// Writes the list atomically; a failure is silent and leaves the previous file as it was. A file there
// that cannot be read or decoded is first set aside, and is never written over while it cannot be.
void save(const QList<ProgrammeFavorite>& items);

} // namespace quavel::ProgrammeFavorites
