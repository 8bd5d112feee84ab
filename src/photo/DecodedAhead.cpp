#include "photo/DecodedAhead.h"

#include "photo/originals/PhotoOriginals.h"
#include "platform/files/NativeName.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/CameraRaw.h"
#include "platform/imaging/ImageIO.h"
#include "platform/imaging/JobPool.h"

#include <condition_variable>

#include <sys/stat.h>

namespace quavel {

FileIdentity FileIdentity::of(const struct stat& status)
{
    return { status.st_dev, status.st_ino, status.st_size,
        qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec };
}

DecodedAhead::DecodedAhead(FileIdentity identity, FloatImage image)
    : m_identity(identity)
    , m_image(std::move(image))
{ }

std::shared_ptr<DecodedAhead> DecodedAhead::decode(const QString& photoPath)
{
    // No write reads a camera RAW photo: it is never rewritten.
    if (CameraRaw::isCameraRaw(photoPath))
        return nullptr;
    try {
        // What the write reads: the original (opened without following a link), else the photo (through
        // a link in its folder, as the write reads it), held open while it is decoded.
        const PhotoOriginals::Source opened = PhotoOriginals::openSource(photoPath);
        std::optional<RegularFile> photo;
        const RegularFile& source = opened.isOriginal() ? *opened.original() : photo.emplace(photoPath);
        if (!source.isOpen())
            return nullptr;
        std::optional<FloatImage> image = ImageIO::decode(QString::fromLatin1(source.openablePath()));
        if (!image || image->isNull())
            return nullptr;
        // A file rewritten in place while it was decoded may have given a mix of both contents.
        struct stat after
        {
        };
        const FileIdentity identity = FileIdentity::of(source.status());
        if (::fstat(source.fd(), &after) != 0 || !(FileIdentity::of(after) == identity))
            return nullptr;
        return std::make_shared<DecodedAhead>(identity, std::move(*image));
    } catch (...) {
        // A foreign original, memory running out: the write meets it in its turn and says so.
        return nullptr;
    }
}

std::optional<qint64> DecodedAhead::sourceBytes(const QString& photoPath)
{
    try {
        const PhotoOriginals::Source source = PhotoOriginals::openSource(photoPath);
        if (!source.isOriginal()) {
            // The header of anything but a regular file is not read.
            struct stat status
            {
            };
            if (::stat(NativeName::encode(photoPath).constData(), &status) != 0 || !S_ISREG(status.st_mode))
                return std::nullopt;
        }
        return ImageIO::wholeDecodeBytes(source.path());
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<FloatImage> DecodedAhead::take(const FileIdentity& source)
{
    const std::lock_guard lock(m_mutex);
    FloatImage image = std::exchange(m_image, FloatImage());
    if (image.isNull() || !(source == m_identity))
        return std::nullopt;
    return image;
}

struct DecodedAhead::Pending::State
{
    QString photo;
    std::mutex mutex;
    std::condition_variable done;
    enum class Stage { queued, decoding, finished } stage = Stage::queued;
    std::shared_ptr<DecodedAhead> result;
};

DecodedAhead::Pending DecodedAhead::Pending::start(const QString& photoPath, JobPool& pool)
{
    Pending pending;
    auto state = std::make_shared<State>();
    state->photo = photoPath;
    pending.m_state = state;
    pool.threadPool().start([state, priority = pool.rowPriority()] {
        {
            const std::lock_guard lock(state->mutex);
            if (state->stage != State::Stage::queued)
                return; // the waiter has taken it over
            state->stage = State::Stage::decoding;
        }
        RowPool::ScopedPriority rows(priority);
        std::shared_ptr<DecodedAhead> decoded = decode(state->photo);
        const std::lock_guard lock(state->mutex);
        state->result = std::move(decoded);
        state->stage = State::Stage::finished;
        state->done.notify_all();
    });
    return pending;
}

std::shared_ptr<DecodedAhead> DecodedAhead::Pending::wait()
{
    if (!m_state)
        return nullptr;
    const std::shared_ptr<State> state = std::exchange(m_state, nullptr);
    std::unique_lock lock(state->mutex);
    if (state->stage == State::Stage::queued) {
        // Not begun: decoded here, as the write would in its turn.
        state->stage = State::Stage::finished;
        lock.unlock();
        return decode(state->photo);
    }
    state->done.wait(lock, [&] { return state->stage == State::Stage::finished; });
    return std::move(state->result);
}

} // namespace quavel
