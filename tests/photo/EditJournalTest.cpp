// The files kept beside an edited photo: the journal's exact form, what makes it unreadable, the history
// cap, the set-aside of an unreadable journal, and originals that are never replaced and restore exactly.
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"

#include "common/TestSupport.h"
#include "common/photo/PhotoFixtures.h"
#include "library/QuavelJSON.h"

#include <gtest/gtest.h>

namespace quavel {
namespace {

using test::entries;
using test::TempFolder;

CropEditState stateWithZoom(double zoom)
{
    CropEditState state;
    state.zoom = zoom;
    return state;
}

TEST(EditJournalFile, IsWrittenWithEveryKeySortedAndTheOffsetAsAPair)
{
    TempFolder folder;
    const QString photo = folder.write("IMG_0412.JPG", "photo");
    PhotoEditJournal journal;
    journal.current.format = PrintFormat::a4;
    journal.current.includeWatermark = true;
    journal.current.zoom = 1.5;
    journal.current.offset = QSizeF(-12.25, 40);
    journal.current.angle = 3;
    journal.current.retouch.contrast = 20;
    journal.current.cropValidated = true;
    journal.history.append(CropEditState {});
    PhotoEditMemory::save(journal, photo);

    EXPECT_EQ(
        PhotoEditMemory::journalURL(photo), folder.path() + "/.quavel-originals/IMG_0412.JPG.edits.json");
    const QByteArray text = folder.read(".quavel-originals/IMG_0412.JPG.edits.json");
    const QuavelJSON::Json json = QuavelJSON::parse(text);
    EXPECT_EQ(text, QuavelJSON::encode(json)); // pretty-printed with sorted keys
    const QuavelJSON::Json& current = json["current"];
    QStringList keys;
    for (auto it = current.begin(); it != current.end(); ++it)
        keys.append(QString::fromStdString(it.key()));
    EXPECT_EQ(keys,
        (QStringList {
            "angle", "cropValidated", "format", "includeWatermark", "offset", "retouch", "zoom" }));
    EXPECT_EQ(current["format"], "a4");
    EXPECT_EQ(current["offset"], QuavelJSON::Json::array({ -12.25, 40 }));
    EXPECT_EQ(json["history"].size(), 1u);
    EXPECT_EQ(json["history"][0]["retouch"].size(), 18u);
    EXPECT_EQ(PhotoEditMemory::load(photo), journal);

    // A scan without extension: "scan.edits.json".
    EXPECT_EQ(PhotoEditMemory::journalURL(folder.file("scan")),
        folder.path() + "/.quavel-originals/scan.edits.json");
}

// Each case edits a valid journal; all but the last two must make it read as the default journal.
struct DecodeCase
{
    const char* name;
    std::function<void(QuavelJSON::Json&)> edit;
    bool readable;
};

class EditJournalDecoding : public testing::TestWithParam<DecodeCase>
{
};

TEST_P(EditJournalDecoding, EveryKeyIsRequired)
{
    TempFolder folder;
    const QString photo = folder.write("P.JPG", "photo");
    PhotoEditJournal valid;
    valid.current.zoom = 2;
    valid.history.append(stateWithZoom(3));
    QuavelJSON::Json json = valid.toJson();
    GetParam().edit(json);
    test::writeJournal(photo, QuavelJSON::encode(json));
    const PhotoEditJournal loaded = PhotoEditMemory::load(photo);
    if (GetParam().readable)
        EXPECT_EQ(loaded.current.zoom, 2);
    else
        EXPECT_EQ(loaded, PhotoEditJournal {});
    // load never moves or changes the file.
    EXPECT_EQ(folder.read(".quavel-originals/P.JPG.edits.json"), QuavelJSON::encode(json));
}

INSTANTIATE_TEST_SUITE_P(Cases, EditJournalDecoding,
    testing::Values(
        DecodeCase { "no_cropValidated", [](auto& j) { j["current"].erase("cropValidated"); }, false },
        DecodeCase { "no_format_in_history", [](auto& j) { j["history"][0].erase("format"); }, false },
        DecodeCase { "format_a3", [](auto& j) { j["current"]["format"] = "a3"; }, false },
        DecodeCase { "zoom_as_text", [](auto& j) { j["current"]["zoom"] = "1"; }, false },
        DecodeCase { "offset_as_object",
            [](auto& j) {
                j["current"]["offset"] = { { "width", 0 } };
            },
            false },
        DecodeCase { "offset_of_one", [](auto& j) { j["current"]["offset"] = { 1 }; }, false },
        DecodeCase { "null_angle", [](auto& j) { j["current"]["angle"] = nullptr; }, false },
        DecodeCase { "no_history", [](auto& j) { j.erase("history"); }, false },
        DecodeCase {
            "retouch_wrong_type", [](auto& j) { j["current"]["retouch"]["contrast"] = true; }, false },
        DecodeCase { "not_an_object", [](auto& j) { j = QuavelJSON::Json::array(); }, false },
        // Nested past the limit of every JSON read from outside, even under a key nobody reads.
        DecodeCase { "too_deep",
            [](auto& j) {
                QuavelJSON::Json deep = 1;
                for (int i = 0; i < 200; ++i)
                    deep = QuavelJSON::Json::array({ deep });
                j["later"] = deep;
            },
            false },
        DecodeCase { "unknown_keys_ignored",
            [](auto& j) {
                j["current"]["later"] = 1;
                j["more"] = true;
            },
            true },
        DecodeCase { "lenient_retouch",
            [](auto& j) {
                j["current"]["retouch"] = { { "sharpness", 80 } };
            },
            true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EditJournalFile, AnUnreadableJournalIsSetAsideBeforeASaveReplacesIt)
{
    TempFolder folder;
    const QString photo = folder.write("P.JPG", "photo");
    test::writeJournal(photo, "{ \"current\": ");
    EXPECT_EQ(PhotoEditMemory::load(photo), PhotoEditJournal {});
    PhotoEditMemory::save(PhotoEditJournal {}, photo);
    const QStringList names = entries(folder.file(".quavel-originals"));
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[0], "P.JPG.edits.json");
    EXPECT_TRUE(names[1].startsWith("P.JPG.edits.json.unreadable-")) << names[1].toStdString();
    EXPECT_EQ(folder.read(".quavel-originals/" + names[1]), "{ \"current\": ");
    // A readable journal is simply replaced.
    PhotoEditMemory::save(PhotoEditJournal {}, photo);
    EXPECT_EQ(entries(folder.file(".quavel-originals")).size(), 2);

    PhotoEditMemory::remove(photo);
    PhotoEditMemory::remove(photo);
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)));
}

