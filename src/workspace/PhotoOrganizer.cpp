#include "workspace/PhotoOrganizer.h"

#include "library/AssignedNumber.h"
#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/files/FileSync.h"
#include "platform/files/NativeName.h"
#include "platform/files/SafeCopy.h"
#include "platform/files/UnnamedFile.h"
#include "platform/text/Text.h"
#include "workspace/OrganizerFiles.h"
#include "workspace/PhotoNameScan.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace quavel::PhotoOrganizer {

using namespace OrganizerFiles;

namespace {

struct PlannedRow
{
    const RowRecord* row;
    PhotoNumber number;
};

// The order of the identifiers' upper-case texts (uuidText), without making them: fixed-width hex
// digits in the order of the fields, so the fields compared in turn, the bytes of data4 as unsigned.
bool idTextBefore(const QUuid& a, const QUuid& b)
{
    if (a.data1 != b.data1)
        return a.data1 < b.data1;
    if (a.data2 != b.data2)
        return a.data2 < b.data2;
    if (a.data3 != b.data3)
        return a.data3 < b.data3;
    return std::lexicographical_compare(
        std::begin(a.data4), std::end(a.data4), std::begin(b.data4), std::end(b.data4));
}

// The direct entries of the folder that are photos with a number, hidden entries skipped.
QList<PhotoNameScan::Entry> listPhotos(const QString& folder)
{
    const QByteArray encoded = NativeName::encode(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded.constData()), &::closedir);
    if (!dir) {
        const int e = errno;
        throw FileError(e,
            QStringLiteral("Impossible de lire le dossier « %1 » : %2")
                .arg(lastComponent(folder), frenchDescription(e)));
    }
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    QList<PhotoNameScan::Entry> photos;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (auto photo = PhotoNameScan::photoEntry(base, entry->d_name, std::strlen(entry->d_name)))
            photos.append(std::move(*photo));
        errno = 0;
    }
    if (errno != 0) {
        const int e = errno;
        throw FileError(e,
            QStringLiteral("Impossible de lire le dossier « %1 » : %2")
                .arg(lastComponent(folder), frenchDescription(e)));
    }
    return photos;
}

// The photos in PhotoNumber order. Sorting (value, index) pairs keeps strings still; files of equal
// value (a RAW and its JPEG) are then ordered by their full numbers, made only for them.
std::vector<const PhotoNameScan::Entry*> sortedPhotos(const QList<PhotoNameScan::Entry>& listed)
{
    std::vector<std::pair<qint64, qsizetype>> order;
    order.reserve(size_t(listed.size()));
    for (qsizetype k = 0; k < listed.size(); ++k)
        order.emplace_back(listed[k].value, k);
    std::sort(order.begin(), order.end());
    for (size_t runStart = 0; runStart < order.size();) {
        size_t runEnd = runStart + 1;
        while (runEnd < order.size() && order[runEnd].first == order[runStart].first)
            ++runEnd;
        if (runEnd - runStart > 1) {
            std::vector<std::pair<PhotoNumber, qsizetype>> run;
            for (size_t k = runStart; k < runEnd; ++k)
                run.emplace_back(*PhotoNameScan::number(listed[order[k].second].name()), order[k].second);
            std::sort(run.begin(), run.end(), [](const auto& a, const auto& b) {
                if (a.first < b.first)
                    return true;
                if (b.first < a.first)
                    return false;
                return a.second < b.second;
            });
            for (size_t k = runStart; k < runEnd; ++k)
                order[k].second = run[k - runStart].second;
        }
        runStart = runEnd;
    }
    std::vector<const PhotoNameScan::Entry*> photos;
    photos.reserve(order.size());
    for (const auto& [value, k] : order)
        photos.push_back(&listed[k]);
    return photos;
}

QString plural(bool when)
{
    return when ? QStringLiteral("s") : QString();
}

// "Copie impossible : <name>", then why, as the batches tell a photo's failure.
QString copyFailure(const QString& name, int errnoValue)
{
    QString reason = frenchDescription(errnoValue);
    if (!reason.isEmpty())
        reason[0] = reason[0].toLower();
    return QStringLiteral("Copie impossible : ") + name + QStringLiteral(" : ") + reason;
}

} // namespace

