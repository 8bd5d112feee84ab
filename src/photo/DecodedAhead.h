#pragma once

#include "platform/imaging/FloatImage.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <mutex>
#include <optional>

#include <sys/stat.h>

namespace quavel {

class JobPool;

// What tells that a file still holds the bytes it held: the same device, inode, size and modification
// time (to the nanosecond).
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;

    static FileIdentity of(const struct stat& status);
    bool operator==(const FileIdentity&) const = default;
};

// The source a photo's next write renders from (its original when it has one, else the photo itself),
// decoded whole before the photo's turn, so that a batch decodes the next photo while the current one
// renders and is written. The write uses it only when the source it opens in its turn has the identity
// the decoded one had from before its decode to after it; otherwise it decodes the source again. Shared
// between the batch that decodes it and the write that takes it; thread-safe.
class DecodedAhead
{
public:
    // Null when the source cannot be opened or decoded, or changed while it was decoded: the write then
    // reads it in its turn and says why. Reads only, outside the photo's turn; any thread.
    static std::shared_ptr<DecodedAhead> decode(const QString& photoPath);

    // The memory a write of the photo holds while it decodes its source whole (ImageIO::wholeDecodeBytes),
    // from the source's header alone; none when it cannot be read.
    static std::optional<qint64> sourceBytes(const QString& photoPath);

    // The image, when the source read now has the identity it had when decoded; nothing otherwise.
    // Handed over once: the image is let go of either way.
    std::optional<FloatImage> take(const FileIdentity& source);

    DecodedAhead(FileIdentity identity, FloatImage image);

    // A decode started on a worker of a job pool. wait() gives its result; a decode that no worker has
    // begun by then runs on the waiting thread instead, so that the wait never depends on the pool (busy
    // with another batch, or with its queue dropped at exit).
    class Pending
    {
    public:
        Pending() = default;
        static Pending start(const QString& photoPath, JobPool& pool);
        bool isValid() const { return bool(m_state); }
        // Null as decode() gives it; an invalid one gives null at once.
        std::shared_ptr<DecodedAhead> wait();

    private:
        struct State;
        std::shared_ptr<State> m_state;
    };

private:
    std::mutex m_mutex;
    FileIdentity m_identity;
    FloatImage m_image;
};

} // namespace quavel
