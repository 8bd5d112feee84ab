#pragma once

#include "common/TestSupport.h"
#include "library/RowRecord.h"
#include "library/SpreadsheetRecord.h"
#include "programme/ImportedPerson.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <ostream>

namespace quavel::test {

// A row with a fixed identifier so that ties between equal photo numbers are predictable.
inline RowRecord row(const QString& photo, const QString& bib, int idSeed = 0)
{
    static int counter = 0;
    const int n = idSeed ? idSeed : ++counter + 1000;
    return RowRecord { QUuid(QStringLiteral("{00000000-0000-4000-8000-%1}").arg(n, 12, 10, QLatin1Char('0'))),
        photo, bib };
}

inline SpreadsheetRecord sheet(const QList<RowRecord>& rows)
{
    SpreadsheetRecord s;
    s.id = QUuid::createUuid();
    s.title = QStringLiteral("Tableur test");
    s.rows = rows;
    return s;
}

inline ImportedPerson rider(const QString& bib, const QString& last, const QString& first = QString())
{
    return ImportedPerson { bib, first, last, 1 };
}

// Names of the entries of a folder in code-unit order, hidden ones included.
inline QStringList entries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end());
    return names;
}

// Files whose names are given; each holds its own name as content so copies can be told apart.
inline void touch(const TempFolder& folder, const QStringList& names)
{
    for (const QString& name : names)
        folder.write(name, name.toUtf8());
}

inline QStringList fileNames(const QStringList& paths)
{
    QStringList names;
    for (const QString& p : paths)
        names.append(p.section(u'/', -1));
    return names;
}

} // namespace quavel::test

#include "programme/ProgrammeDocument.h"
#include "workspace/ProgrammeLoader.h"

#include <QMutex>

#include <functional>
#include <memory>
#include <optional>

namespace quavel::test {

inline ProgrammeDocument programme(const QString& sourceName, const QList<ProgrammeDay>& days = {})
{
    return ProgrammeDocument { sourceName, days };
}

inline ProgrammeDay day(const QString& name, const QList<ProgrammeEvent>& events)
{
    return ProgrammeDay { name, events };
}

inline ProgrammeEvent event(const QString& id, const QString& title, const QList<ImportedPerson>& people = {})
{
    return ProgrammeEvent { id, title, people };
}

// A programme reader for the stores' tests: records the paths and names it was handed and returns `result`
// (the file's first line as source name when `result` is empty), or throws when `fails`. The stores
// call it on their programme worker, hence the lock.
struct FakeParser
{
    bool fails = false;

    QStringList paths() const
    {
        QMutexLocker lock(&m_mutex);
        return m_paths;
    }
    // The names the files were read under.
    QStringList names() const
    {
        QMutexLocker lock(&m_mutex);
        return m_names;
    }

    std::function<ProgrammeDocument(const QString&, const QString&)> reader()
    {
        return [this](const QString& path, const QString& name) {
            {
                QMutexLocker lock(&m_mutex);
                m_paths.append(path);
                m_names.append(name);
            }
            if (fails)
                throw std::runtime_error("unreadable");
            return programme(QString::fromUtf8(readFile(path)));
        };
    }

private:
    mutable QMutex m_mutex;
    QStringList m_paths;
    QStringList m_names;
};

// Waits until a store's programme readings and imports, which run on its worker, are done.
template <typename Store> bool settled(const Store& store)
{
    return waitUntil([&] { return !store.isLoadingProgramme(); }, 20000);
}

// Imports a programme file into a store and waits for the result.
template <typename Store> ProgrammeLoader::ImportResult importProgramme(Store& store, const QString& path)
{
    auto result = std::make_shared<std::optional<ProgrammeLoader::ImportResult>>();
    store.ingestProgramme(path, [result](const ProgrammeLoader::ImportResult& r) { *result = r; });
    waitUntil([&] { return result->has_value(); }, 20000);
    return result->value_or(
        ProgrammeLoader::ImportResult { std::nullopt, QStringLiteral("(no result)"), false });
}

} // namespace quavel::test
