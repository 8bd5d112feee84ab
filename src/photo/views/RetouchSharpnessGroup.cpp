#include "photo/views/RetouchSharpnessGroup.h"

#include "photo/views/RetouchCheckboxRow.h"
#include "photo/views/RetouchFieldLinks.h"
#include "photo/views/RetouchGroupBox.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "photo/views/RetouchSliderRow.h"

#include <QVBoxLayout>

namespace quavel {

namespace {

const RetouchSliderTraits kAmount { QStringLiteral("Quantité"),
    QStringLiteral("Amplitude de la netteté, en pourcentage (100 % = référence Photoshop)"), { 0, 300, 0.5 },
    0, QStringLiteral("%"), std::nullopt };
const RetouchSliderTraits kRadius { QStringLiteral("Rayon"),
    QStringLiteral("Taille du détail à accentuer, en pixels (1 px par défaut)"), { 0.1, 64, 0.1 }, 1,
    QStringLiteral("px"), std::nullopt };
const RetouchSliderTraits kNoiseReduction { QStringLiteral("Réduction du bruit"),
    QStringLiteral("Limite l’accentuation du grain, en pourcentage"), { 0, 100, 0.5 }, 0, QStringLiteral("%"),
    std::nullopt };

} // namespace

RetouchSharpnessGroup::RetouchSharpnessGroup(RetouchSettingsBinding* settings, bool compact, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    m_switch = new RetouchCheckboxRow(QStringLiteral("Netteté optimisée"),
        QStringLiteral("Smart Sharpen : quantité, rayon, bruit"),
        QStringLiteral("Active le masque flou. Définissez la quantité, le rayon et la réduction du bruit."),
        this);
    column->addWidget(m_switch);

    m_box = new RetouchGroupBox(compact, this);
    m_amount = new RetouchSliderRow(kAmount, compact, m_box);
    m_radius = new RetouchSliderRow(kRadius, compact, m_box);
    m_noiseReduction = new RetouchSliderRow(kNoiseReduction, compact, m_box);
    m_lensBlur = new RetouchCheckboxRow(QStringLiteral("Supprimer le flou de l’objectif"),
        QStringLiteral("Déconvolution type Smart Sharpen"),
        QStringLiteral("Utilise un noyau disque au lieu d’un flou gaussien, comme Photoshop Smart Sharpen — "
                       "Remove Lens Blur"),
        m_box);
    for (QWidget* w : std::initializer_list<QWidget*> { m_amount, m_radius, m_noiseReduction, m_lensBlur })
        m_box->addWidget(w);
    column->addWidget(m_box);

    RetouchFieldLinks::link(m_switch, settings, &PhotoRetouchSettings::optimizedSharpness);
    RetouchFieldLinks::link(m_amount, settings, &PhotoRetouchSettings::sharpnessAmount);
    RetouchFieldLinks::link(m_radius, settings, &PhotoRetouchSettings::sharpnessRadius);
    RetouchFieldLinks::link(m_noiseReduction, settings, &PhotoRetouchSettings::sharpnessNoiseReduction);
    RetouchFieldLinks::link(m_lensBlur, settings, &PhotoRetouchSettings::removeLensBlur);

    // Absent while sharpening is off, not merely disabled.
    m_box->setVisible(settings->value().optimizedSharpness);
    connect(settings, &RetouchSettingsBinding::valueChanged, this,
        [this](const PhotoRetouchSettings& s) { m_box->setVisible(s.optimizedSharpness); });
}

} // namespace quavel
