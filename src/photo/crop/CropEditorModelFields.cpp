// The crop editor model's field setters: each tells its observers only of a real change.
#include "photo/crop/CropEditorModel.h"

namespace quavel {

namespace {

// QSizeF's and QRectF's own comparisons are fuzzy; observers are told of every real change.
bool exactlyEqual(const QSizeF& a, const QSizeF& b)
{
    return a.width() == b.width() && a.height() == b.height();
}

} // namespace

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

void CropEditorModel::setCrop(double zoom, const QSizeF& offset)
{
    const bool zoomChanges = m_zoom != zoom;
    const bool offsetChanges = !exactlyEqual(m_offset, offset);
    m_zoom = zoom;
    m_offset = offset;
    if (zoomChanges)
        emit zoomChanged();
    if (offsetChanges)
        emit offsetChanged();
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

void CropEditorModel::setHasOriginalBackup(bool value)
{
    if (m_hasOriginalBackup != value) {
        m_hasOriginalBackup = value;
        emit hasOriginalBackupChanged();
    }
}

void CropEditorModel::setRetouchSettings(const PhotoRetouchSettings& value)
{
    if (!(m_retouchSettings == value)) {
        m_retouchSettings = value;
        emit retouchSettingsChanged();
    }
}

void CropEditorModel::setCommitted(const CropEditState& value, const std::optional<CropEditState>& baked)
{
    if (m_history.setCommitted(value, baked))
        emit committedChanged();
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
