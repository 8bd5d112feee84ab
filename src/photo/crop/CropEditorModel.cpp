#include "photo/crop/CropEditorModel.h"

#include "photo/CropGeometry.h"
#include "photo/crop/CropEditorJournal.h"
#include "photo/crop/CropSessionFolder.h"
#include "photo/originals/PhotoOriginals.h"
#include "platform/files/PathKey.h"

#include <QTimer>

namespace quavel {

CropEditorModel::CropEditorModel(QObject* parent)
    : QObject(parent)
    , m_persistTimer(new QTimer(this))
{
    // The session's fields are the model's observed fields, told in the same turn.
    connect(&m_session, &CropEditorSession::loadedURLChanged, this, &CropEditorModel::loadedURLChanged);
    connect(
        &m_session, &CropEditorSession::sessionBaseURLChanged, this, &CropEditorModel::sessionBaseURLChanged);
    connect(&m_session, &CropEditorSession::baseImageChanged, this, &CropEditorModel::baseImageChanged);
    connect(&m_session, &CropEditorSession::sourceImageChanged, this, &CropEditorModel::sourceImageChanged);
    connect(&m_session, &CropEditorSession::previewChanged, this, &CropEditorModel::previewChanged);
    connect(
        &m_session, &CropEditorSession::watermarkImageChanged, this, &CropEditorModel::watermarkImageChanged);
    connect(
        &m_session, &CropEditorSession::watermarkFullChanged, this, &CropEditorModel::watermarkFullChanged);

    m_persistTimer->setSingleShot(true);
    m_persistTimer->setInterval(retouchWriteDelayMs);
    connect(m_persistTimer, &QTimer::timeout, this, [this] {
        if (m_scheduledGeneration == m_persistGeneration)
            persistLookToDisk();
    });
}

// Never waits for the work it started: that work holds only copies, and its results find the model gone
// (continuations). A write asked for stays asked for: the write queue runs it.
CropEditorModel::~CropEditorModel() = default;

void CropEditorModel::setRetouchWriteDelayForTesting(int ms)
{
    m_persistTimer->setInterval(ms);
}

std::optional<QString> CropEditorModel::makeSessionCopy(const QString& source)
{
    return CropSessionFolder::makeCopy(source);
}

// ---- the orders screen ----

void CropEditorModel::open(
    const QString& photo, const std::optional<QString>& watermark, const PhotoRetouchSettings& retouch)
{
    setWatermarkURL(watermark);
    if (m_isOpen && PathKey::same(m_fileURL, photo))
        return;
    if (m_isOpen) {
        // The photo being left is written from its own state as it is now, and nothing of the photo
        // being opened (its retouch is read below) can reach it afterwards.
        persistCurrent();
        m_session.leavePhoto();
    }
    setPresetForLegacy(retouch);
    if (const auto journal = CropEditorJournal::read(photo))
        setRetouchSettings(journal->current.retouch);
    else
        setRetouchSettings(PhotoOriginals::hasBackup(photo) ? retouch : PhotoRetouchSettings {});
    setIsOpen(true);
    setFileURL(photo);
    setErrorMessage(std::nullopt);
    setActiveHandle(std::nullopt);
    QMetaObject::invokeMethod(
        this, [this, photo] { load(photo); }, Qt::QueuedConnection);
}

void CropEditorModel::close()
{
    persistCurrent();
    cancelPendingRetouchWrite();
    endSession();
}

void CropEditorModel::endSession()
{
    m_session.forgetCopy();
    m_writes.endSession();
    setIsOpen(false);
    setFileURL(std::nullopt);
    m_session.clearImages();
    setErrorMessage(std::nullopt);
    setSteps({}, {});
    setCommitted(CropEditState {}, std::nullopt);
    setHasOriginalBackup(false);
    setRetouchSettings(PhotoRetouchSettings {});
    setCropValidated(false);
    setBakedState(std::nullopt);
}

void CropEditorModel::reloadIfShowing(const QString& photo)
{
    if (!m_isOpen || !PathKey::same(m_fileURL, photo))
        return;
    cancelPendingRetouchWrite();
    QMetaObject::invokeMethod(
        this, [this, photo] { load(photo); }, Qt::QueuedConnection);
}

void CropEditorModel::setWatermark(const std::optional<QString>& watermark)
{
    if (PathKey::same(m_watermarkURL, watermark))
        return;
    setWatermarkURL(watermark);
    QMetaObject::invokeMethod(
        this, [this] { reloadWatermark(); }, Qt::QueuedConnection);
}

// ---- recorded changes ----

void CropEditorModel::setFormat(PrintFormat format)
{
    if (format == m_format)
        return;
    commitHistory();
    setFormatField(format);
    setOffset(QSizeF(0, 0));
    m_drag.startOffset = QSizeF(0, 0);
    commitHistory();
    submitJournal();
}

void CropEditorModel::setIncludeWatermark(bool include)
{
    if (include == m_includeWatermark)
        return;
    commitHistory();
    setIncludeWatermarkField(include);
    commitHistory();
    submitJournal();
}

void CropEditorModel::finishGesture()
{
    m_drag.handle.reset();
    m_drag.startOffset = m_offset;
    commitHistory();
    submitJournal();
}

void CropEditorModel::setRetouchPreview(const PhotoRetouchSettings& settings)
{
    setRetouchSettings(settings);
    if (m_session.loadedURL())
        scheduleRetouchPersist();
    QMetaObject::invokeMethod(
        this, [this] { renderPreview(m_retouchSettings); }, Qt::QueuedConnection);
}

void CropEditorModel::setOnFileWritten(std::function<void(const QString&)> callback)
{
    m_onFileWritten = std::move(callback);
}

void CropEditorModel::setOnWriteFailed(std::function<void(const QString&, const QString&)> callback)
{
    m_onWriteFailed = std::move(callback);
}

// ---- drags ----

void CropEditorModel::dragTo(
    const QPointF& start, const QPointF& location, const CropCanvasLayout& layout, const QSizeF& imageSize)
{
    const double aspect = CropGeometry::aspect(m_format, imageSize);
    const QPointF centre = layout.crop.center();
    if (!m_drag.handle)
        beginDrag(start, layout.crop, CropGeometry::cropRect(imageSize, aspect, m_zoom, m_offset), centre);
    applyDrag(location - start, location, imageSize, aspect, layout.scale, centre);
}

void CropEditorModel::beginDrag(
    const QPointF& start, const QRectF& cropView, const QRectF& crop, const QPointF& cropCentre)
{
    m_drag.handle = CropGeometry::hitTest(start, cropView);
    m_drag.startOffset = m_offset;
    m_drag.startCrop = crop;
    m_drag.startAngle = m_angle;
    m_drag.startVector = QSizeF(start.x() - cropCentre.x(), start.y() - cropCentre.y());
}

void CropEditorModel::applyDrag(const QPointF& translation, const QPointF& location, const QSizeF& imageSize,
    double aspect, double scale, const QPointF& cropCentre)
{
    if (!m_drag.handle)
        return;
    switch (m_drag.handle->kind) {
    case CropHandle::Kind::move:
        setOffset(
            CropGeometry::movedOffset(m_drag.startOffset, translation, scale, imageSize, aspect, m_zoom));
        break;
    case CropHandle::Kind::edge: {
        // Zoom and offset are both set before anyone is told of either: an observer that reads the crop
        // on the first signal would otherwise see the new zoom about the old centre.
        const auto resized = CropGeometry::resized(
            m_drag.startCrop, m_drag.handle->side, translation, scale, imageSize, aspect);
        setCrop(resized.zoom, resized.offset);
        break;
    }
    case CropHandle::Kind::rotate:
        if (const auto angle
            = CropGeometry::rotatedAngle(m_drag.startAngle, m_drag.startVector, location, cropCentre))
            setAngle(*angle);
        break;
    }
}

// ---- state and history ----

CropEditState CropEditorModel::currentState() const
{
    CropEditState state;
    state.format = m_format;
    state.includeWatermark = m_includeWatermark;
    state.zoom = m_zoom;
    state.offset = m_offset;
    state.angle = m_angle;
    state.retouch = m_retouchSettings;
    state.cropValidated = m_cropValidated;
    return state;
}

void CropEditorModel::apply(const CropEditState& state)
{
    setFormatField(state.format);
    setIncludeWatermarkField(state.includeWatermark);
    setZoom(state.zoom);
    setOffset(state.offset);
    setAngle(state.angle);
    setRetouchSettings(state.retouch);
    setCropValidated(state.cropValidated);
    m_drag.startOffset = state.offset;
}

void CropEditorModel::commitHistory()
{
    // A validated crop that was moved, zoomed, turned or given another sheet is no longer the validated
    // one: the photo keeps the baked crop until "Valider" again.
    if (m_cropValidated && m_bakedState && !CropEditorJournal::sameCrop(currentState(), *m_bakedState))
        setCropValidated(false);
    const CropEditState current = currentState();
    if (current == m_history.committed())
        return;
    if (m_history.pushCommitted())
        emit historyChanged();
    setCommitted(current, m_bakedState);
}

void CropEditorModel::setSteps(
    const QList<CropEditState>& history, const QList<std::optional<CropEditState>>& baked)
{
    if (m_history.setSteps(history, baked))
        emit historyChanged();
}

PhotoEditJournal CropEditorModel::diskJournal() const
{
    return m_history.forDisk(currentState(), m_bakedState, m_session.offsetScale());
}

void CropEditorModel::restoreOpenedState(const QString& photo)
{
    if (const auto journal = CropEditorJournal::read(photo, m_session.offsetScale())) {
        apply(journal->current);
        // Every validated state of a journal is a crop the user validated.
        QList<std::optional<CropEditState>> baked;
        for (const CropEditState& state : journal->history)
            baked.append(state.cropValidated ? std::optional(state) : std::nullopt);
        setSteps(journal->history, baked);
        const std::optional<CropEditState> validated
            = journal->current.cropValidated ? std::optional(journal->current) : std::nullopt;
        setCommitted(journal->current, validated);
        setBakedState(validated);
        m_writes.opened(diskJournal(), false);
        return;
    }
    setZoom(1);
    setOffset(QSizeF(0, 0));
    setAngle(0);
    setIncludeWatermarkField(false);
    setCropValidated(false);
    setBakedState(std::nullopt);
    if (m_hasOriginalBackup) {
        // Edited before journals existed: one undo step leads back to the untouched look.
        setRetouchSettings(m_presetForLegacy);
        setSteps({ CropEditState {} }, { std::nullopt });
    } else {
        setRetouchSettings(PhotoRetouchSettings {});
        setSteps({}, {});
    }
    setCommitted(currentState(), std::nullopt);
    m_writes.opened(diskJournal(), true);
}

} // namespace quavel
