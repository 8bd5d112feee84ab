// The pixel budget, on photos that declare their size in a header and hold almost no pixels (no test here
// ever decodes a hundred megapixels): a step that decodes the whole photo refuses one over the budget with
// a message naming the photo, and fails one just under it as unreadable (its pixels are missing); a step
// that shrinks a JPEG while it decodes is bounded by what it decodes. In a child process under an
// address-space cap, a real 20,000 × 20,000 PNG is refused before its pixels are allocated, and memory
// running out names the photo being edited.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "common/ChildProcess.h"
#include "photo/PhotoEdits.h"
#include "photo/PhotoWriter.h"
#include "photo/originals/PhotoEditError.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/retouch/PhotoRetoucher.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/ImageThumbnail.h"
#include "platform/imaging/PixelBudget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace quavel {
namespace {

using test::brighter;

using Kind = PhotoEditError::Kind;

// The steps that write a photo, each throwing what the photographer would read.
struct Step
{
    const char* name;
    bool shrinksJpeg; // decodes a JPEG at a reduced size
    std::function<void(const QString& photo, const test::TempFolder& folder)> run;
};

const Step steps[] = {
    { "batch retouch", false,
        [](const QString& photo, const test::TempFolder&) {
            PhotoEdits::applyRetouch(photo, brighter(), {});
        } },
    { "batch watermark", false,
        [](const QString& photo, const test::TempFolder& folder) {
            PhotoEdits::applyWatermark(
                photo, test::writePhoto(folder.file(QStringLiteral("Logo.png")), test::sized(20, 4)));
        } },
    { "editor write", false,
        [](const QString& photo, const test::TempFolder& folder) {
            // From a session copy of a name of its own: the message names the photo all the same.
            const QString copy = folder.file(QStringLiteral("0F1E2D3C-copie.") + QFileInfo(photo).suffix());
            QFile::remove(copy);
            QFile::copy(photo, copy);
            PhotoWriter::Request request;
            request.photo = photo;
            request.source = copy;
            request.look.emplace().retouch = brighter();
            PhotoWriter::write(request);
        } },
    { "validated crop", true,
        [](const QString& photo, const test::TempFolder&) {
            PhotoEditJournal journal;
            journal.current.cropValidated = true;
            PhotoEditMemory::materialize(journal, photo, std::nullopt);
        } },
};

struct Size
{
    const char* name;
    int width;
    int height;
};

// Just under and just over the budget, 10,000 pixels wide.
const Size under { "under", 10000, int(PixelBudget::kMaxPixels / 10000) };
const Size over { "over", 10000, int(PixelBudget::kMaxPixels / 10000) + 1 };

class PixelBudgetOnHeaders : public testing::TestWithParam<const char*>
{
protected:
    test::TempFolder m_folder;
};

TEST_P(PixelBudgetOnHeaders, WholeDecodesRefuseWhatIsOverTheBudgetAndShrinkingStepsWhatTheyWouldDecode)
{
    const bool jpeg = QByteArray(GetParam()) == "jpg";
    for (const Step& step : steps) {
        for (const Size& size : { under, over }) {
            const QString folder = m_folder.file(QStringLiteral("%1 %2").arg(step.name, size.name));
            QDir().mkpath(folder);
            const QString photo = test::writeHeaderOnly(
                folder + QStringLiteral("/IMG_0001.") + GetParam(), size.width, size.height);
            const QByteArray before = test::readFile(photo);
            const bool refused = size.height == over.height && !(jpeg && step.shrinksJpeg);
            try {
                step.run(photo, m_folder);
                ADD_FAILURE() << step.name << " wrote a photo without pixels (" << size.name << ")";
            } catch (const PhotoEditError& e) {
                EXPECT_EQ(e.kind(), refused ? Kind::tooLarge : Kind::unreadablePhoto)
                    << step.name << ", " << size.name;
                if (refused) {
                    EXPECT_EQ(e.message(),
                        PhotoEditError::description(Kind::tooLarge, QStringLiteral("IMG_0001.") + GetParam(),
                            qint64(size.width) * size.height))
                        << step.name;
                }
            }
            EXPECT_EQ(test::readFile(photo), before) << step.name << ", " << size.name;
        }
    }
}

TEST_P(PixelBudgetOnHeaders, TheWorkingImageAndTheThumbnailCountWhatTheyDecode)
{
    const bool jpeg = QByteArray(GetParam()) == "jpg";
    const QString photo = test::writeHeaderOnly(
        m_folder.file(QStringLiteral("IMG_0001.") + GetParam()), over.width, over.height);
    ReadFailure failure;
    EXPECT_FALSE(ImageIO::decode(photo, 2048, &failure));
    // A JPEG decodes at a quarter of its width there: within the budget, it fails for its missing pixels.
    EXPECT_EQ(failure.kind, jpeg ? ReadFailure::Kind::unreadable : ReadFailure::Kind::tooLarge);
    // A gallery's thumbnail shows what decodes: the grey a JPEG's missing pixels decode to, at an eighth.
    EXPECT_EQ(ImageThumbnail::fromFile(photo, 480).isNull(), !jpeg);
    EXPECT_TRUE(ImageThumbnail::fromFile(photo, 480, ImageThumbnail::Damage::refused).isNull());
}

INSTANTIATE_TEST_SUITE_P(Formats, PixelBudgetOnHeaders, testing::Values("jpg", "png"));

TEST(PixelBudgetMessages, NameThePhotoAndTheLimitInFrench)
{
    EXPECT_EQ(PixelBudget::kMaxPixels, qint64(3.0e9 / PixelBudget::kWriteBytesPerPixel));
    // A 150-megapixel photo is edited (its write stays under about 3 GB); 400 megapixels are refused.
    EXPECT_TRUE(PixelBudget::allows(150'000'000));
    const PhotoEditError tooLarge(Kind::tooLarge, QStringLiteral("IMG_0412.png"), 400'000'000);
    EXPECT_EQ(tooLarge.message(),
        QStringLiteral(
            "La photo « IMG_0412.png » est trop grande pour être modifiée : 400 mégapixels, au plus 200."));
    // Just over the limit never reads as the limit itself.
    EXPECT_EQ(PhotoEditError(Kind::tooLarge, QStringLiteral("a.jpg"), PixelBudget::kMaxPixels + 1).message(),
        QStringLiteral(
            "La photo « a.jpg » est trop grande pour être modifiée : 200,1 mégapixels, au plus 200."));
    EXPECT_EQ(PhotoEditError(Kind::outOfMemory, QString()).naming(QStringLiteral("IMG_1.jpg")).message(),
        QStringLiteral("La mémoire a manqué pour modifier la photo « IMG_1.jpg »."));
    EXPECT_EQ(PhotoEditError(Kind::watermarkTooLarge, QStringLiteral("Logo.png"), 123'456'789).message(),
        QStringLiteral("Le fichier filigrane « Logo.png » est trop grand : 123,5 mégapixels, au plus 200."));
    // A name already given stays.
    EXPECT_EQ(tooLarge.naming(QStringLiteral("autre.png")).fileName(), QStringLiteral("IMG_0412.png"));
}

const char* const childVariable = "QUAVEL_PIXEL_BUDGET_CHILD_FOLDER";

// This process's address space now, in bytes.
qint64 addressSpace()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// The child: photo work started (its threads and libraries), then at most 600 MB more address space.
TEST(PixelBudgetChild, UnderAnAddressSpaceCap)
{
    const char* folderName = std::getenv(childVariable);
    if (!folderName)
        GTEST_SKIP() << "the child of the address-space test";
    const QString folder = QString::fromLocal8Bit(folderName);
    const QString small = test::writePhoto(folder + QStringLiteral("/warm.jpg"), test::sized(640, 480));
    ASSERT_TRUE(PhotoRetoucher::apply(brighter(), *ImageIO::decode(small), PhotoRetoucher::Quality::Full));
    ASSERT_FALSE(ImageThumbnail::fromFile(small, 480).isNull());
    const rlimit cap { rlim_t(addressSpace() + (qint64(600) << 20)), RLIM_INFINITY };
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &cap), 0);

    // 400 megapixels in a 1.6 MB file: refused from its header by every step, nothing allocated.
    const QString huge = folder + QStringLiteral("/IMG_0002.png");
    try {
        PhotoEdits::applyRetouch(huge, brighter(), {});
        ADD_FAILURE() << "the retouch went through";
    } catch (const PhotoEditError& e) {
        EXPECT_EQ(e.message(),
            PhotoEditError::description(Kind::tooLarge, QStringLiteral("IMG_0002.png"), 400'000'000));
    }
    ReadFailure failure;
    EXPECT_FALSE(ImageIO::decode(huge, 2048, &failure));
    EXPECT_EQ(failure.kind, ReadFailure::Kind::tooLarge);
    EXPECT_TRUE(ImageThumbnail::fromFile(huge, 480).isNull());

    // 64 megapixels, within the budget but not within the cap: the watermark batch runs out of memory on
    // the photo and says so, naming it (not blaming the watermark).
    try {
        PhotoEdits::applyWatermark(folder + QStringLiteral("/IMG_0003.png"), small);
        ADD_FAILURE() << "the watermark went through";
    } catch (const PhotoEditError& e) {
        EXPECT_EQ(
            e.message(), QStringLiteral("La mémoire a manqué pour modifier la photo « IMG_0003.png »."));
    }
}

TEST(PixelBudget, AHugePngIsRefusedBeforeItsPixelsAreAllocated)
{
    if (test::kBuiltWithSanitizers)
        GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: no cap can be set";
    test::TempFolder folder;
    test::writeBlankPng(folder.file(QStringLiteral("IMG_0002.png")), 20000, 20000);
    test::writeBlankPng(folder.file(QStringLiteral("IMG_0003.png")), 8000, 8000);
    ASSERT_LT(QFileInfo(folder.file(QStringLiteral("IMG_0002.png"))).size(), 4 << 20);
    EXPECT_EQ(test::runTestInChild("PixelBudgetChild.UnderAnAddressSpaceCap", childVariable,
                  QFile::encodeName(folder.path()), 120000),
        0);
}

} // namespace
} // namespace quavel