TEST(EditJournalFile, RecordRetouchPushesOnlyWhatChangedAndKeepsEighty)
{
    TempFolder folder;
    const QString photo = folder.write("P.JPG", "photo");
    // An edited photo's journal: its original is kept first.
    PhotoOriginals::ensureBackup(photo);
    PhotoRetouchSettings settings;
    PhotoEditMemory::recordRetouch(settings, photo);
    EXPECT_EQ(PhotoEditMemory::load(photo), PhotoEditJournal {});
    EXPECT_TRUE(QFile::exists(PhotoEditMemory::journalURL(photo)));

    settings.brightness = 10;
    PhotoEditMemory::recordRetouch(settings, photo);
    PhotoEditJournal expected;
    expected.history.append(CropEditState {});
    expected.current.retouch = settings;
    EXPECT_EQ(PhotoEditMemory::load(photo), expected);

    // The same settings again: rewritten, unchanged (an unreadable journal there would go aside).
    PhotoEditMemory::recordRetouch(settings, photo);
    EXPECT_EQ(PhotoEditMemory::load(photo), expected);

    PhotoEditJournal full;
    for (int i = 0; i < 80; ++i)
        full.history.append(stateWithZoom(i + 1));
    full.current = stateWithZoom(100);
    PhotoEditMemory::save(full, photo);
    PhotoRetouchSettings other;
    other.exposure = 0.5;
    PhotoEditMemory::recordRetouch(other, photo);
    const PhotoEditJournal capped = PhotoEditMemory::load(photo);
    ASSERT_EQ(capped.history.size(), 80);
    EXPECT_EQ(capped.history.first().zoom, 2);
    EXPECT_EQ(capped.history.last(), stateWithZoom(100));
    EXPECT_EQ(capped.current.zoom, 100);
    EXPECT_EQ(capped.current.retouch, other);
}

