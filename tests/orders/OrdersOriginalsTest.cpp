// What stands in ".quavel-originals" is never trusted: a link or a FIFO planted in place of a photo's
// original, journal or folder makes every edit of the orders screen (undo, batch retouch, batch
// watermark, the crop editor's write) refuse with a message naming the photo, the photo byte for byte as
// it was and nothing written or changed outside its folder. And a photo's name decides whether its
// journal can be kept: 240 bytes are edited like any photo, 250 bytes are refused before anything is
// written.
#include "OrdersFixture.h"

#include "library/QuavelJSON.h"
#include "orders/OrdersOutcome.h"
#include "orders/OrdersScreen.h"
#include "photo/PhotoWriteQueue.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoEditJournal.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>
#include <QDirIterator>

#include <gtest/gtest.h>

#include <condition_variable>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace quavel;
using namespace quavel::test;

namespace {

enum class Planted {
    linkToPrivateFile, // the original's name links to a private text file of the user
    linkToOtherPhoto, // the original's name links to another photo of the folder
    linkedFolder, // ".quavel-originals" links to another folder holding a file of the photo's name
    linkedJournal, // the journal's name links to a private journal-shaped file (a true original kept)
    fifo, // a FIFO stands as the original
};

enum class Edit { undo, retouch, watermark, editorWrite };

const char* name(Planted p)
{
    static const char* const names[]
        = { "LinkToPrivateFile", "LinkToOtherPhoto", "LinkedFolder", "LinkedJournal", "Fifo" };
    return names[int(p)];
}

const char* name(Edit e)
{
    static const char* const names[] = { "Undo", "Retouch", "Watermark", "EditorWrite" };
    return names[int(e)];
}

void PrintTo(Planted p, std::ostream* os)
{
    *os << name(p);
}

void PrintTo(Edit e, std::ostream* os)
{
    *os << name(e);
}

QString expectedMessage(Planted planted, const QString& photo)
{
    switch (planted) {
    case Planted::linkedFolder:
        return QStringLiteral(
            "Le dossier des originaux de « %1 » n’est pas un dossier ordinaire : la photo n’est "
            "pas modifiée.")
            .arg(photo);
    case Planted::linkedJournal:
        return QStringLiteral(
            "Le journal des modifications de « %1 » n’est pas un fichier ordinaire : la photo "
            "n’est pas modifiée.")
            .arg(photo);
    default:
        return QStringLiteral(
            "L’original de « %1 » n’est pas un fichier ordinaire : la photo n’est pas modifiée.")
            .arg(photo);
    }
}

PhotoRetouchSettings brighter()
{
    PhotoRetouchSettings s;
    s.brightness = 40;
    return s;
}

// Every entry under a folder (links not followed) with what it holds: a file's bytes, a link's target.
std::map<QString, QByteArray> contents(const QString& root)
{
    std::map<QString, QByteArray> found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray native = QFile::encodeName(path);
        struct stat st
        {
        };
        if (::lstat(native.constData(), &st) != 0) {
            found[path] = "gone";
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(native.constData(), target, sizeof target);
            found[path] = "link to " + QByteArray(target, n > 0 ? int(n) : 0);
        } else if (S_ISREG(st.st_mode)) {
            found[path] = readFile(path); // never a FIFO: opening one would wait for a writer
        } else {
            found[path] = "mode " + QByteArray::number(st.st_mode & S_IFMT);
        }
    }
    return found;
}

// Unblocks a reader stuck opening the FIFO after a while (by opening its other end), so that a hang
// fails the test instead of holding it.
class FifoWatchdog
{
public:
    FifoWatchdog(const QString& fifo, int ms)
        : m_thread([this, fifo, ms] {
            std::unique_lock lock(m_mutex);
            if (m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_finished; }))
                return;
            m_fired = true;
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        })
    { }
    ~FifoWatchdog() { finish(); }
    // True when it had to unblock a reader.
    bool finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_fired = false;
    std::thread m_thread;
};

struct PlantedFixture : OrdersFixture
{
    UserDefaults defaults { tmp.file(QStringLiteral("defaults.json")) };
    QString photo = OrdersFixture::photo(QStringLiteral("A/S/IMG_1.jpg"), Qt::darkGray);
    QString other = OrdersFixture::photo(QStringLiteral("A/S/OTHER.jpg"), Qt::red);
    QString originals = path(QStringLiteral("A/S/.quavel-originals"));
    // The user's own folder outside the order.
    QString privateFolder = tmp.file(QStringLiteral("prive"));
    QString secret = tmp.write(QStringLiteral("prive/secret.txt"), "mot de passe : cheval");
    // A photo of the same name in the private folder: what a linked originals folder would hand over.
    QString privatePhoto = writeImage(privateFolder + QStringLiteral("/IMG_1.jpg"), Qt::blue);
    QString privateJournal = tmp.write(QStringLiteral("prive/journal.json"), [] {
        PhotoEditJournal journal;
        journal.current.includeWatermark = true;
        journal.current.cropValidated = true;
        journal.current.zoom = 3;
        return QuavelJSON::encode(journal.toJson());
    }());
    QString watermark = writeImage(tmp.file(QStringLiteral("Logo.png")), QColor(255, 255, 255, 160));