QList<PhotoGroup> plan(const SpreadsheetRecord& spreadsheet, const QList<ImportedPerson>& catalog,
    const QString& sourceDirectory)
{
    QHash<QString, const ImportedPerson*> people;
    people.reserve(catalog.size());
    for (const ImportedPerson& person : catalog)
        if (!people.contains(person.canonicalNumber))
            people.insert(person.canonicalNumber, &person);

    QList<PlannedRow> rows;
    for (const RowRecord& row : spreadsheet.rows) {
        const QString photo = text::trimWhitespaceAndNewlines(row.photoNumber);
        if (photo.isEmpty() || text::trimWhitespaceAndNewlines(row.assignedNumber).isEmpty())
            continue;
        if (auto number = PhotoNameScan::number(photo))
            rows.append(PlannedRow { &row, std::move(*number) });
    }
    std::stable_sort(rows.begin(), rows.end(), [](const PlannedRow& a, const PlannedRow& b) {
        if (a.number < b.number)
            return true;
        if (b.number < a.number)
            return false;
        return idTextBefore(a.row->id, b.row->id);
    });

    const QList<PhotoNameScan::Entry> listed = listPhotos(sourceDirectory);
    const std::vector<const PhotoNameScan::Entry*> photos = sortedPhotos(listed);
    std::vector<qint64> values;
    values.reserve(photos.size());
    for (const PhotoNameScan::Entry* p : photos)
        values.push_back(p->value);

    QList<PhotoGroup> groups;
    groups.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        PhotoGroup group;
        group.row = *rows[i].row;
        group.start = rows[i].number;
        if (i + 1 < rows.size())
            group.endExclusive = rows[i + 1].number;

        const auto first = std::lower_bound(values.cbegin(), values.cend(), group.start.value);
        const auto last = group.endExclusive
            ? std::lower_bound(first, values.cend(), std::max(group.endExclusive->value, group.start.value))
            : values.cend();
        const size_t from = size_t(first - values.cbegin());
        const size_t to = size_t(last - values.cbegin());

        // A row with a prefix takes only the files of its prefix when its range holds any.
        const QString& prefix = group.start.prefix;
        bool prefixPresent = false;
        if (!prefix.isEmpty())
            for (size_t k = from; k < to && !prefixPresent; ++k)
                prefixPresent = photos[k]->prefix == prefix;
        group.files.reserve(qsizetype(to - from));
        for (size_t k = from; k < to; ++k) {
            const QString& filePrefix = photos[k]->prefix;
            if (prefixPresent && !filePrefix.isEmpty() && filePrefix != prefix)
                continue;
            group.files.append(photos[k]->path);
        }

        if (auto key = AssignedNumber::canonical(group.row.assignedNumber))
            if (const ImportedPerson* person = people.value(*key))
                group.person = *person;
        groups.append(std::move(group));
    }
    return groups;
}

QString candidateName(const QString& fileName, int attempt)
{
    if (attempt == 0)
        return fileName;
    const QString base = deletingPathExtension(fileName);
    const QString extension = pathExtension(fileName);
    QString name = base + QStringLiteral(" copie");
    if (attempt > 1)
        name += u' ' + QString::number(attempt);
    if (!extension.isEmpty())
        name += u'.' + extension;
    return name;
}

namespace {

int firstFreeAttempt(const QString& fileName, const QString& folder)
{
    for (int attempt = 0;; ++attempt)
        if (!exists(folder + u'/' + candidateName(fileName, attempt)))
            return attempt;
}

} // namespace

QString copyURL(const QString& sourceFile, const QString& folder)
{
    const QString name = lastComponent(sourceFile);
    return folder + u'/' + candidateName(name, firstFreeAttempt(name, folder));
}

OrganizerReport execute(const QList<PhotoGroup>& groups, const QString& destination,
    const std::function<void(int done, int total)>& progress)
{
    if (const int e = makePath(destination))
        throwCreateFailure(destination, e);

    int total = 0;
    for (const PhotoGroup& group : groups)
        total += int(group.files.size());
    int done = 0;

    OrganizerReport report;
    QSet<QString> usedFolders;
    // The rider folders this run made.
    QSet<QString> madeFolders;
    for (const PhotoGroup& group : groups) {
        if (group.files.isEmpty()) {
            ++report.skipped;
            report.messages.append(group.label() + QStringLiteral(" : aucune photo dans l’intervalle ")
                + group.rangeLabel() + u'.');
            continue;
        }

        const QString folder = destination + u'/' + group.folderName();
        const bool existed = exists(folder);
        if (const int e = makePath(folder))
            throwCreateFailure(folder, e);
        usedFolders.insert(folder);
        if (!existed)
            madeFolders.insert(folder);

        // What an earlier run killed in this folder left goes first: hidden partial copies, and the empty
        // placeholders that held their names (a file system without links), so that each photo gets its
        // own name again.
        UnnamedFile::removeLeftovers(folder);

        int clashes = 0;
        int copied = 0;
        for (const QString& file : group.files) {
            const QString name = lastComponent(file);
            // The first free name is a hint: the copy takes its name only when its content is complete,
            // and moves on to the next candidate when another writer got there first.
            int attempt = firstFreeAttempt(name, folder);
            const int e = SafeCopy::tryCopyToFreeName(
                file, folder, [&](int n) { return candidateName(name, n); }, attempt);
            if (attempt > 0)
                ++clashes;
            if (e == 0) {
                ++copied;
            } else {
                ++report.skipped;
                report.messages.append(copyFailure(name, e));
            }
            if (progress)
                progress(++done, total);
        }
        report.copied += copied;
        // A rider folder this run made and left empty (a full disk) does not stay behind; rmdir(2)
        // removes it only while nothing, of this run or any other writer, stands in it.
        if (copied == 0 && madeFolders.contains(folder)
            && ::rmdir(NativeName::encode(folder).constData()) == 0) {
            madeFolders.remove(folder);
            usedFolders.remove(folder);
        }

        const qsizetype n = group.files.size();
        QString message = group.label() + QStringLiteral(" — ") + QString::number(n)
            + QStringLiteral(" photo") + plural(n > 1);
        if (existed)
            message += QStringLiteral(" ajoutée") + plural(n > 1) + QStringLiteral(" au dossier existant");
        if (clashes >= 1)
            message += QStringLiteral(" · ") + QString::number(clashes) + QStringLiteral(" copie")
                + plural(clashes != 1) + QStringLiteral(" (fichier déjà présent)");
        report.messages.append(message);
    }
    report.folders = int(usedFolders.size());
    // "Copied" means on the disk: one flush of the destination's file system before the report.
    if (report.copied > 0) {
        if (const int e = FileSync::syncFileSystem(destination))
            throw FileError(
                e, QStringLiteral("Impossible d’écrire les copies sur le disque : ") + frenchDescription(e));
    }
    return report;
}

} // namespace quavel::PhotoOrganizer
