#include "photo/views/RetouchControls.h"

#include "photo/views/RetouchCheckboxRow.h"
#include "photo/views/RetouchFieldLinks.h"
#include "photo/views/RetouchHairline.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "photo/views/RetouchSharpnessGroup.h"
#include "photo/views/RetouchSliderRow.h"
#include "photo/views/RetouchToneGroup.h"

#include <QVBoxLayout>

namespace quavel {

namespace {

const QString kPercent = QStringLiteral("%");
constexpr RetouchRange kPercentRange { -100, 100, 0.1 };

const RetouchSliderTraits kContrast { QStringLiteral("Contraste"),
    QStringLiteral("Courbe en S autour des tons moyens"), kPercentRange, 1, kPercent, std::nullopt };
const RetouchSliderTraits kBrightness { QStringLiteral("Luminosité"),
    QStringLiteral("Lift des tons moyens, ombres et hautes lumières préservées"), kPercentRange, 1, kPercent,
    std::nullopt };
const RetouchSliderTraits kVibrance { QStringLiteral("Vibrance"),
    QStringLiteral("Saturation intelligente : tons peu saturés renforcés, tons chair préservés"),
    kPercentRange, 1, kPercent, std::nullopt };
const RetouchSliderTraits kSaturation { QStringLiteral("Saturation"),
    QStringLiteral("Saturation uniforme de tous les tons"), kPercentRange, 1, kPercent, std::nullopt };
const RetouchSliderTraits kGamma { QStringLiteral("Gamma"),
    QStringLiteral("Correction des tons moyens : 1,00 = neutre, < 1 éclaircit, > 1 assombrit"),
    { 0.1, 3, 0.01 }, 2, QString(), 1.0 };
const RetouchSliderTraits kExposure { QStringLiteral("Exposition"),
    QStringLiteral("Stops, comme dans Camera Raw / Photoshop"), { -2, 2, 0.01 }, 2, QStringLiteral("IL"),
    std::nullopt };

RetouchToneGroup* toneGroup(const QString& title, const QString& help, bool compact,
    RetouchSettingsBinding* settings, double PhotoRetouchSettings::*amount,
    double PhotoRetouchSettings::*tonalWidth, double PhotoRetouchSettings::*radius, QWidget* parent)
{
    auto* group = new RetouchToneGroup(title, help, compact, parent);
    RetouchFieldLinks::link(group->amountRow(), settings, amount);
    RetouchFieldLinks::link(group->tonalWidthRow(), settings, tonalWidth);
    RetouchFieldLinks::link(group->radiusRow(), settings, radius);
    return group;
}

} // namespace

RetouchControls::RetouchControls(
    RetouchSettingsBinding* settings, bool compact, std::optional<int> spacing, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing.value_or(compact ? 10 : 12));

    auto slider = [&](const RetouchSliderTraits& traits, double PhotoRetouchSettings::*field) {
        auto* row = new RetouchSliderRow(traits, compact, this);
        RetouchFieldLinks::link(row, settings, field);
        return row;
    };
    m_sharpness = new RetouchSharpnessGroup(settings, compact, this);
    m_contrast = slider(kContrast, &PhotoRetouchSettings::contrast);
    m_autoContrast = new RetouchCheckboxRow(QStringLiteral("Contraste auto"),
        QStringLiteral("Étire la luminance, couleurs préservées"),
        QStringLiteral(
            "Contraste auto photographique : étire les noirs et les blancs sans saturer les couleurs"),
        this);
    RetouchFieldLinks::link(m_autoContrast, settings, &PhotoRetouchSettings::autoContrast);
    m_brightness = slider(kBrightness, &PhotoRetouchSettings::brightness);
    m_vibrance = slider(kVibrance, &PhotoRetouchSettings::vibrance);
    m_saturation = slider(kSaturation, &PhotoRetouchSettings::saturation);
    m_gamma = slider(kGamma, &PhotoRetouchSettings::gamma);
    m_exposure = slider(kExposure, &PhotoRetouchSettings::exposure);
    m_hairline = new RetouchHairline(this);
    m_shadows = toneGroup(QStringLiteral("Tons foncés"),
        QStringLiteral("Récupère ou assombrit les ombres, avec gamme de tons et rayon local comme Photoshop"),
        compact, settings, &PhotoRetouchSettings::shadows, &PhotoRetouchSettings::shadowTonalWidth,
        &PhotoRetouchSettings::shadowRadius, this);
    m_highlights = toneGroup(QStringLiteral("Tons clairs"),
        QStringLiteral(
            "Récupère ou ouvre les hautes lumières, avec gamme de tons et rayon local comme Photoshop"),
        compact, settings, &PhotoRetouchSettings::highlights, &PhotoRetouchSettings::highlightTonalWidth,
        &PhotoRetouchSettings::highlightRadius, this);
    for (QWidget* control : controls())
        column->addWidget(control);
}

int RetouchControls::spacing() const
{
    return layout()->spacing();
}

QList<QWidget*> RetouchControls::controls() const
{
    return { m_sharpness, m_contrast, m_autoContrast, m_brightness, m_vibrance, m_saturation, m_gamma,
        m_exposure, m_hairline, m_shadows, m_highlights };
}

} // namespace quavel