    void plant(Planted planted) const
    {
        const QByteArray original = QFile::encodeName(originals + QStringLiteral("/IMG_1.jpg"));
        if (planted != Planted::linkedFolder)
            QDir().mkpath(originals);
        switch (planted) {
        case Planted::linkToPrivateFile:
            ASSERT_EQ(::symlink(QFile::encodeName(secret).constData(), original.constData()), 0);
            break;
        case Planted::linkToOtherPhoto:
            ASSERT_EQ(::symlink("../OTHER.jpg", original.constData()), 0);
            break;
        case Planted::linkedFolder:
            ASSERT_EQ(
                ::symlink(QFile::encodeName(privateFolder).constData(), QFile::encodeName(originals)), 0);
            break;
        case Planted::linkedJournal: {
            // A true original (another photo's bytes, so that a restore would show) and a linked journal.
            ASSERT_TRUE(QFile::copy(other, QString::fromUtf8(original)));
            const QByteArray journal = original + ".edits.json";
            ASSERT_EQ(::symlink(QFile::encodeName(privateJournal).constData(), journal.constData()), 0);
            break;
        }
        case Planted::fifo:
            ASSERT_EQ(::mkfifo(original.constData(), 0600), 0);
            break;
        }
    }
};

class PlantedInOriginals : public ::testing::TestWithParam<std::tuple<Planted, Edit>>
{
};

TEST_P(PlantedInOriginals, RefusesTheEditAndTouchesNothingOutsideThePhoto)
{
    const auto [planted, edit] = GetParam();
    PlantedFixture f;
    ASSERT_FALSE(f.photo.isEmpty());
    OrdersStore& store = f.openOn(QStringLiteral("A"));
    store.addWatermark(f.watermark);
    store.setRetouch(brighter());
    OrdersScreen screen(store, f.defaults);
    CropEditorModel& editor = screen.cropEditor();
    if (edit == Edit::editorWrite) {
        editor.open(f.photo, f.watermark, PhotoRetouchSettings {});
        ASSERT_TRUE(waitUntil([&] { return editor.loadedURL() == f.photo; }, 30000));
        ASSERT_FALSE(editor.errorMessage());
    }
    ASSERT_NO_FATAL_FAILURE(f.plant(planted));

    const QByteArray photoBytes = readFile(f.photo);
    const std::map<QString, QByteArray> outside = contents(f.privateFolder);
    const QByteArray otherBytes = readFile(f.other);
    const std::map<QString, QByteArray> originals = contents(f.originals);
    const QStringList folderBefore = QDir(f.path("A/S")).entryList(QDir::AllEntries | QDir::Hidden);

    std::optional<QString> message;
    FifoWatchdog watchdog(f.originals + QStringLiteral("/IMG_1.jpg"), 20000);
    switch (edit) {
    case Edit::undo:
        EXPECT_TRUE(PhotoOriginals::hasBackup(f.photo)); // offered, so that it can say why it cannot
        {
            QFuture<void> undo = screen.undoEdits(f.photo);
            ASSERT_TRUE(waitUntil([&] { return undo.isFinished(); }, 20000));
        }
        message = store.errorMessage();
        break;
    case Edit::retouch:
        screen.applyRetouch({ f.photo });
        ASSERT_TRUE(waitUntil([&] { return !store.isRetouching(); }, 60000));
        message = store.errorMessage();
        break;
    case Edit::watermark:
        // What the screen runs: the batch on a worker of the batch pool.
        store.applyWatermark({ f.photo });
        ASSERT_TRUE(OrdersFixture::finishWatermark(store));
        message = store.errorMessage();
        break;
    case Edit::editorWrite: {
        editor.setRetouchPreview(brighter());
        QFuture<bool> saved = editor.save();
        ASSERT_TRUE(waitUntil([&] { return saved.isFinished(); }, 30000));
        EXPECT_FALSE(saved.result());
        PhotoWriteQueue::shared().waitFor(f.photo);
        QCoreApplication::processEvents();
        message = editor.errorMessage();
        editor.close();
        PhotoWriteQueue::shared().waitFor(f.photo);
        break;
    }
    }
    EXPECT_FALSE(watchdog.finish()) << "the edit waited on the FIFO";

    // The orders screen's line names the photo before the reason; the editor shows the reason alone.
    const QString expected = expectedMessage(planted, QStringLiteral("IMG_1.jpg"));
    EXPECT_EQ(message, edit == Edit::editorWrite ? expected : OrdersOutcome::line(f.photo, expected));
    EXPECT_EQ(readFile(f.photo), photoBytes) << "the photo changed";
    EXPECT_FALSE(QFileInfo(f.photo).isSymLink());
    EXPECT_EQ(contents(f.privateFolder), outside) << "something outside the order changed";
    EXPECT_EQ(readFile(f.other), otherBytes);
    EXPECT_EQ(contents(f.originals), originals) << "the planted entries changed";
    EXPECT_EQ(QDir(f.path("A/S")).entryList(QDir::AllEntries | QDir::Hidden), folderBefore);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlantedInOriginals,
    ::testing::Combine(::testing::Values(Planted::linkToPrivateFile, Planted::linkToOtherPhoto,
                           Planted::linkedFolder, Planted::linkedJournal, Planted::fifo),
        ::testing::Values(Edit::undo, Edit::retouch, Edit::watermark, Edit::editorWrite)),
    [](const auto& info) {
        return std::string(name(std::get<0>(info.param))) + name(std::get<1>(info.param));
    });

