#pragma once

#include "library/SpreadsheetRecord.h"
#include "programme/ImportedPerson.h"
#include "workspace/OrganizerReport.h"
#include "workspace/PhotoGroup.h"

#include <QList>
#include <QString>

#include <functional>

// Cuts a folder of photos into riders' ranges by a spreadsheet's rows and copies each range into a
// folder per rider; also creates empty rider folders from a programme. Nothing is ever moved, deleted
// or overwritten: every copy takes a free name by exclusive creation.
// Stateless, value inputs and results: every function may run on any thread (execute is meant to run
// off the GUI thread); they do blocking file work.
namespace quavel::PhotoOrganizer {

// One group per usable row (photo number with digits and a bib), in photo-number order, each with
// the photo files of its range. Throws FileError when the source folder cannot be listed.
QList<PhotoGroup> plan(const SpreadsheetRecord& spreadsheet, const QList<ImportedPerson>& catalog,
    const QString& sourceDirectory);

// Copies every group's files into destination/<group's folder name>; a copy gets its name only once
// complete, and the destination's file system is flushed once before the report is returned. Throws
// FileError when the destination or a rider folder cannot be created, or the flush fails (copies
// already made stay); a file that cannot be copied is reported in the messages with its reason and
// counted as skipped, and a rider folder the run made and could copy nothing into is removed again.
// What a killed earlier run left in a rider folder (hidden partial copies, placeholders) goes first.
// `progress`, when given, is called on the calling thread after each file, copied or not, with the files done
// so far and the files of all groups.
OrganizerReport execute(const QList<PhotoGroup>& groups, const QString& destination,
    const std::function<void(int done, int total)>& progress = {});

// One empty folder per named rider in destination; existing folders (compared ignoring case and
// width) are left as they are. Throws FileError only when destination cannot be created.
OrganizerReport createEmptyRiderFolders(const QList<ImportedPerson>& people, const QString& destination);

// The names a copy of `fileName` tries in turn: the name itself, then "<base> copie", then
// "<base> copie 2", "… copie 3" and so on, each with the original extension. attempt 0 is the name.
QString candidateName(const QString& fileName, int attempt);

// The first candidate name at which nothing exists in folder (any entry blocks a name). Only a hint:
// execute takes the name by exclusive creation and moves on when another writer got there first.
QString copyURL(const QString& sourceFile, const QString& folder);

} // namespace quavel::PhotoOrganizer