TEST(Originals, AreMadeOnceAndNeverReplaced)
{
    TempFolder folder;
    const QString photo = folder.write("IMG_1.JPG", "first bytes");
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    PhotoOriginals::ensureBackup(photo);
    EXPECT_TRUE(PhotoOriginals::hasBackup(photo));
    EXPECT_EQ(PhotoOriginals::backupURL(photo), folder.path() + "/.quavel-originals/IMG_1.JPG");
    folder.write("IMG_1.JPG", "rewritten");
    PhotoOriginals::ensureBackup(photo);
    EXPECT_EQ(folder.read(".quavel-originals/IMG_1.JPG"), "first bytes");

    // A photo that is not there: the error, and nothing left in the originals folder.
    try {
        PhotoOriginals::ensureBackup(folder.file("gone.jpg"));
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.errnoValue(), ENOENT);
    }
    EXPECT_EQ(entries(folder.file(".quavel-originals")), QStringList { "IMG_1.JPG" });

    // Camera RAW photos are never edited: not even an original is made.
    const QString raw = folder.write("DSC_1.NEF", "raw bytes");
    try {
        PhotoOriginals::ensureBackup(raw);
        ADD_FAILURE() << "no error";
    } catch (const PhotoEditError& e) {
        EXPECT_EQ(e.message(), QString("Photo RAW non modifiée, enregistrez-la d’abord en JPEG."));
    }
    EXPECT_FALSE(PhotoOriginals::hasBackup(raw));
}

TEST(Originals, RestorePutsTheOriginalBackExactlyAndForgetsTheEdits)
{
    TempFolder folder;
    QByteArray original(300000, '\0');
    for (int i = 0; i < original.size(); ++i)
        original[i] = char(i * 7 + i / 1000);
    const QString photo = folder.write("IMG_2.JPG", original);
    PhotoOriginals::ensureBackup(photo);
    folder.write("IMG_2.JPG", "edited photo");
    PhotoEditMemory::save(PhotoEditJournal {}, photo);
    PhotoOriginals::restore(photo);
    EXPECT_EQ(folder.read("IMG_2.JPG"), original);
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_EQ(entries(folder.path()), (QStringList { ".quavel-originals", "IMG_2.JPG" }));
    EXPECT_TRUE(entries(folder.file(".quavel-originals")).isEmpty());

    // Without an original nothing changes, and a journal stays.
    PhotoEditMemory::save(PhotoEditJournal {}, photo);
    PhotoOriginals::restore(photo);
    EXPECT_EQ(folder.read("IMG_2.JPG"), original);
    EXPECT_TRUE(QFile::exists(PhotoEditMemory::journalURL(photo)));

    // The photo missing while its original exists: the original goes back in its place.
    PhotoOriginals::ensureBackup(photo);
    QFile::remove(photo);
    PhotoOriginals::restore(photo);
    EXPECT_EQ(folder.read("IMG_2.JPG"), original);
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)));
}

// What a copy killed on a file system without links leaves: its empty placeholder under the name.
TEST(Originals, AnEmptyFileUnderTheOriginalsNameIsNoOriginal)
{
    TempFolder folder;
    const QString photo = folder.write("IMG_3.JPG", "the photo");
    folder.write(".quavel-originals/IMG_3.JPG", "");
    PhotoEditMemory::save(PhotoEditJournal {}, photo);
    EXPECT_FALSE(PhotoOriginals::hasBackup(photo));
    // Undo leaves the photo as it is and forgets the edit that never happened.
    PhotoOriginals::restore(photo);
    EXPECT_EQ(folder.read("IMG_3.JPG"), "the photo");
    EXPECT_FALSE(QFile::exists(PhotoOriginals::backupURL(photo)));
    EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(photo)));
    // The next edit makes the original over such a leftover.
    folder.write(".quavel-originals/IMG_3.JPG", "");
    PhotoOriginals::ensureBackup(photo);
    EXPECT_EQ(folder.read(".quavel-originals/IMG_3.JPG"), "the photo");
}

TEST(PhotoEditErrors, SpeakFrench)
{
    using Kind = PhotoEditError::Kind;
    const std::pair<Kind, const char*> cases[] = {
        { Kind::unreadablePhoto, "Impossible de lire cette photo." },
        { Kind::unreadableWatermark, "Impossible de lire le fichier filigrane." },
        { Kind::composeFailed, "La composition de la photo a échoué." },
        { Kind::missingWatermark, "Choisissez d’abord un fichier filigrane." },
        { Kind::rawNotRewritten, "Photo RAW non modifiée, enregistrez-la d’abord en JPEG." },
    };
    for (const auto& [kind, text] : cases) {
        const PhotoEditError error(kind);
        EXPECT_EQ(error.message(), QString::fromUtf8(text));
        EXPECT_EQ(error.kind(), kind);
    }
}

} // namespace
} // namespace quavel
