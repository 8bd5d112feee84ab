#pragma once

#include "workspace/ProgrammeParser.h"

#include <QString>
#include <QStringView>

#include <functional>

#include <memory>
#include <optional>

namespace quavel {

// The programme files one store keeps in its folder: the parsed "programme.json" and the copy of the
// imported source, "programme." + its lower-case extension (pdf, xlsx or xlsm). Shared by the
// workspace store and the rider-folders store, each with its own folder.
//
// Parsing runs on a worker (ProgrammeLoader), one job after the other, while the GUI thread may store
// a web page's programme in the same folder. Each such write takes the next generation, and a job
// asked for before it writes nothing, under the one lock of the folder's files, so the last change
// asked for is the one on disk. Copies of a storage share that lock and numbering; its functions may
// run on any thread.
class ProgrammeStorage
{
public:
    // An empty parser means ProgrammeFileParser::parse.
    ProgrammeStorage(QString folder, ProgrammeParser parser);

    const QString& folder() const { return m_folder; }
    QString indexPath() const;

    // The first of "programme.pdf", "programme.xlsx", "programme.xlsm" that exists.
    std::optional<QString> existingCopy() const;

    // The number of the GUI thread's last change (below); a job carries the number current when it
    // was asked for.
    quint64 generation() const;

    // ---- Changes that win over any job still running (a web import, on the GUI thread) ----
    // Deletes the stored copies where present; failures ignored.
    void removeCopies() const;
    // Encodes and writes "programme.json" atomically; throws FileError, and then the file is unchanged.
    void writeIndex(const ProgrammeDocument& document) const;

    // ---- Jobs (a worker thread); `token` is the generation the job belongs to ----
    // "programme.json" decoded; absent when missing, undecodable or over the rider cap.
    std::optional<ProgrammeDocument> readIndex() const;
    // The stored copy parsed again and written to "programme.json"; absent when there is no copy, it
    // does not parse, or a later change superseded the job (then nothing is written).
    std::optional<ProgrammeDocument> reparse(quint64 token) const;
    // Imports a picked programme file as one transaction: the file is copied beside the stored copy
    // where no name shows it (UnnamedFile), parsed there, written to "programme.json", and only then
    // named "programme.<ext>" (one rename over the stored copy, flushed with the folder), the other
    // stored copies being removed last. Any failure removes the copy and throws, leaving
    // "programme.json" and the stored copy as they were; so does a later change (the result is then
    // absent). A killed import leaves no file under any name but UnnamedFile's hidden one, which the
    // start-up sweep removes. The picked file may be the stored copy itself.
    std::optional<ProgrammeDocument> importFile(const QString& picked, quint64 token) const;

    ProgrammeDocument parse(const QString& path) const;

    // "programme." + the lower-case extension of the name, "pdf" when it has none.
    static QString copyNameFor(const QString& picked);
    // The temporary copies that imports of earlier versions made, ".programme-import-<uuid>.<ext>"
    // (the last path component only).
    static bool isImportTemporary(QStringView name);
    // Lets the start-up sweep remove those left by killed imports in both stores' folders (the stores'
    // UnnamedFile names are AppSupport's).
    static void registerTemporaryFiles();

    // Tests: called on the importing thread once the copy is written, read and in "programme.json",
    // just before it gets its name. Process-wide; an empty function removes it.
    static void setBeforePublishForTesting(std::function<void()> hook);

private:
    struct Shared;

    QString m_folder;
    ProgrammeParser m_parser;
    std::shared_ptr<Shared> m_shared;
};

} // namespace quavel
