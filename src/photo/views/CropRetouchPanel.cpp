#include "photo/views/CropRetouchPanel.h"

#include "photo/views/RetouchControls.h"
#include "photo/views/RetouchPanelHeader.h"
#include "photo/views/RetouchScrollArea.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "ui/CapsuleButton.h"

#include <QVBoxLayout>

namespace quavel {

namespace {

CapsuleButton* wideButton(const QString& title, CapsuleKind kind, QWidget* parent)
{
    auto* button = new CapsuleButton(title, QString(), kind, parent);
    // The title stretched to the full width of the panel.
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Capsule::setControlSize(button, ControlSize::regular);
    return button;
}

} // namespace

CropRetouchPanel::CropRetouchPanel(RetouchSettingsBinding* session, QWidget* parent)
    : RetouchPanelBackground(parent)
    , m_session(session)
{
    setFixedWidth(kWidth);
    // The header and the preset buttons scroll with the controls: however short the editor, every one of
    // them can be reached, and the panel asks for no height of its own.
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);

    m_header = new RetouchPanelHeader(session, content);
    column->addWidget(m_header);
    m_apply = wideButton(QStringLiteral("Appliquer le préréglage"), CapsuleKind::glass, content);
    column->addWidget(m_apply);
    m_save = wideButton(QStringLiteral("Enregistrer le préréglage"), CapsuleKind::prominent, content);
    m_save->setToolTip(
        QStringLiteral("Enregistre les réglages de cette photo comme retouche par défaut partout "
                       "ailleurs. Les curseurs ne modifient pas le préréglage tant que vous "
                       "n’enregistrez pas."));
    column->addWidget(m_save);
    m_controls = new RetouchControls(session, true, 11, content);
    m_controls->setContentsMargins(0, 0, 2, 0);
    column->addWidget(m_controls);
    column->addStretch(1);
    m_scroll = new RetouchScrollArea(content, this);
    frame->addWidget(m_scroll);

    connect(m_apply, &QAbstractButton::clicked, this, [this] { emit applyPresetRequested(m_preset); });
    connect(
        m_save, &QAbstractButton::clicked, this, [this] { emit savePresetRequested(m_session->value()); });
    connect(session, &RetouchSettingsBinding::valueChanged, this, &CropRetouchPanel::refreshButtons);
    refreshButtons();
}

void CropRetouchPanel::setPreset(const PhotoRetouchSettings& preset)
{
    m_preset = preset;
    refreshButtons();
}

void CropRetouchPanel::refreshButtons()
{
    const bool neutral = m_preset.isNeutral();
    m_apply->setEnabled(!neutral && m_preset != m_session->value());
    m_apply->setToolTip(neutral
            ? QStringLiteral("Aucun préréglage enregistré. Enregistrez d’abord des réglages.")
            : QStringLiteral("Applique à cette photo les réglages enregistrés."));
    m_save->setEnabled(m_session->value() != m_preset);
}

} // namespace quavel
