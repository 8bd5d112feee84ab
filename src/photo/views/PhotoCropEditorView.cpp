#include "photo/views/PhotoCropEditorView.h"

#include "photo/crop/CropEditorModel.h"
#include "photo/views/CropCanvas.h"
#include "photo/views/CropEditorToolbar.h"
#include "photo/views/CropRetouchPanel.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "ui/ActivitySpinner.h"
#include "ui/CapsuleButton.h"
#include "ui/Divider.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"
#include "ui/WindowMoveLock.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QShowEvent>
#include <QStackedLayout>
#include <QTextEdit>
#include <QVBoxLayout>

namespace quavel {

namespace {

// The separators' opacities, light and dark scheme.
constexpr qreal dividerLight = 0.14;
constexpr qreal dividerDark = 0.18;

// Black at 0.88 behind the picture and its bar.
class PictureGround : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.88f));
    }
};

QShortcut* windowShortcut(const QKeySequence& keys, QWidget* parent)
{
    auto* shortcut = new QShortcut(keys, parent);
    shortcut->setContext(Qt::WindowShortcut);
    return shortcut;
}

} // namespace

PhotoCropEditorView::PhotoCropEditorView(
    CropEditorModel* model, const PhotoRetouchSettings& preset, Callbacks callbacks, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_preset(preset)
    , m_callbacks(std::move(callbacks))
{
    m_session = new RetouchSettingsBinding(
        model->retouchSettings(),
        [this](const PhotoRetouchSettings& s) {
            if (m_model)
                m_model->setRetouchPreview(s);
        },
        this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_toolbar = new CropEditorToolbar(this);
    m_validate = m_toolbar->validateButton();
    column->addWidget(m_toolbar);
    column->addWidget(new Divider(Qt::Horizontal, dividerLight, dividerDark, this));

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);

    // The picture takes the whole height under the toolbar: on a laptop's screen the editor shares the
    // column with a row of the gallery, and every point given to something else is taken from the crop.
    auto* ground = new PictureGround(this);
    // The picture area is black in either appearance; its progress indicator is
    // drawn for black.
    ground->setPalette(Theme::palette(true));
    m_stage = new QStackedLayout(ground);
    m_canvasHolder = new QWidget(ground);
    auto* padded = new QVBoxLayout(m_canvasHolder);
    padded->setContentsMargins(12, 12, 12, 12);
    m_canvas = new CropCanvas(model, m_canvasHolder);
    padded->addWidget(m_canvas);
    m_spinnerHolder = new QWidget(ground);
    auto* centred = new QVBoxLayout(m_spinnerHolder);
    m_spinner = new ActivitySpinner(m_spinnerHolder);
    Capsule::setControlSize(m_spinner, ControlSize::large);
    centred->addWidget(m_spinner, 0, Qt::AlignCenter);
    m_stage->addWidget(m_canvasHolder);
    m_stage->addWidget(m_spinnerHolder);
    body->addWidget(ground, 1);

    body->addWidget(new Divider(Qt::Vertical, dividerLight, dividerDark, this));
    m_panel = new CropRetouchPanel(m_session, this);
    m_panel->setPreset(preset);
    body->addWidget(m_panel);
    column->addLayout(body, 1);

    m_error = new ToneLabel(QString(), Tone::red, Fonts::font(Fonts::Style::callout), this);
    m_error->setContentsMargins(16, 8, 16, 8);
    m_error->setWordWrap(true);
    m_error->hide();
    column->addWidget(m_error);

    connect(m_toolbar, &CropEditorToolbar::formatChosen, this, [this](PrintFormat f) {
        if (m_model)
            m_model->setFormat(f);
    });
    connect(m_toolbar, &CropEditorToolbar::watermarkToggled, this, [this] {
        if (m_model)
            m_model->setIncludeWatermark(!m_model->includeWatermark());
    });
    connect(m_toolbar, &CropEditorToolbar::undoRequested, this, &PhotoCropEditorView::undo);
    connect(m_toolbar, &CropEditorToolbar::closeRequested, this, &PhotoCropEditorView::closeEditor);
    connect(m_toolbar, &CropEditorToolbar::validateRequested, this, &PhotoCropEditorView::confirmCrop);
    connect(m_panel, &CropRetouchPanel::applyPresetRequested, this, [this](const PhotoRetouchSettings& p) {
        if (m_model)
            m_model->setRetouchPreview(p);
    });
    connect(m_panel, &CropRetouchPanel::savePresetRequested, this, [this](const PhotoRetouchSettings& s) {
        if (m_callbacks.onSavePreset)
            m_callbacks.onSavePreset(s);
    });

    buildShortcuts();
    connectModel();
    refresh();
    refreshPicture();
}

PhotoCropEditorView::~PhotoCropEditorView()
{
    // Children going from here on move the focus: the keys are no longer this editor's to refresh.
    disconnect(qApp, nullptr, this, nullptr);
    // Taken off the screen by being deleted: the same as disappearing.
    if (m_holdsLock) {
        releaseLock();
        if (m_model)
            m_model->persistCurrent();
    }
}

void PhotoCropEditorView::buildShortcuts()
{
    // The default action. A value field keeps Return for itself, so Return there
    // commits the field only.
    for (auto key : { Qt::Key_Return, Qt::Key_Enter }) {
        m_keys.append(windowShortcut(QKeySequence(key), this));
        connect(m_keys.last(), &QShortcut::activated, this, &PhotoCropEditorView::confirmCrop);
    }
    m_keys.append(windowShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this));
    connect(m_keys.last(), &QShortcut::activated, this, [this] {
        if (m_toolbar->undoButton()->isEnabled())
            undo();
    });
    m_keys.append(windowShortcut(QKeySequence(Qt::Key_Escape), this));
    connect(m_keys.last(), &QShortcut::activated, this, &PhotoCropEditorView::closeEditor);
    // The keys are the window's, but a text field elsewhere in it (the orders' search, a name being
    // typed) keeps its own: the shortcuts stand aside while one has the focus, and the key reaches it.
    connect(qApp, &QApplication::focusChanged, this, &PhotoCropEditorView::refreshKeys);
    refreshKeys();
}

