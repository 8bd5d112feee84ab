// What each photo writer flushes and in what order, that a flush that fails fails the write, that the
// undo cut between its removals never leaves a journal that a later edit applies, that nothing in
// ".quavel-originals" is opened through a link put there after it was looked at, and that a photo
// nobody changed, or a write that was refused or failed, leaves nothing behind.
#include "library/QuavelJSON.h"
#include "photo/PhotoEdits.h"
#include "photo/originals/OriginalsFolder.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoFiles.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/FrenchErrors.h"
#include "platform/files/FileSync.h"
#include "platform/files/UnnamedFile.h"

#include "CropEditorFixture.h"
#include "PhotoFixtures.h"
#include "common/ChildProcess.h"
#include "common/Immutable.h"
#include "common/TestSupport.h"

#include <QFileInfo>
#include <QMutex>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace quavel {
namespace {

using Method = UnnamedFile::Method;
using test::TempFolder;

// Records every flush as "file <folder>" or "folder <path>", the photo's folder written "P" and its
// originals folder "O"; optionally fails the flush of a given rank with EIO.
class FlushLog
{
public:
    FlushLog(const QString& photoFolder, int failAt = -1)
        : m_photos(QFileInfo(photoFolder).canonicalFilePath())
        , m_failAt(failAt)
    {
        FileSync::setRecorderForTesting([this](const FileSync::Flush& flush) {
            QMutexLocker lock(&m_mutex);
            const QString where = flush.kind == FileSync::Flush::Kind::file
                ? QFileInfo(flush.path).absolutePath()
                : flush.path;
            const QString folder = where == m_photos       ? QStringLiteral("P")
                : where == m_photos + "/.quavel-originals" ? QStringLiteral("O")
                                                           : where;
            const char* kind = flush.kind == FileSync::Flush::Kind::file ? "file " : "folder ";
            m_lines.append(kind + folder);
            return int(m_lines.size()) - 1 == m_failAt ? EIO : 0;
        });
    }
    ~FlushLog() { FileSync::setRecorderForTesting({}); }

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }

private:
    QString m_photos;
    int m_failAt;
    mutable QMutex m_mutex;
    QStringList m_lines;
};

// One photo writer, run on a photo "IMG_1.jpg" of the folder (edited beforehand when it needs it).
struct Writer
{
    const char* name;
    void (*prepare)(const QString& photo);
    void (*run)(const QString& photo);
    QStringList flushes;
};

void noPreparation(const QString&) { }

void edited(const QString& photo)
{
    PhotoOriginals::ensureBackup(photo);
    PhotoEditMemory::save(PhotoEditJournal {}, photo);
}

const Writer writers[] = {
    { "Rewrite", noPreparation,
        [](const QString& photo) {
            PhotoFiles::replaceWithBytes(photo, test::photoBytes("jpg", test::sized(8, 6)));
        },
        { "file P", "folder P" } },
    { "CopyNoReplace", noPreparation,
        [](const QString& photo) { PhotoFiles::copyNoReplace(photo, photo + ".copy.jpg"); },
        { "file P", "folder P" } },
    // The new originals folder is flushed into the photo's folder before the copy is made in it.
    { "FirstBackup", noPreparation, [](const QString& photo) { PhotoOriginals::ensureBackup(photo); },
        { "folder P", "file O", "folder O" } },
    { "Journal", [](const QString& photo) { PhotoOriginals::ensureBackup(photo); },
        [](const QString& photo) { PhotoEditMemory::save(PhotoEditJournal {}, photo); },
        { "file O", "folder O" } },
    // The photo back, then the journal's removal flushed, then the original's.
    { "Undo", edited, [](const QString& photo) { PhotoOriginals::restore(photo); },
        { "file P", "folder P", "folder O", "folder O" } },
};

struct Way
{
    Writer writer;
    Method method;
};

class WriterFlushes : public ::testing::TestWithParam<Way>
{
protected:
    void SetUp() override
    {
        m_photo = test::writePhoto(m_folder.file("IMG_1.jpg"), test::sized(40, 30));
        GetParam().writer.prepare(m_photo);
        UnnamedFile::startFromForTesting(GetParam().method);
    }
    void TearDown() override { UnnamedFile::startFromForTesting(Method::unnamedLink); }

    TempFolder m_folder;
    QString m_photo;
};

// Each content is flushed before it has its name, and the folder after: every writer, every way of
// naming a file.
TEST_P(WriterFlushes, FlushEachContentBeforeItsNameAndEachFolderAfter)
{
    const FlushLog log(m_folder.path());
    GetParam().writer.run(m_photo);
    EXPECT_EQ(log.lines(), GetParam().writer.flushes);
}

