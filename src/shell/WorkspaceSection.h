#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace quavel {

// The three workspaces of the section bar, stored by raw value under "macWorkspaceSection".
enum class WorkspaceSection { paniers, tableur, commandes };

namespace Section {
const QList<WorkspaceSection>& allCases();
QString rawValue(WorkspaceSection section);
QString title(WorkspaceSection section);
QString symbolName(WorkspaceSection section);
// Exactly one of the raw values (case-sensitive), else absent.
std::optional<WorkspaceSection> fromRawValue(const QString& raw);
// The section a stored text shows: its section, or "tableur" for any other text.
WorkspaceSection shown(const QString& raw);
} // namespace Section

} // namespace quavel
