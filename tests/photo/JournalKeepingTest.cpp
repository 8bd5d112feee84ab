// An edit that cannot keep its journal fails with a message naming the photo and is never reported as a
// success: a journal that does not decode and cannot be moved aside stays byte for byte, a journal that
// cannot be written leaves the photo as it was, in the photo services and in the crop editor. A long
// name's unreadable journal goes aside under a name cut to fit, never replacing anything.
#include "photo/PhotoEdits.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"

#include "CropEditorFixture.h"
#include "PhotoFixtures.h"
#include "common/Immutable.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace quavel {
namespace {

using test::entries;
using test::Immutable;
using test::TempFolder;

PhotoRetouchSettings brighter()
{
    PhotoRetouchSettings s;
    s.brightness = 35;
    return s;
}

QString message(PhotoEditError::Kind kind, const QString& photo, const QString& detail = {})
{
    return PhotoEditError::description(kind, photo, 0, detail);
}

// Each writer of a journal, given a photo whose journal does not decode and cannot be set aside.
struct Writer
{
    const char* name;
    std::function<void(const QString& photo, const QString& watermark)> edit;
};

class UnmovableJournal : public ::testing::TestWithParam<Writer>
{
};

TEST_P(UnmovableJournal, FailsTheEditWithAMessageAndStaysByteForByte)
{
    TempFolder folder;
    const QString photo = test::writePhoto(folder.file("IMG_7.jpg"), test::sized(80, 60));
    const QString watermark = test::writePhoto(folder.file("logo.png"), test::sized(40, 10, 1, true));
    PhotoOriginals::ensureBackup(photo);
    const QByteArray unreadable = "{ \"current\": { \"zoom\": 2 ";
    test::writeJournal(photo, unreadable);
    const Immutable pinned(PhotoEditMemory::journalURL(photo));
    if (!pinned.isSet())
        GTEST_SKIP() << "no immutable flag on this file system";
    const QByteArray before = test::readFile(photo);

    try {
        GetParam().edit(photo, watermark);
        ADD_FAILURE() << "reported as a success";
    } catch (const PhotoEditError& e) {
        EXPECT_EQ(e.kind(), PhotoEditError::Kind::journalNotSetAside);
        EXPECT_EQ(e.message(),
            QString("Le journal illisible de « IMG_7.jpg » n’a pas pu être mis de côté : la photo n’est pas "
                    "modifiée."));
    }
    EXPECT_EQ(folder.read(".quavel-originals/IMG_7.jpg.edits.json"), unreadable);
    EXPECT_EQ(test::readFile(photo), before);
    EXPECT_EQ(
        entries(folder.file(".quavel-originals")), (QStringList { "IMG_7.jpg", "IMG_7.jpg.edits.json" }));
}

INSTANTIATE_TEST_SUITE_P(Writers, UnmovableJournal,
    ::testing::Values(
        Writer { "Save",
            [](const QString& photo, const QString&) { PhotoEditMemory::save(PhotoEditJournal {}, photo); } },
        Writer { "RecordRetouch",
            [](const QString& photo, const QString&) { PhotoEditMemory::recordRetouch(brighter(), photo); } },
        Writer { "BatchRetouch",
            [](const QString& photo, const QString& watermark) {
                PhotoEdits::applyRetouch(photo, brighter(), watermark);
            } },
        Writer { "BatchWatermark",
            [](const QString& photo, const QString& watermark) {
                PhotoEdits::applyWatermark(photo, watermark);
            } }),
    [](const auto& info) { return std::string(info.param.name); });

// A journal that cannot be written at all (its folder frozen): the photo is left as it was.
TEST(JournalKeeping, AJournalThatCannotBeWrittenFailsTheEditAndLeavesThePhoto)
{
    TempFolder folder;
    const QString photo = test::writePhoto(folder.file("IMG_8.jpg"), test::sized(80, 60));
    PhotoOriginals::ensureBackup(photo);
    const QByteArray before = test::readFile(photo);
    const Immutable frozen(folder.file(".quavel-originals"));
    if (!frozen.isSet())
        GTEST_SKIP() << "no immutable flag on this file system";
    for (const auto& edit :
        { std::function<void()>([&] { PhotoEditMemory::save(PhotoEditJournal {}, photo); }),
            std::function<void()>([&] { PhotoEdits::applyRetouch(photo, brighter(), std::nullopt); }) }) {
        try {
            edit();
            ADD_FAILURE() << "reported as a success";
        } catch (const PhotoEditError& e) {
            EXPECT_EQ(e.kind(), PhotoEditError::Kind::journalNotSaved);
            EXPECT_TRUE(e.message().startsWith(
                QString("Le journal des modifications de « IMG_8.jpg » n’a pas pu être enregistré : ")))
                << e.message().toStdString();
        }
        EXPECT_EQ(test::readFile(photo), before);
    }
    EXPECT_EQ(entries(folder.file(".quavel-originals")), QStringList { "IMG_8.jpg" });
}

// A name of 240 bytes: its unreadable journal's set-aside name would pass 255 bytes whole.
TEST(JournalKeeping, ALongNamesUnreadableJournalGoesAsideUnderANameCutToFit)
{
    TempFolder folder;
    const QString name = QString(QChar(0x00E8)).repeated(118) + QStringLiteral(".jpg"); // 240 bytes
    ASSERT_EQ(QFile::encodeName(name).size(), 240);
    const QString photo = test::writePhoto(folder.file(name), test::sized(80, 60));
    const QString originals = folder.file(".quavel-originals");
    // Twice, in the same second as like as not: the second set-aside never replaces the first.
    const QByteArray unreadable[] = { "premier illisible", "second illisible" };
    for (const QByteArray& bytes : unreadable) {
        test::writeJournal(photo, bytes);
        PhotoEdits::applyRetouch(photo, brighter(), std::nullopt);
        const std::optional<PhotoEditJournal> journal = PhotoEditMemory::read(photo);
        ASSERT_TRUE(journal);
        EXPECT_EQ(journal->current.retouch, brighter());
    }
    QList<QByteArray> setAside;
    for (const QString& entry : entries(originals)) {
        const QByteArray native = QFile::encodeName(entry);
        EXPECT_LE(native.size(), 255);
        // Cut at a character boundary: the name is still UTF-8 through and through.
        EXPECT_EQ(QFile::encodeName(QString::fromUtf8(native)), native);
        if (entry.contains(QStringLiteral(".unreadable-"))) {
            EXPECT_TRUE(name.startsWith(entry.section(QStringLiteral(".unreadable-"), 0, 0)))
                << native.data();
            setAside.append(test::readFile(originals + u'/' + entry));
        }
    }
    std::sort(setAside.begin(), setAside.end());
    EXPECT_EQ(setAside, (QList<QByteArray> { unreadable[0], unreadable[1] }));
}

// The crop editor's journal commit that fails shows its message and writes no photo.
class EditorJournal : public test::CropEditorFixture
{
};

TEST_F(EditorJournal, ACommitThatCannotBeKeptShowsItsMessageAndWritesNoPhoto)
{
    const QString photo = greyPhoto("IMG_9.png", 0.4f);
    ASSERT_TRUE(openAndLoad(photo));
    PhotoOriginals::ensureBackup(photo);
    test::writeJournal(photo, "pas un journal");
    const Immutable pinned(PhotoEditMemory::journalURL(photo));
    if (!pinned.isSet())
        GTEST_SKIP() << "no immutable flag on this file system";
    const QByteArray before = bytes(photo);

    m_model->setRetouchPreview(exposure(0.5));
    EXPECT_FALSE(await(m_model->save()));
    settle(photo);
    EXPECT_EQ(m_model->errorMessage(), message(PhotoEditError::Kind::journalNotSetAside, "IMG_9.png"));
    EXPECT_EQ(bytes(photo), before);
    EXPECT_TRUE(m_written.isEmpty());
    EXPECT_EQ(m_folder.read(".quavel-originals/IMG_9.png.edits.json"), "pas un journal");
}

// A 250-byte name: the editor's first commit says the photo cannot be kept, and nothing is written.
TEST_F(EditorJournal, ANameTooLongForItsJournalIsRefusedByTheEditor)
{
    const QString name = QString(QChar(0x00E0)).repeated(123) + QStringLiteral(".png"); // 250 bytes
    const QString photo = greyPhoto(name, 0.4f);
    ASSERT_TRUE(openAndLoad(photo));
    const QByteArray before = bytes(photo);
    m_model->setRetouchPreview(exposure(0.5));
    EXPECT_FALSE(await(m_model->save()));
    settle(photo);
    EXPECT_EQ(m_model->errorMessage(), message(PhotoEditError::Kind::nameTooLong, name));
    EXPECT_EQ(bytes(photo), before);
    EXPECT_TRUE(entries(m_folder.file(".quavel-originals")).isEmpty());
}

} // namespace
} // namespace quavel
