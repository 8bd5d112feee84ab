// The photo organiser's two heavy operations, each against the plain system operation beneath it, in
// the same run:
//   organiser.plan_vs_readdir  PhotoOrganizer::plan of a 600-row spreadsheet over a folder of 10,000
//                              photos / listing that folder alone (opendir + readdir of every name)
//   organiser.plan_100000_vs_readdir  the same over a folder of 100,000 photos (a whole show's
//                              shoot): planning must grow with the folder as its listing does
//   organiser.copy_vs_cp       PhotoOrganizer::execute copying 300 photos of 4 MB, flushed to the disk
//                              before it reports / `cp` of the same files into an empty folder of the
//                              same file system, then `sync -f` of that file system
// Each figure is the median of per-round ratios, the side that runs first alternating by round.
// ORGANISER_BENCH_PLAN_ONLY=1 leaves the copy out.
#include "BenchSupport.h"

#include "workspace/PhotoOrganizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quavel;

namespace {

constexpr int rowCount = 600;
constexpr int copyCount = 300;
constexpr qsizetype copySize = 4 * 1024 * 1024;

void writeFile(const QString& path, const QByteArray& bytes)
{
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != ssize_t(bytes.size()))
        std::fprintf(stderr, "short write %s\n", qPrintable(path));
    ::close(fd);
}

size_t listFolder(const QString& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return 0;
    while (const dirent* entry = ::readdir(dir))
        names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names.size();
}

SpreadsheetRecord spreadsheet(int rows, int photos)
{
    SpreadsheetRecord sheet;
    sheet.id = QUuid::createUuid();
    for (int r = 0; r < rows; ++r)
        sheet.rows.append(RowRecord { QUuid::createUuid(),
            QStringLiteral("%1").arg(1 + r * photos / rows, 5, 10, QChar(u'0')), QString::number(100 + r) });
    sheet.rows.append(RowRecord::blank());
    return sheet;
}

QList<ImportedPerson> catalog(int rows)
{
    QList<ImportedPerson> people;
    for (int r = 0; r < rows; ++r)
        people.append(ImportedPerson { QString::number(100 + r), QStringLiteral("Jeanne"),
            QStringLiteral("Cavalière %1").arg(r), r + 1 });
    return people;
}

void benchPlan(const QString& root, int photoCount, const char* name)
{
    const QString folder = root + QStringLiteral("/shoot-%1").arg(photoCount);
    QDir().mkpath(folder);
    for (int i = 1; i <= photoCount; ++i)
        writeFile(folder + QStringLiteral("/DSC_%1.JPG").arg(i, 5, 10, QChar(u'0')), QByteArray());
    for (int i = 1; i <= 50; ++i)
        writeFile(folder + QStringLiteral("/DSC_%1.XMP").arg(i, 5, 10, QChar(u'0')), QByteArray());

    const SpreadsheetRecord sheet = spreadsheet(rowCount, photoCount);
    const QList<ImportedPerson> people = catalog(rowCount);
    qsizetype planned = 0;
    size_t listed = 0;
    listFolder(folder);
    const bench::Comparison plan = bench::compareAlternating(
        11,
        [&] {
            planned = 0;
            for (const PhotoGroup& g : PhotoOrganizer::plan(sheet, people, folder))
                planned += g.files.size();
        },
        [&] { listed = listFolder(folder); }, 5);
    const double ours = plan.ours;
    const double reference = plan.reference;
    std::printf("plan: %lld of %d files planned in %.2f ms, readdir of %zu names %.2f ms (on %s)\n",
        (long long)planned, photoCount, ours * 1000, listed, reference * 1000,
        qPrintable(bench::fileSystemName(folder)));
    bench::printRatio(name, plan);
    QDir(folder).removeRecursively();
}

void benchCopy(const QString& root)
{
    const QString source = root + QStringLiteral("/copy-source");
    QDir().mkpath(source);
    QStringList arguments;
    QByteArray bytes(copySize, '\0');
    for (int i = 1; i <= copyCount; ++i) {
        for (qsizetype k = 0; k < bytes.size(); k += 4096)
            bytes[k] = char(i + k / 4096);
        const QString path = source + QStringLiteral("/IMG_%1.JPG").arg(i, 4, 10, QChar(u'0'));
        writeFile(path, bytes);
        arguments.append(path);
    }
    const SpreadsheetRecord sheet = spreadsheet(12, copyCount);
    const QList<PhotoGroup> groups = PhotoOrganizer::plan(sheet, catalog(12), source);

    const QString target = root + QStringLiteral("/copy-target");
    auto fresh = [&] {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        ::sync(); // the previous run's write-back must not land in the next timing
    };
    int copied = 0;
    // Both sides end with their copies on the disk: the organiser flushes the destination's file system
    // before it reports, and the reference is cp followed by the same flush (sync -f).
    const bench::Comparison copy = bench::compareAlternating(
        10, [&] { copied = PhotoOrganizer::execute(groups, target).copied; },
        [&] {
            QProcess::execute(QStringLiteral("cp"),
                QStringList { QStringLiteral("--") } + arguments + QStringList { target });
            QProcess::execute(QStringLiteral("sync"), { QStringLiteral("-f"), target });
        },
        1, fresh);
    const double ours = copy.ours;
    const double reference = copy.reference;
    QDir(target).removeRecursively();
    std::printf("copy: %d files of 4 MB in %.0f ms, cp and sync -f %.0f ms (medians)\n", copied, ours * 1000,
        reference * 1000);
    bench::printRatio("organiser.copy_vs_cp", copy);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString root = bench::scratchFolder();
    benchPlan(root, 10000, "organiser.plan_vs_readdir");
    benchPlan(root, 100000, "organiser.plan_100000_vs_readdir");
    if (qEnvironmentVariableIntValue("ORGANISER_BENCH_PLAN_ONLY") == 0)
        benchCopy(root);
    QDir(root).removeRecursively();
    return 0;
}
