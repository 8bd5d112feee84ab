#include "photo/views/RetouchPanelHeader.h"

#include "photo/views/RetouchLabel.h"
#include "photo/views/RetouchLook.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "ui/CapsuleButton.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quavel {

RetouchPanelHeader::RetouchPanelHeader(RetouchSettingsBinding* settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* titles = new QVBoxLayout;
    titles->setContentsMargins(0, 0, 0, 0);
    titles->setSpacing(2);
    titles->addWidget(new RetouchLabel(
        QStringLiteral("Retouche"), RetouchLook::font(13, QFont::DemiBold), Qt::white, this));
    QFont caption = RetouchLook::font(10, QFont::Medium);
    caption.setLetterSpacing(QFont::AbsoluteSpacing, 0.3);
    titles->addWidget(new RetouchLabel(
        QStringLiteral("Traitement pleine résolution"), caption, RetouchLook::muted(), this));
    row->addLayout(titles);
    row->addStretch(1);

    m_reset = new CapsuleButton(QStringLiteral("Réinitialiser"), QString(), CapsuleKind::glass, this);
    Capsule::setControlSize(m_reset, ControlSize::mini);
    row->addWidget(m_reset, 0, Qt::AlignTop);

    m_reset->setEnabled(!settings->value().isNeutral());
    connect(settings, &RetouchSettingsBinding::valueChanged, m_reset,
        [this](const PhotoRetouchSettings& s) { m_reset->setEnabled(!s.isNeutral()); });
    connect(m_reset, &QAbstractButton::clicked, this, &RetouchPanelHeader::reset);
}

void RetouchPanelHeader::reset()
{
    m_settings->edit(PhotoRetouchSettings {});
    emit settingsReset();
}

} // namespace quavel
