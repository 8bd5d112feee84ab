// The process ends only after the photo work in flight: a crop editor closed just before quitting has its
// look written, and the program leaves cleanly however far the write had got.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"
#include "common/ChildProcess.h"
#include "common/TestSupport.h"
#include "photo/MediaThumbnailer.h"
#include "photo/PhotoWork.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/JobPool.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quavel {
namespace {

using test::meanRed;

const char* const exitChildVariable = "QUAVEL_EXIT_CHILD_PHOTO";

// The child: opens the photo, brightens it, closes the editor and ends the program at once.
TEST(PhotoWorkExitChild, ClosesTheEditorAndQuits)
{
    const char* photo = std::getenv(exitChildVariable);
    if (!photo)
        GTEST_SKIP() << "the child of the exit test";
    const QString path = QString::fromLocal8Bit(photo);
    auto* model = new CropEditorModel; // still alive while the program ends, as a window's would be
    model->open(path, std::nullopt, {});
    if (!test::waitUntil([&] { return model->loadedURL() == path; }, 20000))
        std::_Exit(2);
    PhotoRetouchSettings brighter;
    brighter.exposure = 1;
    model->setRetouchPreview(brighter);
    model->close();
    // As the application ends.
    if (!PhotoWork::finishBeforeExit())
        PhotoWork::endProcess(0);
    std::exit(0); // static objects go now: no worker may still be running
}

TEST(PhotoWorkExit, AnEditorClosedAtQuitHasItsLookWrittenBeforeTheProgramEnds)
{
    test::TempFolder folder;
    const QString photo = folder.file(QStringLiteral("IMG_0412.png"));
    // Large enough that the write is still running when the child asks to end.
    ASSERT_TRUE(ImageIO::encode(test::grey(2400, 1600, 0.25f), photo, ImageIO::formatForPath(photo), 0.97));

    const QByteArray self = QFile::encodeName(QFile::symLinkTarget("/proc/self/exe"));
    const QByteArray filter = "--gtest_filter=PhotoWorkExitChild.ClosesTheEditorAndQuits";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv(exitChildVariable, QFile::encodeName(photo).constData(), 1);
        char* argv[]
            = { const_cast<char*>(self.constData()), const_cast<char*>(filter.constData()), nullptr };
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(PhotoOriginals::hasBackup(photo));
    EXPECT_NEAR(meanRed(photo), 0.5f, 0.02f) << "the look given just before quitting is on disk";
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch.exposure, 1);
}

const char* const stuckChildVariable = "QUAVEL_EXIT_CHILD_FOLDER";

// The child: the crop editor's write is captured at close while every worker that could run it is held by
// a read that never ends (a FIFO opened the blocking way, as a file system that stopped answering would
// hold it), and thumbnails of pipes are asked for; then the program ends as the application does.
TEST(PhotoWorkExitChild, QuitsWithReadsStuckAndAWriteQueued)
{
    const char* folderName = std::getenv(stuckChildVariable);
    if (!folderName)
        GTEST_SKIP() << "the child of the exit test";
    const QString folder = QString::fromLocal8Bit(folderName);
    const QString photo = folder + QStringLiteral("/IMG_0412.png");
    const QByteArray pipe = QFile::encodeName(folder + QStringLiteral("/IMG_0413.jpg"));
    auto* model = new CropEditorModel;
    model->open(photo, std::nullopt, {});
    if (!test::waitUntil([&] { return model->loadedURL() == photo; }, 20000))
        std::_Exit(2);
    const auto stuck = [pipe] { ::close(::open(pipe.constData(), O_RDONLY)); };
    for (JobPool* pool : { &JobPool::interactive(), &JobPool::thumbnails() })
        for (int i = 0; i < pool->threadPool().maxThreadCount(); ++i)
            pool->run(stuck);
    for (int i = 0; i < 4; ++i)
        MediaThumbnailer::thumbnail(QFile::decodeName(pipe), false, 480);
    PhotoRetouchSettings brighter;
    brighter.exposure = 1;
    model->setRetouchPreview(brighter);
    model->close();
    if (!PhotoWork::finishBeforeExit())
        PhotoWork::endProcess(0);
    std::_Exit(3); // the reads above cannot have ended
}

TEST(PhotoWorkExit, ReadsThatNeverEndAreAbandonedAndTheQueuedWriteStillReachesTheDisk)
{
    test::TempFolder folder;
    const QString photo = folder.file(QStringLiteral("IMG_0412.png"));
    ASSERT_TRUE(ImageIO::encode(test::grey(1200, 800, 0.25f), photo, ImageIO::formatForPath(photo), 0.97));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file(QStringLiteral("IMG_0413.jpg"))).constData(), 0644), 0);
    // A few seconds at most: the bound only keeps a hang from holding the run.
    EXPECT_EQ(test::runTestInChild("PhotoWorkExitChild.QuitsWithReadsStuckAndAWriteQueued",
                  stuckChildVariable, QFile::encodeName(folder.path()), 30000),
        0);
    EXPECT_NEAR(meanRed(photo), 0.5f, 0.02f) << "the write captured at close is on disk";
    EXPECT_EQ(PhotoEditMemory::load(photo).current.retouch.exposure, 1);
}

} // namespace
} // namespace quavel
