#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

namespace quavel {

// The in-memory thumbnail cache shared by the whole application: key text to image, the least recently
// used entries dropped once the images together pass a byte budget (callers never see an eviction, a
// later request simply decodes again). Thread-safe.
class ThumbnailCache
{
public:
    static constexpr qint64 defaultByteBudget = qint64(256) << 20;

    explicit ThumbnailCache(qint64 byteBudget = defaultByteBudget);
    ~ThumbnailCache();
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // The image stored under key, which becomes the most recently used.
    std::optional<QImage> object(const QString& key) const;
    // Stores or replaces; an image larger than the whole budget is not kept.
    void insert(const QString& key, const QImage& image);
    // Removing a key that is not there does nothing.
    void remove(const QString& key);
    // Removes the entries of the file at path, or of every file under it when it is a folder (the path
    // part of the keys, standardised as the keys are). Returns how many went.
    int removePath(const QString& path);
    void clear();

    qint64 byteBudget() const;
    // Evicts at once down to a new budget.
    void setByteBudget(qint64 bytes);
    qint64 totalBytes() const;
    int count() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quavel
