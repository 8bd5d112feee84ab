// The one way a file is opened to be read: only a regular file, never waiting, by its path or by its name
// in a folder already open, following a link at that name or refusing it.
#include "platform/files/RegularFile.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quavel;
using quavel::test::TempFolder;
using Links = RegularFile::Links;

namespace {

QByteArray native(const TempFolder& dir, const char* name)
{
    return QFile::encodeName(dir.file(QString::fromLatin1(name)));
}

bool bindSocket(const QByteArray& path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::copy(path.begin(), path.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

// What stands at "photo.jpg", and what each way of opening it answers: 0 when it opens the photo.
struct Occupant
{
    const char* what;
    std::function<bool(const TempFolder&)> make;
    int following;
    int refusing;
};

const Occupant occupants[] = {
    { "a regular file", [](const TempFolder& d) { return !d.write("photo.jpg", "photo").isEmpty(); }, 0, 0 },
    { "a link to a regular file",
        [](const TempFolder& d) {
            d.write("elsewhere.jpg", "photo");
            return ::symlink("elsewhere.jpg", native(d, "photo.jpg").constData()) == 0;
        },
        0, ELOOP },
    { "nothing", [](const TempFolder&) { return true; }, ENOENT, ENOENT },
    { "a dangling link",
        [](const TempFolder& d) { return ::symlink("gone.jpg", native(d, "photo.jpg").constData()) == 0; },
        ENOENT, ELOOP },
    { "a FIFO without a writer",
        [](const TempFolder& d) { return ::mkfifo(native(d, "photo.jpg").constData(), 0600) == 0; }, EINVAL,
        EINVAL },
    { "a link to a FIFO",
        [](const TempFolder& d) {
            return ::mkfifo(native(d, "pipe").constData(), 0600) == 0
                && ::symlink("pipe", native(d, "photo.jpg").constData()) == 0;
        },
        EINVAL, ELOOP },
    { "a link to a device",
        [](const TempFolder& d) { return ::symlink("/dev/zero", native(d, "photo.jpg").constData()) == 0; },
        EINVAL, ELOOP },
    { "a folder", [](const TempFolder& d) { return QDir(d.path()).mkdir("photo.jpg"); }, EISDIR, EISDIR },
    { "a socket", [](const TempFolder& d) { return bindSocket(native(d, "photo.jpg")); }, ENXIO, ENXIO },
};

// The file opened, or the failure it answered, and nothing left open either way.
void expectOpened(const RegularFile& file, int expected)
{
    EXPECT_EQ(file.error(), expected);
    EXPECT_EQ(file.isOpen(), expected == 0);
    if (expected != 0)
        return;
    EXPECT_TRUE(S_ISREG(file.status().st_mode));
    EXPECT_EQ(file.readAll(), QByteArray("photo"));
    // The path handed to libraries reads this very file.
    QFile again(QString::fromLatin1(file.openablePath()));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), "photo");
}

} // namespace

TEST(RegularFile, opensOnlyARegularFileAndNeverWaits)
{
    for (const Occupant& occupant : occupants) {
        SCOPED_TRACE(occupant.what);
        TempFolder dir;
        ASSERT_TRUE(occupant.make(dir));
        const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(folder, 0);
        expectOpened(RegularFile(dir.file("photo.jpg")), occupant.following);
        expectOpened(RegularFile(folder, "photo.jpg", Links::follow), occupant.following);
        expectOpened(RegularFile(folder, "photo.jpg", Links::refuse), occupant.refusing);
        ::close(folder);
    }
}

// The name is looked up in the folder opened, even when another folder stands at its path by then.
TEST(RegularFile, opensTheNameInTheFolderItWasGiven)
{
    TempFolder dir;
    dir.write("photos/photo.jpg", "photo");
    dir.write("elsewhere/photo.jpg", "another");
    const int folder = ::open(QFile::encodeName(dir.file("photos")).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    ASSERT_TRUE(QFile::rename(dir.file("photos"), dir.file("moved")));
    ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file("photos")));
    RegularFile file(folder, "photo.jpg", Links::refuse);
    ::close(folder);
    expectOpened(file, 0);
    // Moved, it keeps its descriptor; the one it came from is left empty.
    RegularFile moved(std::move(file));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(moved.readAll(), QByteArray("photo"));
}
