// Documents dropped in an order folder under photo names, and chosen as the watermark: both batches of
// the orders screen refuse them with the unreadable photo's or watermark's message, leave them and the
// photo beside them as they were (no original, no journal), edit the good photo, and end at once however
// long the documents would take to render.
#include "OrdersFixture.h"

#include "orders/OrdersOutcome.h"

#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"

#include <gtest/gtest.h>

using namespace quavel;
using namespace quavel::test;

namespace {

// What the message line says when each of these photos could not be read.
QString unreadable(const QStringList& photos)
{
    QList<OrdersOutcome::Failure> failures;
    for (const QString& photo : photos)
        failures.append({ photo, QStringLiteral("Impossible de lire cette photo.") });
    return OrdersOutcome::describe(failures, OrdersOutcome::Work::edit).message.value_or(QString());
}

const ForeignContent contents[] = { ForeignContent::svg, ForeignContent::turbulence, ForeignContent::pdf,
    ForeignContent::postscript, ForeignContent::magickText, ForeignContent::xpm, ForeignContent::matrixText };
const char* const extensions[] = { "jpg", "png", "tif" };

class OrdersForeignContent : public ::testing::Test
{
protected:
    OrdersFixture f;
    OrdersStore* store = nullptr;
    QString good;
    QString privateImage;

    void SetUp() override
    {
        privateImage
            = writePhoto(f.tmp.file(QStringLiteral("Images/famille.png")), filled(64, 48, Qt::magenta));
        good = f.photo("A/S/IMG_0001.jpg", Qt::darkGray);
        store = &f.openOn("A");
    }

    // Every content under every name in the section; the paths.
    QStringList dropDocuments(const QString& prefix)
    {
        QStringList files;
        int n = 0;
        for (ForeignContent content : contents)
            for (const char* extension : extensions)
                files.append(f.file(QStringLiteral("A/S/%1_%2.%3").arg(prefix).arg(++n).arg(extension),
                    foreignBytes(content, privateImage)));
        return files;
    }

    bool finishRetouch(int timeoutMs = 60000)
    {
        return waitUntil([&] { return !store->isRetouching(); }, timeoutMs);
    }
};

TEST_F(OrdersForeignContent, BothBatchesRefuseEveryDocumentAndEditTheGoodPhoto)
{
    store->addWatermark(writeWatermark(f.tmp.file(QStringLiteral("Logo.png"))));
    store->setRetouch(brighter());
    const QStringList documents = dropDocuments(QStringLiteral("IMG"));
    const QByteArray goodBefore = readFile(good);
    for (const bool watermark : { true, false }) {
        const QStringList batch = QStringList(documents) << good;
        if (watermark) {
            store->applyWatermark(batch);
            ASSERT_TRUE(OrdersFixture::finishWatermark(*store));
        } else {
            store->applyRetouch(batch);
            ASSERT_TRUE(finishRetouch());
        }
        EXPECT_EQ(store->errorMessage(), unreadable(documents)) << watermark;
        for (const QString& document : documents) {
            EXPECT_FALSE(QFile::exists(PhotoOriginals::backupURL(document))) << document.toStdString();
            EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(document))) << document.toStdString();
        }
    }
    int n = 0;
    for (ForeignContent content : contents)
        for (int e = 0; e < 3; ++e)
            EXPECT_EQ(readFile(documents[n++]), foreignBytes(content, privateImage));
    EXPECT_NE(readFile(good), goodBefore) << "the good photo is edited";
    EXPECT_TRUE(PhotoEditMemory::load(good).current.includeWatermark);
    EXPECT_EQ(PhotoEditMemory::load(good).current.retouch, brighter());
}

TEST_F(OrdersForeignContent, ADocumentChosenAsTheWatermarkIsRefusedAndMarksNoPhoto)
{
    const QByteArray before = readFile(good);
    for (ForeignContent content : contents) {
        for (const char* extension : extensions) {
            const QString watermark = f.tmp.write(
                QStringLiteral("Filigranes/Logo.%1").arg(extension), foreignBytes(content, privateImage));
            store->addWatermark(watermark);
            store->applyWatermark({ good });
            ASSERT_TRUE(OrdersFixture::finishWatermark(*store));
            EXPECT_EQ(store->errorMessage(),
                QStringLiteral("Impossible de lire le fichier filigrane « Logo.%1 ».").arg(extension))
                << int(content) << extension;
            EXPECT_EQ(readFile(good), before) << int(content) << extension;
            EXPECT_FALSE(QFile::exists(PhotoOriginals::backupURL(good)));
            EXPECT_FALSE(QFile::exists(PhotoEditMemory::journalURL(good)));
        }
    }
}

TEST_F(OrdersForeignContent, ARetouchBatchOverStallingFilesEndsWithinThirtySeconds)
{
    QStringList section;
    for (int i = 0; i < 6; ++i)
        section.append(
            f.file(QStringLiteral("A/S/IMG_01%1.jpg").arg(i), foreignBytes(ForeignContent::turbulence)));
    section.append(f.file(QStringLiteral("A/S/IMG_0200.jpg"), manyScanJpeg(5000)));
    section.append(good);
    store->setRetouch(brighter());
    store->applyRetouch(section);
    ASSERT_TRUE(finishRetouch(30000)) << "the batch has not ended";
    EXPECT_EQ(PhotoEditMemory::load(good).current.retouch, brighter());
    section.removeLast();
    EXPECT_EQ(store->errorMessage(), unreadable(section));
}

} // namespace
