#pragma once

#include "photo/crop/CropDrag.h"
#include "photo/crop/CropEditorAskedWrites.h"
#include "photo/crop/CropEditorHistory.h"
#include "photo/crop/CropEditorSession.h"
#include "photo/originals/CropEditState.h"
#include "photo/originals/PhotoEditJournal.h"
#include "photo/print/PrintFormat.h"
#include "photo/retouch/PhotoRetouchSettings.h"
#include "platform/imaging/FloatImage.h"

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace quavel {

struct CropCanvasLayout;
namespace CropEditorWork {
struct Loaded;
}
namespace PhotoWriter {
struct Request;
}

// The inline crop, straighten and retouch editor of the orders screen, for one photo at a time. It reads
// the photo's edit journal, works on a private copy of the untouched original (the session copy) at no
// more than 2048 pixels, renders the live retouch preview, keeps an undo history of at most 80 states
// written to the journal after every committed change, and writes the look back into the photo in place:
// the retouched original before the crop is validated, the composed A5 or A4 canvas after.
//
// GUI thread only; one change signal per observed field. Decoding, rendering and writing run on the
// imaging layer's render pool with value copies; their results come back by queued call and are used
// only while the matching generation counter still holds (a stale result changes nothing on screen).
// Writes of a photo, its journal's included, go through the photo's write queue in request order, off the
// GUI thread, and a write once captured always reaches the disk unless a newer write of the editor
// follows it: closing, hiding the editor or opening another photo never loses an edit.
//
// A crop moved, zoomed, turned or given another sheet after "Valider" is not validated until "Valider"
// again: the journal and the photo keep the last validated crop (with the current retouch and watermark
// flag) and the moved one lives in the session alone (its steps are undo steps of the session). Reopened,
// the photo shows its last validated crop.
//
// The offset is kept in pixels of the working image the canvas shows; the journal and the writers take
// pixels of the full-size oriented image, and the model converts at that boundary.
//
// The model keeps the operations and the observed fields; three parts hold their own state: the photo as
// read (CropEditorSession: the session copy, the images, the watermark and their reads), the undo history
// (CropEditorHistory) and what was asked to be written (CropEditorAskedWrites).
class CropEditorModel : public QObject
{
    Q_OBJECT

public:
    // The retouch write waits this long after the last change of the sliders.
    static constexpr int retouchWriteDelayMs = 280;
    // The longest side of the working image and of the preview watermark.
    static constexpr int workingMaxPixel = 2048;
    // The undo history keeps as many steps as the journal stores.
    static constexpr int historyLimit = CropEditorHistory::limit;

    explicit CropEditorModel(QObject* parent = nullptr);
    ~CropEditorModel() override;

    // Tests shorten the rest before a retouch is written (retouchWriteDelayMs otherwise), so that they
    // need not sleep through it.
    void setRetouchWriteDelayForTesting(int ms);

    // ---- for the orders screen ----

    // Opens the editor on a photo (only the watermark is taken when it already shows that photo). The
    // photo being left has its look written first, from its state at this moment.
    void open(
        const QString& photo, const std::optional<QString>& watermark, const PhotoRetouchSettings& retouch);
    // Writes the open photo's look (as captured now), then ends the session.
    void close();
    // Loads the photo again when it is the one shown (after a batch edit or a restore elsewhere).
    void reloadIfShowing(const QString& photo);
    // Changes the watermark file and reloads its images.
    void setWatermark(const std::optional<QString>& watermark);

    // ---- for the editor view ----

    // History-recorded changes.
    void setFormat(PrintFormat format);
    void setIncludeWatermark(bool include);
    // End of a crop, move or rotate drag: the geometry written during the drag becomes a history step.
    void finishGesture();
    // Live retouch from the sliders: the preview follows at once, the photo is written once the sliders
    // rest for retouchWriteDelayMs.
    void setRetouchPreview(const PhotoRetouchSettings& settings);
    // Validates the crop and writes the composed canvas; true when the file was written.
    QFuture<bool> save();
    // Undoes one step (with an empty history: restores the untouched original); true when the photo was
    // written or restored.
    QFuture<bool> undoLast();
    // Writes the current look now (the view calls it when it disappears).
    void persistCurrent();
    // Called after each successful write of a photo by this editor, with that photo's path, also when the
    // editor has moved on to another photo or was closed since the write was asked for.
    void setOnFileWritten(std::function<void(const QString& photo)> callback);
    // Called when the last write this editor asked for of a photo it no longer shows has failed (one
    // asked for as it closed or moved on), with that photo's path and the French text: nobody would see
    // the failure otherwise. The failure of a write of the photo shown is its errorMessage.
    void setOnWriteFailed(std::function<void(const QString& photo, const QString& message)> callback);

    // The crop canvas's drags, held here alone: the canvas forwards the pointer, in its own points, with
    // where it shows image and crop; the model decides what the drag grabbed and what it does to zoom,
    // offset and angle (see CropGeometry). finishGesture() ends a drag.
    //
    // One step of the pointer: it was pressed at `start` and is now at `location`, on a canvas laid out
    // as `layout` for the working image of `imageSize` pixels. While the drag holds no handle (its first
    // step, or after another photo came in) the start point is looked at again.
    void dragTo(const QPointF& start, const QPointF& location, const CropCanvasLayout& layout,
        const QSizeF& imageSize);
    // The two halves of a step: a drag starts on the handle under the start point and records where it
    // started; every change applies the total translation to those start values.
    void beginDrag(
        const QPointF& start, const QRectF& cropView, const QRectF& crop, const QPointF& cropCentre);
    void applyDrag(const QPointF& translation, const QPointF& location, const QSizeF& imageSize,
        double aspect, double scale, const QPointF& cropCentre);

    // ---- observed fields ----

    bool isOpen() const { return m_isOpen; }
    const std::optional<QString>& fileURL() const { return m_fileURL; }
    const std::optional<QString>& watermarkURL() const { return m_watermarkURL; }
    // What the canvas shows: sourceImage as an 8-bit picture of its pixel size; null when none.
    const QImage& preview() const { return m_session.preview(); }
    // The working image as retouched (baseImage itself when the retouch is neutral).
    const FloatImage& sourceImage() const { return m_session.sourceImage(); }
    // The watermark at no more than 2048 pixels (canvas overlay; fallback for writing) and at full size.
    const FloatImage& watermarkImage() const { return m_session.watermarkImage(); }
    const FloatImage& watermarkFull() const { return m_session.watermarkFull(); }
    PrintFormat format() const { return m_format; }
    bool includeWatermark() const { return m_includeWatermark; }
    double zoom() const { return m_zoom; }
    // Shift of the crop from the centred position, in pixels of the working image.
    QSizeF offset() const { return m_offset; }
    double angle() const { return m_angle; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    // The drag in progress (no handle while idle).
    const CropDrag& drag() const { return m_drag; }
    const std::optional<CropHandle>& activeHandle() const { return m_drag.handle; }
    QSizeF dragStartOffset() const { return m_drag.startOffset; }
    bool hasOriginalBackup() const { return m_hasOriginalBackup; }
    const std::optional<QString>& loadedURL() const { return m_session.loadedURL(); }
    const std::optional<QString>& sessionBaseURL() const { return m_session.sessionBaseURL(); }
    const FloatImage& baseImage() const { return m_session.baseImage(); }
    const PhotoRetouchSettings& retouchSettings() const { return m_retouchSettings; }
    const QList<CropEditState>& history() const { return m_history.steps(); }
    const CropEditState& committed() const { return m_history.committed(); }
    const PhotoRetouchSettings& presetForLegacy() const { return m_presetForLegacy; }
    bool cropValidated() const { return m_cropValidated; }
    const std::optional<CropEditState>& bakedState() const { return m_bakedState; }
    int loadGeneration() const { return m_session.loadGeneration(); }
    int previewGeneration() const { return m_session.previewGeneration(); }
    int persistGeneration() const { return m_persistGeneration; }
    // Full-size width ÷ working width of the loaded photo (1 for photos of at most 2048 pixels).
    double offsetScale() const { return m_session.offsetScale(); }

    // The geometry set directly, as a drag sets it: no history step until the next commit.
    void setZoom(double zoom);
    void setOffset(const QSizeF& offset);
    void setAngle(double angle);

    // ---- the steps the operations above are made of ----

    // Reads the photo, its session copy, working image and watermarks, then its opened state.
    QFuture<void> load(const QString& photo);
    // Applies the journal's state, or the defaults of a photo without one.
    void restoreOpenedState(const QString& photo);
    // Renders the preview of the working image at preview quality.
    QFuture<void> renderPreview(const PhotoRetouchSettings& settings);
    // Enters the current state into the history when it differs from the committed one (a validated crop
    // that was moved stops being validated then); the journal goes with the next write asked for.
    void commitHistory();
    // Writes the photo and its journal in one turn: the baked geometry with the current retouch.
    QFuture<bool> persistLookToDisk();
    // The journal of the session as the disk holds it (CropEditorJournal::forDisk).
    PhotoEditJournal diskJournal() const;
    // Puts the untouched original back once the photo's earlier writes are done, then loads it again.
    QFuture<bool> restoreOriginalFromBackup();
    QFuture<void> reloadWatermark();
    CropEditState currentState() const;
    void apply(const CropEditState& state);

    // A copy of a photo's original in the session folder; absent when none could be made.
    static std::optional<QString> makeSessionCopy(const QString& source);

signals:
    void isOpenChanged();
    void fileURLChanged();
    void watermarkURLChanged();
    void previewChanged();
    void sourceImageChanged();
    void watermarkImageChanged();
    void watermarkFullChanged();
    void formatChanged();
    void includeWatermarkChanged();
    void zoomChanged();
    void offsetChanged();
    void angleChanged();
    void errorMessageChanged();
    void hasOriginalBackupChanged();
    void loadedURLChanged();
    void sessionBaseURLChanged();
    void baseImageChanged();
    void retouchSettingsChanged();
    void historyChanged();
    void committedChanged();
    void presetForLegacyChanged();
    void cropValidatedChanged();
    void bakedStateChanged();

private:
    // Where the continuations of the model's work run (CropEditorSession::continuations).
    static QObject* continuations() { return CropEditorSession::continuations(); }
    // Asks for the journal of the shown photo to be written in its turn, when it differs from the last one
    // asked for (a failure is shown, and the next commit asks again).
    void submitJournal();
    // The history with the validated crop in force with each step.
    void setSteps(const QList<CropEditState>& history, const QList<std::optional<CropEditState>>& baked);
    void scheduleRetouchPersist();
    void cancelPendingRetouchWrite();
    // Everything a write needs, taken from the model now; absent when nothing can be written.
    std::optional<PhotoWriter::Request> captureWrite() const;
    QFuture<bool> submitWrite(const PhotoWriter::Request& request);
    // The failure of a write: last when no newer write of the photo was asked for since, generation the
    // persistence request it stands for.
    void reportFailedWrite(const QString& photo, bool last, int generation, const QString& message);
    // False when the load is stale or the photo no longer shown (nothing changed then).
    bool finishLoad(
        const QString& photo, const CropEditorSession::Load& load, const CropEditorWork::Loaded& loaded);
    void endSession();
    // The look a write would give the loaded photo now.
    CropEditorAskedWrites::Look lookNow() const;

    void setIsOpen(bool value);
    void setFileURL(const std::optional<QString>& value);
    void setWatermarkURL(const std::optional<QString>& value);
    void setFormatField(PrintFormat value);
    void setIncludeWatermarkField(bool value);
    void setErrorMessage(const std::optional<QString>& value);
    // Zoom and offset together, observers told once both hold their new values.
    void setCrop(double zoom, const QSizeF& offset);
    // A new photo forgets what a drag in progress grabbed.
    void setActiveHandle(const std::optional<CropHandle>& handle) { m_drag.handle = handle; }
    void setHasOriginalBackup(bool value);
    void setRetouchSettings(const PhotoRetouchSettings& value);
    // The committed state and the validated crop in force with it.
    void setCommitted(const CropEditState& value, const std::optional<CropEditState>& baked);
    void setPresetForLegacy(const PhotoRetouchSettings& value);
    void setCropValidated(bool value);
    void setBakedState(const std::optional<CropEditState>& value);

    // The photo as read: its session copy, images, watermark and the generations of their reads.
    CropEditorSession m_session;
    bool m_isOpen = false;
    std::optional<QString> m_fileURL;
    std::optional<QString> m_watermarkURL;
    PrintFormat m_format = PrintFormat::a5;
    bool m_includeWatermark = false;
    double m_zoom = 1;
    QSizeF m_offset { 0, 0 };
    double m_angle = 0;
    std::optional<QString> m_errorMessage;
    CropDrag m_drag;
    bool m_hasOriginalBackup = false;
    int m_persistGeneration = 0;
    // The pending debounced retouch write: one restartable single shot, and the generation it was
    // scheduled under.
    QTimer* m_persistTimer = nullptr;
    int m_scheduledGeneration = 0;
    PhotoRetouchSettings m_retouchSettings;
    std::function<void(const QString&)> m_onFileWritten;
    std::function<void(const QString&, const QString&)> m_onWriteFailed;
    // The undo steps and the committed state.
    CropEditorHistory m_history;
    PhotoRetouchSettings m_presetForLegacy;
    bool m_cropValidated = false;
    std::optional<CropEditState> m_bakedState;
    // What was asked to be written, and what each write's outcome stands for.
    CropEditorAskedWrites m_writes;
};

} // namespace quavel
