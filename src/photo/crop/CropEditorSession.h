#pragma once

#include "platform/imaging/FloatImage.h"

#include <QFuture>
#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

namespace quavel {

struct PhotoRetouchSettings;
namespace CropEditorWork {
struct Loaded;
}

// The photo the crop editor works on, as far as it has been read: which photo is loaded, its session
// copy (the private copy of the untouched original that every write of the editor renders from), the
// working image and its 8-bit picture, what the canvas shows, the watermark's two images, and the
// full-size ÷ working width that converts the editor's offsets for the journal.
//
// GUI thread only; one change signal per observed field, told in the order the editor's observers have
// always seen them. Reads and renders leave the GUI thread with value copies, and each counts a
// generation of its kind (loads, previews, watermark loads): a result that comes back after a newer
// request of its kind changes nothing on screen. The session may be destroyed while its work runs: the
// results find it gone (continuations()).
class CropEditorSession : public QObject
{
    Q_OBJECT

public:
    // A load started: its generation, and the watermark load in force when it started (a watermark
    // chosen while the photo is read is loaded on its own, and that one stays).
    struct Load
    {
        int generation = 0;
        int watermarkGeneration = 0;
    };

    explicit CropEditorSession(QObject* parent = nullptr);
    ~CropEditorSession() override;

    // What the continuations of the editor's work are queued to: an object of the GUI thread that lives
    // as long as the application object. Each continuation reaches its editor only when the editor still
    // lives, which is checked on the GUI thread where the editor is destroyed: so the editor may go while
    // its work runs (a decode may take minutes) without waiting for it, and no worker ever posts to a
    // dead object (the application object goes only once no photo worker runs).
    static QObject* continuations();

    // Starts reading a photo. Until the read is shown the session has no copy: nothing can be rendered
    // from the copy of the photo read before.
    Load beginLoad();
    // Shows what the load read and makes `photo` the loaded one; false, with nothing changed, when a
    // newer load was started since.
    bool finishLoad(const QString& photo, const Load& load, const CropEditorWork::Loaded& loaded);
    // Renders the preview of the working image at preview quality (the working image itself while the
    // retouch is neutral).
    QFuture<void> renderPreview(const PhotoRetouchSettings& settings);
    // Reads the watermark's images and shows them; the future holds true when they are shown and
    // neither could be read, false when they were read or a newer watermark load overtook this one.
    QFuture<bool> reloadWatermark(const std::optional<QString>& watermark);
    // The photo is left: nothing loaded, no session copy.
    void leavePhoto();
    // No session copy (the photo stays loaded until the next load is shown).
    void forgetCopy();
    // Nothing loaded and no image (the session copy is forgotten apart, by forgetCopy()).
    void clearImages();

    const std::optional<QString>& loadedURL() const { return m_loadedURL; }
    const std::optional<QString>& sessionBaseURL() const { return m_sessionBaseURL; }
    // The working image as read, and as retouched (the same pixels while the retouch is neutral).
    const FloatImage& baseImage() const { return m_baseImage; }
    const FloatImage& sourceImage() const { return m_sourceImage; }
    // sourceImage as an 8-bit picture of its pixel size; null when none.
    const QImage& preview() const { return m_preview; }
    // The watermark at no more than the working size (canvas overlay; fallback for writing) and at full
    // size.
    const FloatImage& watermarkImage() const { return m_watermarkImage; }
    const FloatImage& watermarkFull() const { return m_watermarkFull; }
    // Full-size width ÷ working width of the loaded photo (1 for photos read at full size, or none).
    double offsetScale() const { return m_offsetScale; }
    int loadGeneration() const { return m_loadGeneration; }
    int previewGeneration() const { return m_previewGeneration; }

signals:
    void loadedURLChanged();
    void sessionBaseURLChanged();
    void baseImageChanged();
    void sourceImageChanged();
    void previewChanged();
    void watermarkImageChanged();
    void watermarkFullChanged();

private:
    void showImage(const FloatImage& image, const QImage& picture);
    void setWatermarkImages(const FloatImage& preview, const FloatImage& full);
    void setLoadedURL(const std::optional<QString>& value);
    void setSessionBaseURL(const std::optional<QString>& value);
    void setBaseImage(const FloatImage& image);

    std::optional<QString> m_loadedURL;
    std::optional<QString> m_sessionBaseURL;
    FloatImage m_baseImage;
    // baseImage's 8-bit picture, shown as it is while the retouch is neutral.
    QImage m_basePicture;
    FloatImage m_sourceImage;
    QImage m_preview;
    FloatImage m_watermarkImage;
    FloatImage m_watermarkFull;
    double m_offsetScale = 1;
    int m_loadGeneration = 0;
    int m_previewGeneration = 0;
    int m_watermarkGeneration = 0;
};

} // namespace quavel
