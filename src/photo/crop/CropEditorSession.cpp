#include "photo/crop/CropEditorSession.h"

#include "photo/crop/CropEditorWork.h"
#include "platform/imaging/JobPool.h"

#include <QCoreApplication>
#include <QPointer>

namespace quavel {

CropEditorSession::CropEditorSession(QObject* parent)
    : QObject(parent)
{
    continuations(); // made here, on the GUI thread
}

// Never waits for the work it started: that work holds only copies, and its results find the session
// gone.
CropEditorSession::~CropEditorSession() = default;

namespace {

// The continuations still queued to it when it goes are deleted here, while it is still alive: deleting
// one ends its promise unfulfilled, which runs the next continuation of its chain at once, and that one
// queues itself to this object again. Left to QObject's own destructor, those would meet a context
// already cleared (an assertion of Qt's in a debug build, a lost call otherwise). The chains are a few
// steps long; removing what is queued costs nothing once nothing is.
class ContinuationRelay : public QObject
{
public:
    using QObject::QObject;
    ~ContinuationRelay() override
    {
        for (int pass = 0; pass < 16; ++pass)
            QCoreApplication::removePostedEvents(this);
    }
};

} // namespace

QObject* CropEditorSession::continuations()
{
    // A child of the application object: the continuations still queued to it when the application
    // ends go with it, before Qt deletes the posted events it holds under its lock. Deleted under that
    // lock, a continuation would end its promise and run the next continuations of the chain there.
    static QPointer<QObject> relay;
    if (!relay)
        relay = new ContinuationRelay(QCoreApplication::instance());
    return relay;
}

// ---- the photo ----

CropEditorSession::Load CropEditorSession::beginLoad()
{
    const Load load { ++m_loadGeneration, m_watermarkGeneration };
    forgetCopy();
    return load;
}

bool CropEditorSession::finishLoad(
    const QString& photo, const Load& load, const CropEditorWork::Loaded& loaded)
{
    if (load.generation != m_loadGeneration)
        return false;
    setSessionBaseURL(loaded.sessionCopy);
    setBaseImage(loaded.image);
    m_basePicture = loaded.picture;
    showImage(loaded.image, loaded.picture);
    if (load.watermarkGeneration == m_watermarkGeneration)
        setWatermarkImages(loaded.watermark, loaded.watermarkFull);
    m_offsetScale = loaded.fullWidth > 0 && loaded.image.width() > 0
        ? double(loaded.fullWidth) / double(loaded.image.width())
        : 1.0;
    setLoadedURL(photo);
    return true;
}

void CropEditorSession::leavePhoto()
{
    setLoadedURL(std::nullopt);
    forgetCopy();
}

void CropEditorSession::forgetCopy()
{
    setSessionBaseURL(std::nullopt);
}

void CropEditorSession::clearImages()
{
    m_preview = QImage();
    emit previewChanged();
    m_sourceImage = FloatImage();
    emit sourceImageChanged();
    setBaseImage(FloatImage());
    m_basePicture = QImage();
    setWatermarkImages(FloatImage(), FloatImage());
    setLoadedURL(std::nullopt);
    m_offsetScale = 1;
}

// ---- previews and the watermark ----

QFuture<void> CropEditorSession::renderPreview(const PhotoRetouchSettings& settings)
{
    if (m_baseImage.isNull())
        return QtFuture::makeReadyFuture();
    const int generation = ++m_previewGeneration;
    if (settings.isNeutral()) {
        showImage(m_baseImage, m_basePicture);
        return QtFuture::makeReadyFuture();
    }
    const FloatImage base = m_baseImage;
    return JobPool::interactive()
        .run([settings, base] { return CropEditorWork::renderPreview(settings, base); })
        .then(continuations(),
            [this, alive = QPointer(this), generation](
                const std::optional<CropEditorWork::Rendered>& rendered) {
                if (alive && generation == m_previewGeneration && rendered)
                    showImage(rendered->image, rendered->picture);
            });
}

QFuture<bool> CropEditorSession::reloadWatermark(const std::optional<QString>& watermark)
{
    const int generation = ++m_watermarkGeneration;
    return JobPool::interactive()
        .run([watermark] { return CropEditorWork::loadWatermark(watermark); })
        .then(continuations(),
            [this, alive = QPointer(this), generation](const CropEditorWork::Watermarks& images) {
                // Of two quick changes the newer wins, whichever load ends last.
                if (!alive || generation != m_watermarkGeneration)
                    return false;
                setWatermarkImages(images.preview, images.full);
                return images.preview.isNull() && images.full.isNull();
            });
}

// ---- fields ----

void CropEditorSession::showImage(const FloatImage& image, const QImage& picture)
{
    m_sourceImage = image;
    emit sourceImageChanged();
    m_preview = picture;
    emit previewChanged();
}

void CropEditorSession::setWatermarkImages(const FloatImage& preview, const FloatImage& full)
{
    if (!(preview.isNull() && m_watermarkImage.isNull())) {
        m_watermarkImage = preview;
        emit watermarkImageChanged();
    }
    if (!(full.isNull() && m_watermarkFull.isNull())) {
        m_watermarkFull = full;
        emit watermarkFullChanged();
    }
}

void CropEditorSession::setLoadedURL(const std::optional<QString>& value)
{
    if (m_loadedURL != value) {
        m_loadedURL = value;
        emit loadedURLChanged();
    }
}

void CropEditorSession::setSessionBaseURL(const std::optional<QString>& value)
{
    if (m_sessionBaseURL != value) {
        m_sessionBaseURL = value;
        emit sessionBaseURLChanged();
    }
}

void CropEditorSession::setBaseImage(const FloatImage& image)
{
    if (!(image.isNull() && m_baseImage.isNull())) {
        m_baseImage = image;
        emit baseImageChanged();
    }
}

} // namespace quavel