// Planted before the editor opens the photo: it reads nothing through the link and says why.
TEST(PlantedBeforeOpening, TheEditorSaysWhyThePhotoCannotBeRead)
{
    for (const Planted planted : { Planted::linkToOtherPhoto, Planted::linkedFolder, Planted::fifo }) {
        SCOPED_TRACE(name(planted));
        PlantedFixture f;
        f.plant(planted);
        OrdersStore& store = f.openOn(QStringLiteral("A"));
        OrdersScreen screen(store, f.defaults);
        CropEditorModel& editor = screen.cropEditor();
        FifoWatchdog watchdog(f.originals + QStringLiteral("/IMG_1.jpg"), 20000);
        editor.open(f.photo, std::nullopt, PhotoRetouchSettings {});
        ASSERT_TRUE(waitUntil([&] { return editor.loadedURL() == f.photo; }, 30000));
        EXPECT_FALSE(watchdog.finish());
        EXPECT_EQ(editor.errorMessage(), expectedMessage(planted, QStringLiteral("IMG_1.jpg")));
        EXPECT_TRUE(editor.preview().isNull()) << "the editor shows what the link points to";
        EXPECT_FALSE(editor.sessionBaseURL());
        editor.close();
    }
}

// ---- long names ----

// A name of `bytes` bytes in UTF-8 (two-byte letters, so that a count of characters would be wrong).
QString nameOfBytes(int bytes)
{
    QString name = QString(QChar(0x00E9)).repeated((bytes - 4) / 2) + QStringLiteral(".jpg");
    if (QFile::encodeName(name).size() < bytes)
        name.prepend(u'a');
    return name;
}

struct LongName
{
    int bytes;
    Edit edit;
    bool kept;
};

class LongPhotoNames : public ::testing::TestWithParam<LongName>
{
};

TEST_P(LongPhotoNames, AreEditedWithTheirJournalOrRefusedBeforeAnythingIsWritten)
{
    const LongName c = GetParam();
    OrdersFixture f;
    const QString fileName = nameOfBytes(c.bytes);
    ASSERT_EQ(QFile::encodeName(fileName).size(), c.bytes);
    const QString photo = f.photo(QStringLiteral("A/S/") + fileName, Qt::darkGray);
    ASSERT_FALSE(photo.isEmpty());
    const QByteArray before = readFile(photo);
    OrdersStore& store = f.openOn(QStringLiteral("A"));
    store.addWatermark(
        OrdersFixture::writeImage(f.tmp.file(QStringLiteral("Logo.png")), QColor(255, 255, 255, 160)));
    store.setRetouch(brighter());
    if (c.edit == Edit::retouch) {
        store.applyRetouch({ photo });
        ASSERT_TRUE(waitUntil([&] { return !store.isRetouching(); }, 60000));
    } else {
        store.applyWatermark({ photo });
        ASSERT_TRUE(OrdersFixture::finishWatermark(store));
    }

    const QString originals = f.path(QStringLiteral("A/S/.quavel-originals"));
    if (c.kept) {
        EXPECT_FALSE(store.errorMessage()) << store.errorMessage()->toStdString();
        EXPECT_NE(readFile(photo), before);
        EXPECT_EQ(readFile(PhotoOriginals::backupURL(photo)), before);
        const std::optional<PhotoEditJournal> journal = PhotoEditMemory::read(photo);
        ASSERT_TRUE(journal) << "no journal kept";
        if (c.edit == Edit::retouch)
            EXPECT_EQ(journal->current.retouch, brighter());
        else
            EXPECT_TRUE(journal->current.includeWatermark);
        // Nothing but the original and the journal: no temporary left behind.
        EXPECT_EQ(
            QDir(originals).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
    } else {
        EXPECT_EQ(store.errorMessage(),
            OrdersOutcome::line(photo,
                QStringLiteral(
                    "Le nom de « %1 » est trop long pour garder son original et son journal : la photo "
                    "n’est pas modifiée.")
                    .arg(fileName)));
        EXPECT_EQ(readFile(photo), before);
        EXPECT_TRUE(
            QDir(originals).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LongPhotoNames,
    ::testing::Values(LongName { 240, Edit::retouch, true }, LongName { 240, Edit::watermark, true },
        LongName { 244, Edit::retouch, true }, LongName { 245, Edit::watermark, false },
        LongName { 250, Edit::retouch, false }, LongName { 250, Edit::watermark, false }),
    [](const auto& info) {
        return std::string(name(info.param.edit)) + std::to_string(info.param.bytes) + "Bytes";
    });

} // namespace
