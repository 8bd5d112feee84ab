// A photo survives kills at any moment of its edits: a child process retouches a photo in place and
// restores it, in a loop, and is killed with SIGKILL at random moments. After every kill the photo
// decodes, the original (when there is one) is byte for byte the first photo, the journal (when there is
// one) decodes, and nothing else stands under a name a later run would trust.
#include "photo/PhotoEdits.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoFiles.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"

#include "PhotoFixtures.h"
#include "common/TestSupport.h"
#include "library/QuavelJSON.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quavel {
namespace {

constexpr int kills = 112;
const char* const childPhotoVariable = "QUAVEL_CRASH_CHILD_PHOTO";
const char* const childPipeVariable = "QUAVEL_CRASH_CHILD_PIPE";

// The child's loop: retouch, tell the parent it is running, restore, retouch with other settings…
[[noreturn]] void editForever(const QString& photo, int readyFd)
{
    PhotoRetouchSettings settings;
    for (unsigned i = 0;; ++i) {
        settings.brightness = 5 + double(i % 7) * 5;
        settings.contrast = i % 2 ? 15 : 0;
        try {
            PhotoEdits::applyRetouch(photo, settings, std::nullopt);
            if (i % 3 == 2)
                PhotoOriginals::restore(photo);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child: %s\n", e.what());
        }
        if (readyFd >= 0) {
            if (::write(readyFd, "r", 1) != 1)
                std::_Exit(3);
            ::close(readyFd);
            readyFd = -1;
        }
    }
}

TEST(CrashInjectionChild, EditsAPhotoUntilKilled)
{
    const char* photo = std::getenv(childPhotoVariable);
    const char* pipe = std::getenv(childPipeVariable);
    if (!photo || !pipe)
        GTEST_SKIP() << "the child of the crash-injection test";
    editForever(QString::fromLocal8Bit(photo), std::atoi(pipe));
}

// Starts this test program as the child, returns its pid once it has done one edit.
pid_t startChild(const QString& photo)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const QByteArray self = QFile::encodeName(QFile::symLinkTarget("/proc/self/exe"));
    const QByteArray filter = "--gtest_filter=CrashInjectionChild.EditsAPhotoUntilKilled";
    const QByteArray photoVar = QByteArray(childPhotoVariable) + '=' + QFile::encodeName(photo);
    const QByteArray pipeVar = QByteArray(childPipeVariable) + '=' + QByteArray::number(fds[1]);
    std::vector<QByteArray> environment { photoVar, pipeVar };
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e);
    std::vector<char*> envp;
    for (QByteArray& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = { const_cast<char*>(self.constData()), const_cast<char*>(filter.constData()), nullptr };

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    char ready = 0;
    const bool ok = pid > 0 && ::read(fds[0], &ready, 1) == 1;
    ::close(fds[0]);
    if (!ok && pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

// One lane of the test: its own photo in its own folder, killed `kills` times. Empty when every check
// held, else what went wrong.
std::string killRepeatedly(const QString& folderPath, int kills, unsigned seed, int& leftovers)
{
    const QString photo = test::writePhoto(folderPath + "/IMG_0412.JPG", test::sized(300, 200, 6));
    const QByteArray first = test::readFile(photo);
    const QString originals = folderPath + "/.quavel-originals";
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 25000);

    for (int kill = 0; kill < kills; ++kill) {
        const std::string at = "kill " + std::to_string(kill) + ": ";
        const pid_t child = startChild(photo);
        if (child <= 0)
            return at + "the child did not start its edits";
        test::holdThread(std::chrono::microseconds(delayUs(random))); // a moment of the edits, at random
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFSIGNALED(status))
            return at + "the child ended by itself";

        const std::optional<QSize> decoded = test::decodesCleanly(photo);
        if (!decoded)
            return at + "the photo does not decode";
        if (*decoded != QSize(200, 300))
            return at + "the photo is " + std::to_string(decoded->width()) + " × "
                + std::to_string(decoded->height()) + " upright";
        if (PhotoOriginals::hasBackup(photo) && test::readFile(PhotoOriginals::backupURL(photo)) != first)
            return at + "the original differs from the first photo";
        if (QFile::exists(PhotoEditMemory::journalURL(photo))) {
            try {
                PhotoEditJournal::fromJson(
                    QuavelJSON::parse(test::readFile(PhotoEditMemory::journalURL(photo))));
            } catch (const std::exception&) {
                return at + "the journal does not decode";
            }
        }
        // Nothing but the photo, the original and the journal under a name that counts; the hidden
        // temporaries of killed writes are removed by the next write into their folder.
        int hidden = 0;
        for (const QString& dir : { folderPath, originals }) {
            for (const QString& name :
                QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
                if (PhotoFiles::isTemporaryName(name) || UnnamedFile::isTemporaryName(name)
                    || TemporarySweep::isTemporaryName(name) || TemporarySweep::isAtomicFileTemporary(name)) {
                    ++leftovers;
                    ++hidden;
                    continue;
                }
                const bool known = name == "IMG_0412.JPG"
                    || (dir == folderPath && name == ".quavel-originals")
                    || (dir == originals && name == "IMG_0412.JPG.edits.json");
                if (!known)
                    return at + "unexpected file " + name.toStdString();
            }
        }
        if (hidden > 2)
            return at + std::to_string(hidden) + " hidden temporaries pile up";
    }
    // A later run finishes the work: the photo back exactly as it was.
    PhotoOriginals::restore(photo);
    if (test::readFile(photo) != first)
        return "the final restore did not give the first photo back";
    return {};
}

TEST(CrashInjection, APhotoSurvivesKillsAtAnyMomentOfItsEdits)
{
    // Four photos in four folders, killed side by side: 112 kills in a few seconds.
    constexpr int lanes = 4;
    test::TempFolder folder;
    std::string failures[lanes];
    int leftovers[lanes] = {};
    std::vector<std::thread> threads;
    for (int lane = 0; lane < lanes; ++lane) {
        const QString path = folder.file(QString::number(lane));
        QDir().mkpath(path);
        threads.emplace_back([&, lane, path] {
            failures[lane] = killRepeatedly(path, kills / lanes, 20261209u + unsigned(lane), leftovers[lane]);
        });
    }
    for (auto& t : threads)
        t.join();
    int total = 0;
    for (int lane = 0; lane < lanes; ++lane) {
        EXPECT_EQ(failures[lane], "") << "lane " << lane;
        total += leftovers[lane];
    }
    std::printf("%d kills, %d hidden temporary names seen after them\n", kills / lanes * lanes, total);
}

} // namespace
} // namespace quavel