bool PhotoCropEditorView::keysApply() const
{
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == this || isAncestorOf(focus))
        return true;
    if (qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus)
        || qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus))
        return false;
    const auto* combo = qobject_cast<const QComboBox*>(focus);
    return !(combo && combo->isEditable());
}

void PhotoCropEditorView::refreshKeys()
{
    const bool apply = keysApply();
    for (QShortcut* key : std::as_const(m_keys))
        key->setEnabled(apply);
}

void PhotoCropEditorView::connectModel()
{
    CropEditorModel* m = m_model;
    for (auto signal : { &CropEditorModel::fileURLChanged, &CropEditorModel::formatChanged,
             &CropEditorModel::includeWatermarkChanged, &CropEditorModel::watermarkURLChanged,
             &CropEditorModel::historyChanged, &CropEditorModel::hasOriginalBackupChanged,
             &CropEditorModel::errorMessageChanged, &CropEditorModel::sourceImageChanged })
        connect(m, signal, this, &PhotoCropEditorView::refresh);
    // The canvas follows the model itself; here only whether there is a picture to show yet.
    for (auto signal : { &CropEditorModel::previewChanged, &CropEditorModel::sourceImageChanged })
        connect(m, signal, this, &PhotoCropEditorView::refreshPicture);
    connect(m, &CropEditorModel::retouchSettingsChanged, this, [this] {
        if (m_model)
            m_session->setValue(m_model->retouchSettings());
    });
}

CropEditorModel* PhotoCropEditorView::model() const
{
    return m_model.data();
}

void PhotoCropEditorView::setPreset(const PhotoRetouchSettings& preset)
{
    m_preset = preset;
    m_panel->setPreset(preset);
}

bool PhotoCropEditorView::showsCanvas() const
{
    return m_stage->currentWidget() == m_canvasHolder;
}

void PhotoCropEditorView::refresh()
{
    if (!m_model)
        return;
    const CropEditorModel& m = *m_model;
    m_toolbar->setPhoto(m.fileURL().value_or(QString()));
    m_toolbar->setFormat(m.format());
    m_toolbar->setWatermark(m.includeWatermark(), m.watermarkURL().has_value());
    m_toolbar->setUndo(m.history().isEmpty(), m.hasOriginalBackup());
    m_validate->setEnabled(!m.sourceImage().isNull());
    const QString error = m.errorMessage().value_or(QString());
    m_error->setText(error);
    m_error->setVisible(!error.isEmpty());
}

void PhotoCropEditorView::refreshPicture()
{
    if (!m_model)
        return;
    const bool ready = !m_model->preview().isNull() && !m_model->sourceImage().isNull();
    m_stage->setCurrentWidget(ready ? m_canvasHolder : m_spinnerHolder);
}

void PhotoCropEditorView::confirmCrop()
{
    if (!m_model)
        return;
    const QString photo = m_model->loadedURL().value_or(m_model->fileURL().value_or(QString()));
    auto onSaved = m_callbacks.onSaved;
    m_model->save().then(m_model.data(), [onSaved, photo](bool written) {
        if (written && onSaved)
            onSaved(photo);
    });
}

void PhotoCropEditorView::undo()
{
    if (!m_model)
        return;
    const QString photo = m_model->loadedURL().value_or(m_model->fileURL().value_or(QString()));
    auto onSaved = m_callbacks.onSaved;
    m_model->undoLast().then(m_model.data(), [onSaved, photo](bool written) {
        if (written && onSaved)
            onSaved(photo);
    });
}

void PhotoCropEditorView::closeEditor()
{
    if (m_callbacks.onClose)
        m_callbacks.onClose();
    if (m_model)
        m_model->close();
}

void PhotoCropEditorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the dock is no new appearance.
    if (event->spontaneous() || m_holdsLock)
        return;
    takeLock();
    if (m_model)
        m_model->setOnFileWritten(m_callbacks.onSaved);
}

void PhotoCropEditorView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous() || !m_holdsLock)
        return;
    m_canvas->setCursor(Qt::ArrowCursor);
    releaseLock();
    if (m_model)
        m_model->persistCurrent();
}

void PhotoCropEditorView::takeLock()
{
    m_holdsLock = true;
    WindowMoveLock::acquire();
}

void PhotoCropEditorView::releaseLock()
{
    m_holdsLock = false;
    WindowMoveLock::release();
}

} // namespace quavel
