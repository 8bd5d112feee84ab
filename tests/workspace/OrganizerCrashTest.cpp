// The organiser's copies under SIGKILL: a child process copies a plan of photos into rider folders and
// is killed at a random moment of its run; no photo under a final name may then differ from its source,
// and a rerun completes the plan without overwriting what is there.
#include "WorkspaceTestSupport.h"

#include "common/ChildProcess.h"
#include "platform/files/UnnamedFile.h"
#include "workspace/PhotoOrganizer.h"

#include <QDirIterator>
#include <QHash>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;
using Method = UnnamedFile::Method;

namespace {

constexpr int riders = 4;
constexpr int photosPerRider = 6;

struct Copied
{
    QByteArray content;
    ino_t inode;
};

// Every file under the destination by its path relative to it, hidden ones included.
QHash<QString, Copied> filesUnder(const QString& destination)
{
    QHash<QString, Copied> files;
    QDirIterator it(destination, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st
        {
        };
        ::lstat(QFile::encodeName(path).constData(), &st);
        files.insert(path.mid(destination.size() + 1), { readFile(path), st.st_ino });
    }
    return files;
}

// The source a copy was made from: its name without the " copie" or " copie N" the clashes add.
QString sourceNameOf(const QString& copyName)
{
    static const QRegularExpression suffix(QStringLiteral(" copie( [0-9]+)?(?=\\.JPG$)"));
    return QString(copyName).remove(suffix);
}

class OrganizerCrash : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::mt19937 random(12);
        QList<RowRecord> rows;
        QList<ImportedPerson> people;
        for (int r = 0; r < riders; ++r) {
            const QString number = QStringLiteral("%1").arg(r * photosPerRider + 1, 4, 10, QChar(u'0'));
            rows.append(row(number, QString::number(10 + r)));
            people.append(rider(QString::number(10 + r), QStringLiteral("Cavalier%1").arg(r)));
        }
        for (int p = 1; p <= riders * photosPerRider; ++p) {
            QByteArray bytes(std::uniform_int_distribution<int>(64, 512)(random) * 1024, '\0');
            for (qsizetype k = 0; k < bytes.size(); k += 512)
                bytes[k] = char(random());
            const QString name = QStringLiteral("IMG_%1.JPG").arg(p, 4, 10, QChar(u'0'));
            m_sources.write(name, bytes);
            m_content.insert(name, bytes);
        }
        m_groups = PhotoOrganizer::plan(sheet(rows), people, m_sources.path());
        ASSERT_EQ(m_groups.size(), riders);
    }
    void TearDown() override { UnnamedFile::startFromForTesting(Method::unnamedLink); }

    // Every visible file is a whole copy of its source; hidden ones are partial copies of this run.
    void expectNoPartialPhoto(const QHash<QString, Copied>& files, int round) const
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            const QString name = it.key().section(u'/', -1);
            if (name.startsWith(u'.')) {
                EXPECT_TRUE(UnnamedFile::isTemporaryName(name)) << it.key().toStdString();
                continue;
            }
            EXPECT_EQ(it->content, m_content.value(sourceNameOf(name)))
                << "round " << round << ": " << it.key().toStdString() << " differs from its source";
        }
    }

    // On tmpfs where there is one: the runs and reruns flush their file system, which costs nothing
    // there (tmpfs has unnamed files, renameat2 and links, so every method runs as on a disk).
    TempFolder m_sources { memoryFolderBase() };
    TempFolder m_destinations { memoryFolderBase() };
    QHash<QString, QByteArray> m_content;
    QList<PhotoGroup> m_groups;
};

} // namespace

// The rounds alternate between unnamed files and hidden siblings (the fallback forced on this file
// system), 50 kills each.
TEST_F(OrganizerCrash, aKilledRunLeavesNoPartialPhotoAndARerunCompletesThePlan)
{
    const int total = riders * photosPerRider;
    std::mt19937 random(1);
    int killedMidway = 0;
    for (int round = 0; round < 100; ++round) {
        UnnamedFile::startFromForTesting(round % 2 ? Method::noReplaceRename : Method::unnamedLink);
        const QString destination = m_destinations.file(QString::number(round));
        // The child tells each copied file through a pipe; the kill falls after a random number of
        // them, a random fraction of a copy later, so that it lands anywhere in the run.
        int pipeEnds[2];
        ASSERT_EQ(::pipe(pipeEnds), 0);
        const pid_t child = forkChild([&] {
            ::close(pipeEnds[0]);
            PhotoOrganizer::execute(
                m_groups, destination, [&](int, int) { (void)::write(pipeEnds[1], "+", 1); });
        });
        ::close(pipeEnds[1]);
        const int waitFor = std::uniform_int_distribution<int>(0, total - 1)(random);
        char byte;
        for (int seen = 0; seen < waitFor && ::read(pipeEnds[0], &byte, 1) == 1; ++seen) { }
        holdThread(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 400)(random)));
        if (!killChild(child))
            ++killedMidway;
        ::close(pipeEnds[0]);

        const QHash<QString, Copied> before = filesUnder(destination);
        expectNoPartialPhoto(before, round);

        const OrganizerReport rerun = PhotoOrganizer::execute(m_groups, destination);
        EXPECT_EQ(rerun.copied, total) << "round " << round;
        const QHash<QString, Copied> after = filesUnder(destination);
        expectNoPartialPhoto(after, round);
        // Nothing that was there is replaced or changed; the rerun removed the dead partial copies.
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (UnnamedFile::isTemporaryName(it.key().section(u'/', -1))) {
                EXPECT_FALSE(after.contains(it.key())) << it.key().toStdString();
                continue;
            }
            ASSERT_TRUE(after.contains(it.key())) << it.key().toStdString();
            EXPECT_EQ(after[it.key()].inode, it->inode) << it.key().toStdString();
        }
        // Every photo of the plan is in its rider's folder at least once, whole.
        for (const PhotoGroup& group : m_groups)
            for (const QString& file : group.files) {
                const QString name = file.section(u'/', -1);
                EXPECT_TRUE(after.contains(group.folderName() + u'/' + name)) << name.toStdString();
            }
        if (HasFailure())
            break;
        QDir(destination).removeRecursively();
    }
    // Kills land while copying (how many depends on the machine's load: a child may finish first).
    EXPECT_GT(killedMidway, 0);
}
