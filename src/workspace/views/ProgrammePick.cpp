#include "workspace/views/ProgrammePick.h"

#include "ui/FusedCapsule.h"
#include "ui/Notifications.h"
#include "ui/PickButton.h"

namespace quavel {

namespace {

FusedCapsule* programmeCapsule()
{
    auto* capsule = new FusedCapsule;
    auto* import = new PickButton(QStringLiteral("Importer"), QStringLiteral("folder"), true, capsule);
    import->setObjectName(QStringLiteral("importProgramme"));
    auto* site = new PickButton(QStringLiteral("Site"), QStringLiteral("globe"), true, capsule);
    site->setObjectName(QStringLiteral("importProgrammeWeb"));
    QObject::connect(site, &QAbstractButton::clicked, site,
        [] { Notifications::instance().post(QStringLiteral("quavelImportProgrammeWeb")); });
    capsule->addWidget(import);
    capsule->addDivider();
    capsule->addWidget(site);
    return capsule;
}

} // namespace

ProgrammePick::ProgrammePick(std::optional<int> valueMaxWidth, bool fillsWidth, QWidget* parent)
    : LinkedGroup(programmeCapsule(), new LinkedValue(QStringLiteral("Programme"), QString(), valueMaxWidth),
        fillsWidth, parent)
{
    m_importButton = findChild<PickButton*>(QStringLiteral("importProgramme"));
    m_value = findChild<LinkedValue*>();
    m_value->setObjectName(QStringLiteral("programmeValue"));
    connect(m_importButton, &QAbstractButton::clicked, this, &ProgrammePick::importRequested);
}

void ProgrammePick::showProgramme(bool loaded, const QString& name)
{
    m_importButton->setText(loaded ? QStringLiteral("Remplacer") : QStringLiteral("Importer"));
    m_value->setValue(name);
}

} // namespace quavel