// A flush that fails, whichever it is, fails the write with its French reason.
TEST_P(WriterFlushes, FailWhenAnyOfTheirFlushesFails)
{
    const qsizetype count = GetParam().writer.flushes.size();
    for (int failAt = 0; failAt < count; ++failAt) {
        TempFolder folder;
        const QString photo = test::writePhoto(folder.file("IMG_1.jpg"), test::sized(40, 30));
        GetParam().writer.prepare(photo);
        const FlushLog log(folder.path(), failAt);
        try {
            GetParam().writer.run(photo);
            ADD_FAILURE() << "flush " << failAt << " failed and the write reported a success";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(frenchDescription(EIO))) << e.message().toStdString();
        }
        // The photo is whole whatever happened.
        EXPECT_TRUE(test::decodesCleanly(photo)) << "flush " << failAt;
    }
}

std::vector<Way> ways()
{
    std::vector<Way> all;
    for (const Writer& writer : writers)
        for (const Method method :
            { Method::unnamedLink, Method::noReplaceRename, Method::placeholderRename })
            all.push_back({ writer, method });
    return all;
}

std::string wayName(const ::testing::TestParamInfo<Way>& info)
{
    static const char* const methods[] = { "unnamed", "noReplace", "linkThenUnlink", "placeholder" };
    return std::string(info.param.writer.name) + "_" + methods[int(info.param.method)];
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterFlushes, ::testing::ValuesIn(ways()), wayName);

// ---- the undo and the journal without its original ----

PhotoRetouchSettings brighter()
{
    PhotoRetouchSettings s;
    s.brightness = 30;
    return s;
}

// A 160 × 120 photo edited with a validated A4 crop: the photo is then the A4 canvas.
QString croppedToA4(const TempFolder& folder)
{
    const QString photo = test::writePhoto(folder.file("IMG_2.jpg"), test::sized(160, 120));
    PhotoEditJournal journal;
    journal.current.format = PrintFormat::a4;
    journal.current.cropValidated = true;
    PhotoOriginals::ensureBackup(photo);
    PhotoEditMemory::save(journal, photo);
    PhotoEdits::applyRetouch(photo, brighter(), std::nullopt);
    return photo;
}

TEST(CutUndo, NeverLeavesAJournalThatALaterRetouchApplies)
{
    TempFolder folder;
    const QString photo = croppedToA4(folder);
    ASSERT_NE(test::decodesCleanly(photo), QSize(160, 120));

    // Killed between its two removals.
    EXPECT_TRUE(test::runInKilledChild([&] {
        PhotoOriginals::setRestoreStepHookForTesting(&test::dieNow);
        PhotoOriginals::restore(photo);
    }));
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)) && !PhotoOriginals::hasBackup(photo));
    EXPECT_EQ(test::decodesCleanly(photo), QSize(160, 120));
    PhotoEdits::applyRetouch(photo, brighter(), std::nullopt);
    EXPECT_EQ(test::decodesCleanly(photo), QSize(160, 120));

    // A journal left alone (a cut of an earlier version, or a power cut) is not applied either.
    PhotoOriginals::restore(photo);
    PhotoEditJournal stale;
    stale.current.format = PrintFormat::a4;
    stale.current.cropValidated = true;
    test::writeJournal(photo, QuavelJSON::encode(stale.toJson()));
    ASSERT_FALSE(PhotoOriginals::hasBackup(photo));
    PhotoEdits::applyRetouch(photo, brighter(), std::nullopt);
    EXPECT_EQ(test::decodesCleanly(photo), QSize(160, 120));
    EXPECT_FALSE(PhotoEditMemory::load(photo).current.cropValidated);
}

// ---- links swapped in ----

// The original is looked at, then a link to a regular file is put in its place before it is opened:
// the open refuses it (O_NOFOLLOW), and nothing is read through it.
TEST(OriginalsFolderOpen, RefusesALinkSwappedInAfterTheLook)
{
    TempFolder folder;
    const QString photo = test::writePhoto(folder.file("IMG_3.jpg"), test::sized(40, 30));
    PhotoOriginals::ensureBackup(photo);
    const QString elsewhere = test::writePhoto(folder.file("elsewhere.jpg"), test::sized(20, 10));
    OriginalsFolder::setBeforeOpenHookForTesting([&](int dir, const QByteArray& name) {
        ::unlinkat(dir, name.constData(), 0);
        ASSERT_EQ(::symlinkat(QFile::encodeName(elsewhere).constData(), dir, name.constData()), 0);
    });
    try {
        const PhotoOriginals::Source source = PhotoOriginals::openSource(photo);
        ADD_FAILURE() << "opened " << source.path().toStdString();
    } catch (const PhotoEditError& e) {
        EXPECT_EQ(e.kind(), PhotoEditError::Kind::foreignOriginal);
    }
    OriginalsFolder::setBeforeOpenHookForTesting({});
}

