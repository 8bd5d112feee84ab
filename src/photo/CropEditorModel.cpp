#include "photo/CropEditorModel.h"

#include "photo/CropEditorJournal.h"
#include "photo/CropGeometry.h"
#include "photo/CropSessionFolder.h"
#include "photo/CropWriteRequest.h"
#include "photo/PhotoOriginals.h"

#include <QDir>
#include <QTimer>

namespace quavel {

namespace {

bool samePath(const std::optional<QString>& a, const std::optional<QString>& b)
{
    if (!a || !b)
        return !a && !b;
    return QDir::cleanPath(*a) == QDir::cleanPath(*b);
}

// QSizeF's own comparison is fuzzy; observers are told of every real change.
bool exactlyEqual(const QSizeF& a, const QSizeF& b)
{
    return a.width() == b.width() && a.height() == b.height();
}

bool exactlyEqual(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

} // namespace

CropEditorModel::CropEditorModel(QObject* parent)
    : QObject(parent)
    , m_persistTimer(new QTimer(this))
{
    m_persistTimer->setSingleShot(true);
    m_persistTimer->setInterval(retouchWriteDelayMs);
    connect(m_persistTimer, &QTimer::timeout, this, [this] {
        if (m_scheduledGeneration == m_persistGeneration)
            persistLookToDisk();
    });
}

CropEditorModel::~CropEditorModel() = default;

std::optional<QString> CropEditorModel::makeSessionCopy(const QString& source)
{
    return CropSessionFolder::makeCopy(source);
}

// ---- the orders screen ----

void CropEditorModel::open(
    const QString& photo, const std::optional<QString>& watermark, const PhotoRetouchSettings& retouch)
{
    setWatermarkURL(watermark);
    if (m_isOpen && samePath(m_fileURL, photo))
        return;
    if (m_isOpen) {
        // The photo being left is written from its own state as it is now, and nothing of the photo
        // being opened (its retouch is read below) can reach it afterwards.
        persistCurrent();
        setLoadedURL(std::nullopt);
        setSessionBaseURL(std::nullopt);
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
    setSessionBaseURL(std::nullopt);
    setIsOpen(false);
    setFileURL(std::nullopt);
    m_preview = QImage();
    emit previewChanged();
    m_sourceImage = FloatImage();
    emit sourceImageChanged();
    setBaseImage(FloatImage());
    setWatermarkImages(FloatImage(), FloatImage());
    setLoadedURL(std::nullopt);
    setErrorMessage(std::nullopt);
    setHistory({});
    setCommitted(CropEditState {});
    setHasOriginalBackup(false);
    setRetouchSettings(PhotoRetouchSettings {});
    setCropValidated(false);
    setBakedState(std::nullopt);
    m_offsetScale = 1;
}

void CropEditorModel::reloadIfShowing(const QString& photo)
{
    if (!m_isOpen || !samePath(m_fileURL, photo))
        return;
    cancelPendingRetouchWrite();
    QMetaObject::invokeMethod(
        this, [this, photo] { load(photo); }, Qt::QueuedConnection);
}

void CropEditorModel::setWatermark(const std::optional<QString>& watermark)
{
    if (samePath(m_watermarkURL, watermark))
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
    setDragStartOffset(QSizeF(0, 0));
    commitHistory();
}

void CropEditorModel::setIncludeWatermark(bool include)
{
    if (include == m_includeWatermark)
        return;
    commitHistory();
    setIncludeWatermarkField(include);
    commitHistory();
}

void CropEditorModel::finishGesture()
{
    setActiveHandle(std::nullopt);
    setDragStartOffset(m_offset);
    commitHistory();
}

void CropEditorModel::setRetouchPreview(const PhotoRetouchSettings& settings)
{
    setRetouchSettings(settings);
    if (m_loadedURL)
        scheduleRetouchPersist();
    QMetaObject::invokeMethod(
        this, [this] { renderPreview(m_retouchSettings); }, Qt::QueuedConnection);
}

void CropEditorModel::setOnFileWritten(std::function<void(const QString&)> callback)
{
    m_onFileWritten = std::move(callback);
}

// ---- drags ----

void CropEditorModel::beginDrag(
    const QPointF& start, const QRectF& cropView, const QRectF& crop, const QPointF& cropCentre)
{
    setActiveHandle(CropGeometry::hitTest(start, cropView));
    setDragStartOffset(m_offset);
    setDragStartCrop(crop);
    setDragStartAngle(m_angle);
    setDragStartVector(QSizeF(start.x() - cropCentre.x(), start.y() - cropCentre.y()));
}

void CropEditorModel::applyDrag(const QPointF& translation, const QPointF& location, const QSizeF& imageSize,
    double aspect, double scale, const QPointF& cropCentre)
{
    if (!m_activeHandle)
        return;
    switch (m_activeHandle->kind) {
    case CropHandle::Kind::move:
        setOffset(
            CropGeometry::movedOffset(m_dragStartOffset, translation, scale, imageSize, aspect, m_zoom));
        break;
    case CropHandle::Kind::edge: {
        const auto resized = CropGeometry::resized(
            m_dragStartCrop, m_activeHandle->side, translation, scale, imageSize, aspect);
        setZoom(resized.zoom);
        setOffset(resized.offset);
        break;
    }
    case CropHandle::Kind::rotate:
        if (const auto angle
            = CropGeometry::rotatedAngle(m_dragStartAngle, m_dragStartVector, location, cropCentre))
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
    setDragStartOffset(state.offset);
}

void CropEditorModel::commitHistory()
{
    const CropEditState current = currentState();
    if (current == m_committed)
        return;
    QList<CropEditState> history = m_history;
    history.append(m_committed);
    if (history.size() > historyLimit)
        history.remove(0, history.size() - historyLimit);
    setHistory(history);
    setCommitted(current);
    persistJournal();
}

void CropEditorModel::persistJournal()
{
    if (!m_loadedURL)
        return;
    CropEditorJournal::write(*m_loadedURL, currentState(), m_history, m_offsetScale);
}

void CropEditorModel::restoreOpenedState(const QString& photo)
{
    if (const auto journal = CropEditorJournal::read(photo, m_offsetScale)) {
        apply(journal->current);
        setHistory(journal->history);
        setCommitted(journal->current);
        setBakedState(journal->current.cropValidated ? std::optional(journal->current) : std::nullopt);
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
        setHistory({ CropEditState {} });
    } else {
        setRetouchSettings(PhotoRetouchSettings {});
        setHistory({});
    }
    setCommitted(currentState());
}

// ---- field setters ----

void CropEditorModel::setIsOpen(bool value)
{
    if (m_isOpen != value) {
        m_isOpen = value;
        emit isOpenChanged();
    }
}

void CropEditorModel::setFileURL(const std::optional<QString>& value)
{
    if (m_fileURL != value) {
        m_fileURL = value;
        emit fileURLChanged();
    }
}

void CropEditorModel::setWatermarkURL(const std::optional<QString>& value)
{
    if (m_watermarkURL != value) {
        m_watermarkURL = value;
        emit watermarkURLChanged();
    }
}

void CropEditorModel::setWatermarkImages(const FloatImage& preview, const FloatImage& full)
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

void CropEditorModel::setFormatField(PrintFormat value)
{
    if (m_format != value) {
        m_format = value;
        emit formatChanged();
    }
}

void CropEditorModel::setIncludeWatermarkField(bool value)
{
    if (m_includeWatermark != value) {
        m_includeWatermark = value;
        emit includeWatermarkChanged();
    }
}

void CropEditorModel::setZoom(double value)
{
    if (m_zoom != value) {
        m_zoom = value;
        emit zoomChanged();
    }
}

void CropEditorModel::setOffset(const QSizeF& value)
{
    if (!exactlyEqual(m_offset, value)) {
        m_offset = value;
        emit offsetChanged();
    }
}

void CropEditorModel::setAngle(double value)
{
    if (m_angle != value) {
        m_angle = value;
        emit angleChanged();
    }
}

void CropEditorModel::setErrorMessage(const std::optional<QString>& value)
{
    if (m_errorMessage != value) {
        m_errorMessage = value;
        emit errorMessageChanged();
    }
}

void CropEditorModel::setActiveHandle(const std::optional<CropHandle>& value)
{
    if (m_activeHandle != value) {
        m_activeHandle = value;
        emit activeHandleChanged();
    }
}

void CropEditorModel::setDragStartOffset(const QSizeF& value)
{
    if (!exactlyEqual(m_dragStartOffset, value)) {
        m_dragStartOffset = value;
        emit dragStartOffsetChanged();
    }
}

void CropEditorModel::setDragStartCrop(const QRectF& value)
{
    if (!exactlyEqual(m_dragStartCrop, value)) {
        m_dragStartCrop = value;
        emit dragStartCropChanged();
    }
}

void CropEditorModel::setDragStartAngle(double value)
{
    if (m_dragStartAngle != value) {
        m_dragStartAngle = value;
        emit dragStartAngleChanged();
    }
}

void CropEditorModel::setDragStartVector(const QSizeF& value)
{
    if (!exactlyEqual(m_dragStartVector, value)) {
        m_dragStartVector = value;
        emit dragStartVectorChanged();
    }
}

void CropEditorModel::setHasOriginalBackup(bool value)
{
    if (m_hasOriginalBackup != value) {
        m_hasOriginalBackup = value;
        emit hasOriginalBackupChanged();
    }
}

void CropEditorModel::setLoadedURL(const std::optional<QString>& value)
{
    if (m_loadedURL != value) {
        m_loadedURL = value;
        emit loadedURLChanged();
    }
}

void CropEditorModel::setSessionBaseURL(const std::optional<QString>& value)
{
    if (m_sessionBaseURL != value) {
        m_sessionBaseURL = value;
        emit sessionBaseURLChanged();
    }
}

void CropEditorModel::setBaseImage(const FloatImage& image)
{
    if (!(image.isNull() && m_baseImage.isNull())) {
        m_baseImage = image;
        emit baseImageChanged();
    }
}

void CropEditorModel::setRetouchSettings(const PhotoRetouchSettings& value)
{
    if (!(m_retouchSettings == value)) {
        m_retouchSettings = value;
        emit retouchSettingsChanged();
    }
}

void CropEditorModel::setHistory(const QList<CropEditState>& value)
{
    if (m_history != value) {
        m_history = value;
        emit historyChanged();
    }
}

void CropEditorModel::setCommitted(const CropEditState& value)
{
    if (!(m_committed == value)) {
        m_committed = value;
        emit committedChanged();
    }
}

void CropEditorModel::setPresetForLegacy(const PhotoRetouchSettings& value)
{
    if (!(m_presetForLegacy == value)) {
        m_presetForLegacy = value;
        emit presetForLegacyChanged();
    }
}

void CropEditorModel::setCropValidated(bool value)
{
    if (m_cropValidated != value) {
        m_cropValidated = value;
        emit cropValidatedChanged();
    }
}

void CropEditorModel::setBakedState(const std::optional<CropEditState>& value)
{
    if (m_bakedState != value) {
        m_bakedState = value;
        emit bakedStateChanged();
    }
}

} // namespace quavel
