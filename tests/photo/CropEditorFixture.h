#pragma once

// The crop editor tests' fixture: real photos in a temporary folder, one model, the event loop turned
// until the model's background work has come back, and what was written read back from disk.
#include "PhotoFixtures.h"
#include "PhotoTestSupport.h"

#include "photo/PhotoWriteQueue.h"
#include "photo/crop/CropEditorModel.h"
#include "photo/originals/PhotoEditMemory.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/imaging/ImageIO.h"

#include <QCoreApplication>
#include <QSemaphore>

#include <gtest/gtest.h>

#include <memory>

namespace quavel::test {

class CropEditorFixture : public ::testing::Test
{
protected:
    CropEditorFixture()
    {
        m_model = std::make_unique<CropEditorModel>();
        m_model->setOnFileWritten([this](const QString& photo) { m_written.append(photo); });
    }

    ~CropEditorFixture() override
    {
        // Whatever the test left in flight ends before its folder goes (a held queue is let go).
        if (m_gate)
            m_gate->release(16);
        for (const QString& photo : m_photos)
            PhotoWriteQueue::shared().waitFor(photo);
        QCoreApplication::processEvents();
    }

    // A photo of one grey level (encoded values), PNG unless the name says otherwise.
    QString greyPhoto(const QString& name, float level, int width = 64, int height = 48)
    {
        return photo(name, grey(width, height, level));
    }

    QString photo(const QString& name, const FloatImage& image)
    {
        m_photos.append(writePhoto(m_folder.file(name), image));
        return m_photos.last();
    }

    // Opens the photo and turns the event loop until its load has come back.
    bool openAndLoad(const QString& path, const std::optional<QString>& watermark = std::nullopt,
        const PhotoRetouchSettings& preset = {})
    {
        m_photos.append(path);
        m_model->open(path, watermark, preset);
        // Generous: a large photo under the sanitizers on a busy machine takes seconds to load.
        return waitUntil([&] { return m_model->loadedURL() == path; }, 30000);
    }

    template <typename T> T await(QFuture<T> future)
    {
        EXPECT_TRUE(waitUntil([&] { return future.isFinished(); }, 20000));
        return future.result();
    }

    void await(QFuture<void> future)
    {
        EXPECT_TRUE(waitUntil([&] { return future.isFinished(); }, 20000));
    }

    // Every write of the photo asked for so far has run, and its outcome has reached the model. The queue
    // gives the photo's turn to the next write before the pool thread that ran one reports its outcome,
    // so a thread held up by a busy machine reports it after waitFor returns: wait for the photo work
    // too (bounded), and for what its outcomes start.
    void settle(const QString& path)
    {
        PhotoWriteQueue::shared().waitFor(path);
        EXPECT_TRUE(waitForPhotoWork()) << "the editor's work never ended";
    }

    // Opens the photo and writes a brighter look of it, so that it has its original kept beside it.
    // Call through ASSERT_NO_FATAL_FAILURE.
    void openAndBrighten(const QString& path)
    {
        ASSERT_TRUE(openAndLoad(path));
        m_model->setRetouchPreview(exposure(1));
        m_model->persistCurrent();
        settle(path);
        ASSERT_TRUE(PhotoOriginals::hasBackup(path));
    }

    // Shortens the rest before a retouch is written, and turns the event loop past twice that rest:
    // long enough for a pending retouch write to have started, were one still pending.
    static constexpr int restMs = 60;
    void shortenRetouchRest() { m_model->setRetouchWriteDelayForTesting(restMs); }
    static void turnPastRest() { letTimePass(2 * restMs); }

    // Holds the photo's write queue until release(): writes asked for meanwhile wait in order.
    void holdQueue(const QString& path)
    {
        m_gate = std::make_shared<QSemaphore>();
        m_holding = PhotoWriteQueue::shared().submit(path, [gate = m_gate] { gate->acquire(); });
    }
    void release()
    {
        m_gate->release();
        m_holding.waitForFinished();
    }

    static FloatImage decoded(const QString& path) { return ImageIO::decode(path).value_or(FloatImage()); }

    // The mean of the red samples: a grey photo's level.
    static float level(const QString& path) { return meanRed(path); }

    static PhotoRetouchSettings exposure(double ev)
    {
        PhotoRetouchSettings settings;
        settings.exposure = ev;
        return settings;
    }

    static QByteArray bytes(const QString& path) { return readFile(path); }

    TempFolder m_folder;
    std::unique_ptr<CropEditorModel> m_model;
    QStringList m_written;
    QStringList m_photos;
    std::shared_ptr<QSemaphore> m_gate;
    QFuture<PhotoWriteQueue::Result> m_holding;
};

} // namespace quavel::test