// ---- what is left behind ----

// A write that fails on a full disk leaves no originals folder it made.
TEST(FailedWrite, LeavesNoEmptyOriginalsFolder)
{
    TempFolder folder;
    const QString photo = test::writePhoto(folder.file("IMG_4.jpg"), test::sized(40, 30));
    const QByteArray before = test::readFile(photo);
    FileSync::setRecorderForTesting(
        [](const FileSync::Flush& flush) { return flush.kind == FileSync::Flush::Kind::file ? ENOSPC : 0; });
    EXPECT_THROW(PhotoEdits::applyRetouch(photo, brighter(), std::nullopt), FileError);
    FileSync::setRecorderForTesting({});
    EXPECT_FALSE(QFileInfo::exists(folder.file(".quavel-originals")));
    EXPECT_EQ(test::readFile(photo), before);
}

QString notSetAside(const QString& photo)
{
    return PhotoEditError::description(
        PhotoEditError::Kind::journalNotSetAside, QFileInfo(photo).fileName(), 0, {});
}

// An unreadable journal that cannot be moved aside refuses the write before an original is kept, and
// the undo before anything is removed.
TEST(UnmovableJournal, KeepsNoOriginalForARefusedWriteAndIsNeverDeleted)
{
    TempFolder folder;
    const QString photo = test::writePhoto(folder.file("IMG_5.jpg"), test::sized(40, 30));
    const QByteArray unreadable = "{ \"current\": ";
    test::writeJournal(photo, unreadable);
    {
        const test::Immutable pinned(PhotoEditMemory::journalURL(photo));
        if (!pinned.isSet())
            GTEST_SKIP() << "no immutable flag on this file system";
        try {
            PhotoEdits::applyRetouch(photo, brighter(), std::nullopt);
            ADD_FAILURE() << "reported as a success";
        } catch (const PhotoEditError& e) {
            EXPECT_EQ(e.message(), notSetAside(photo));
        }
        EXPECT_EQ(test::entries(folder.file(".quavel-originals")), QStringList { "IMG_5.jpg.edits.json" });
    }
    // Edited meanwhile (an original kept by an earlier version), then pinned again: the undo refuses.
    PhotoOriginals::ensureBackup(photo);
    const test::Immutable pinned(PhotoEditMemory::journalURL(photo));
    EXPECT_THROW(PhotoOriginals::restore(photo), PhotoEditError);
    EXPECT_EQ(test::readFile(PhotoEditMemory::journalURL(photo)), unreadable);
    EXPECT_TRUE(PhotoOriginals::hasBackup(photo));
}

class EditorLeavesNothing : public test::CropEditorFixture
{
};

// Opened and closed with no change: no original, no journal, no write.
TEST_F(EditorLeavesNothing, ForAPhotoNobodyChanged)
{
    const QString photo = greyPhoto("IMG_6.png", 0.4f);
    const QByteArray before = bytes(photo);
    ASSERT_TRUE(openAndLoad(photo));
    m_model->close();
    settle(photo);
    EXPECT_TRUE(test::entries(m_folder.file(".quavel-originals")).isEmpty());
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_EQ(bytes(photo), before);
    EXPECT_TRUE(m_written.isEmpty());
}

// The editor's close write refused by an unreadable journal that cannot be moved keeps no original.
TEST_F(EditorLeavesNothing, ForAWriteItsJournalRefuses)
{
    const QString photo = greyPhoto("IMG_7.png", 0.4f);
    test::writeJournal(photo, "pas un journal");
    const test::Immutable pinned(PhotoEditMemory::journalURL(photo));
    if (!pinned.isSet())
        GTEST_SKIP() << "no immutable flag on this file system";
    const QByteArray before = bytes(photo);
    ASSERT_TRUE(openAndLoad(photo));
    m_model->setRetouchPreview(exposure(0.5));
    EXPECT_FALSE(await(m_model->save()));
    settle(photo);
    EXPECT_EQ(m_model->errorMessage(), notSetAside(photo));
    EXPECT_EQ(test::entries(m_folder.file(".quavel-originals")), QStringList { "IMG_7.png.edits.json" });
    EXPECT_EQ(bytes(photo), before);
}

} // namespace
} // namespace quavel
