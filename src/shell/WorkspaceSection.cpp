#include "shell/WorkspaceSection.h"

namespace quavel::Section {

const QList<WorkspaceSection>& allCases()
{
    static const QList<WorkspaceSection> all { WorkspaceSection::paniers, WorkspaceSection::tableur,
        WorkspaceSection::commandes };
    return all;
}

QString rawValue(WorkspaceSection section)
{
    switch (section) {
    case WorkspaceSection::paniers:
        return QStringLiteral("paniers");
    case WorkspaceSection::tableur:
        return QStringLiteral("tableur");
    case WorkspaceSection::commandes:
        return QStringLiteral("commandes");
    }
    return QStringLiteral("tableur");
}

QString title(WorkspaceSection section)
{
    switch (section) {
    case WorkspaceSection::paniers:
        return QStringLiteral("Paniers");
    case WorkspaceSection::tableur:
        return QStringLiteral("Tableur");
    case WorkspaceSection::commandes:
        return QStringLiteral("Commandes");
    }
    return QStringLiteral("Tableur");
}

QString symbolName(WorkspaceSection section)
{
    switch (section) {
    case WorkspaceSection::paniers:
        return QStringLiteral("basket");
    case WorkspaceSection::tableur:
        return QStringLiteral("tablecells");
    case WorkspaceSection::commandes:
        return QStringLiteral("shippingbox");
    }
    return QStringLiteral("tablecells");
}

std::optional<WorkspaceSection> fromRawValue(const QString& raw)
{
    for (WorkspaceSection s : allCases())
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}

WorkspaceSection shown(const QString& raw)
{
    return fromRawValue(raw).value_or(WorkspaceSection::tableur);
}

} // namespace quavel::Section
