#include "workspace/WorkspaceStore.h"

#include "library/AppSupport.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"
#include "platform/UuidText.h"
#include "platform/files/Bookmark.h"
#include "platform/files/TemporarySweep.h"
#include "platform/files/UnnamedFile.h"
#include "workspace/OrganizerFiles.h"
#include "workspace/UuidTable.h"

#include <QHash>

namespace quavel {

using namespace QuavelJSON;

namespace {

// "workspace.json" before version keys existed held the settings table alone. Such a table is an
// object whose keys are all identifiers; the whole file's keys never are, so the two forms cannot be
// mistaken for each other (a file of the other form would otherwise read as an empty workspace).
bool isBareSettingsTable(const Json& json)
{
    if (json.is_array())
        return true;
    if (!json.is_object() || json.empty())
        return false;
    for (auto it = json.begin(); it != json.end(); ++it)
        if (!parseUuid(QString::fromStdString(it.key())))
            return false;
    return true;
}

struct WorkspaceFile
{
    QMap<QUuid, SpreadsheetMacSettings> settings;
    std::optional<QString> programmeName;
    std::optional<QByteArray> lastDestinationBookmark;
    std::optional<QString> lastDestinationName;
    QList<OrganizerHistoryEntry> actionHistory;

    Json toJson() const
    {
        Json o = Json::object();
        o["settings"] = UuidTable::write(settings);
        if (programmeName)
            o["programmeName"] = fromString(*programmeName);
        if (lastDestinationBookmark)
            o["lastDestinationBookmark"] = fromData(*lastDestinationBookmark);
        if (lastDestinationName)
            o["lastDestinationName"] = fromString(*lastDestinationName);
        Json history = Json::array();
        for (const OrganizerHistoryEntry& entry : actionHistory)
            history.push_back(entry.toJson());
        o["actionHistory"] = history;
        return o;
    }

    static WorkspaceFile fromJson(const Json& json)
    {
        asObject(json);
        WorkspaceFile file;
        if (const Json* settings = find(json, "settings"))
            file.settings = UuidTable::read<SpreadsheetMacSettings>(*settings);
        file.programmeName = readOptionalString(json, "programmeName");
        file.lastDestinationBookmark = readOptionalData(json, "lastDestinationBookmark");
        file.lastDestinationName = readOptionalString(json, "lastDestinationName");
        if (const Json* history = find(json, "actionHistory"))
            for (const Json& entry : asArray(*history))
                file.actionHistory.append(OrganizerHistoryEntry::fromJson(entry));
        return file;
    }
};

std::optional<WorkspaceFile> decodeWorkspace(const QByteArray& bytes)
{
    Json json;
    try {
        json = parse(bytes);
    } catch (const DecodingError&) {
        return std::nullopt;
    }
    if (!isBareSettingsTable(json)) {
        try {
            return WorkspaceFile::fromJson(json);
        } catch (const DecodingError&) { }
    }
    try {
        WorkspaceFile file;
        file.settings = UuidTable::read<SpreadsheetMacSettings>(json);
        return file;
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

} // namespace

WorkspaceStore::WorkspaceStore(QObject* parent)
    : WorkspaceStore(AppSupport::folder(), {}, parent)
{ }

WorkspaceStore::WorkspaceStore(const QString& folder, ProgrammeParser parser, QObject* parent)
    : ProgrammeHoldingStore(folder, QStringLiteral("workspace.json"), std::move(parser), parent)
{
    load();
    loadProgrammeFromDisk();
}

void WorkspaceStore::load()
{
    readSettings([this](const QByteArray& bytes) {
        const std::optional<WorkspaceFile> file = decodeWorkspace(bytes);
        if (!file)
            return false;
        m_settings = file->settings;
        setProgrammeName(file->programmeName);
        m_lastDestinationBookmark = file->lastDestinationBookmark;
        m_lastDestinationName = file->lastDestinationName;
        m_actionHistory = file->actionHistory;
        return true;
    });

    // No remembered destination yet: the last one met among the spreadsheets (identifier order).
    if (!m_lastDestinationBookmark) {
        m_lastDestinationName.reset();
        for (const SpreadsheetMacSettings& s : std::as_const(m_settings))
            if (s.destinationBookmark)
                m_lastDestinationBookmark = s.destinationBookmark;
        for (const SpreadsheetMacSettings& s : std::as_const(m_settings))
            if (s.destinationName)
                m_lastDestinationName = s.destinationName;
    }
}

void WorkspaceStore::persist()
{
    const WorkspaceFile file { m_settings, programmeName(), m_lastDestinationBookmark, m_lastDestinationName,
        m_actionHistory };
    writeSettings(encode(file.toJson()));
}

void WorkspaceStore::setLastDestination(
    const std::optional<QByteArray>& bookmark, const std::optional<QString>& name)
{
    m_lastDestinationBookmark = bookmark;
    emit lastDestinationBookmarkChanged();
    m_lastDestinationName = name;
    emit lastDestinationNameChanged();
}

SpreadsheetMacSettings WorkspaceStore::settings(const QUuid& spreadsheetID) const
{
    return m_settings.value(spreadsheetID);
}

void WorkspaceStore::storeSettings(const QUuid& spreadsheetID, const SpreadsheetMacSettings& settings)
{
    m_settings.insert(spreadsheetID, settings);
    emit settingsChanged();
    persist();
}

void WorkspaceStore::recordOrganizer(
    const OrganizerReport& report, const QUuid& spreadsheetID, const QString& title)
{
    OrganizerHistoryEntry entry { QUuid::createUuid(), spreadsheetID, title, QDateTime::currentDateTimeUtc(),
        report.defaultHeadline(), report.messages };
    m_actionHistory.prepend(entry);
    if (m_actionHistory.size() > historyLimit)
        m_actionHistory.resize(historyLimit);
    emit actionHistoryChanged();
    persist();
}

QStringList WorkspaceStore::knownDestinations(const QString& folder)
{
    const std::optional<QByteArray> bytes = AtomicFile::read(folder + QStringLiteral("/workspace.json"));
    const std::optional<WorkspaceFile> file = bytes ? decodeWorkspace(*bytes) : std::nullopt;
    if (!file)
        return {};
    QList<QByteArray> bookmarks;
    if (file->lastDestinationBookmark)
        bookmarks.append(*file->lastDestinationBookmark);
    for (const SpreadsheetMacSettings& s : file->settings)
        if (s.destinationBookmark)
            bookmarks.append(*s.destinationBookmark);
    QStringList paths;
    for (const QByteArray& bookmark : std::as_const(bookmarks))
        if (const std::optional<Bookmark::Resolved> resolved = Bookmark::resolve(bookmark))
            if (!paths.contains(resolved->path))
                paths.append(resolved->path);
    return paths;
}

void WorkspaceStore::registerTemporaryFiles()
{
    for (const QString& destination : knownDestinations(AppSupport::folder())) {
        TemporarySweep::Rule rule { destination, &UnnamedFile::isTemporaryName };
        rule.inSubfolders = true;
        TemporarySweep::add(std::move(rule));
    }
}

QList<OrganizerHistorySection> WorkspaceStore::historySections() const
{
    QList<OrganizerHistorySection> sections;
    QHash<QUuid, qsizetype> index;
    for (const OrganizerHistoryEntry& entry : m_actionHistory) {
        auto it = index.constFind(entry.spreadsheetID);
        if (it == index.cend()) {
            it = index.insert(entry.spreadsheetID, sections.size());
            sections.append(OrganizerHistorySection { entry.spreadsheetID, QString(), {} });
        }
        OrganizerHistorySection& section = sections[*it];
        section.entries.append(entry);
        // The oldest kept entry's title stays.
        section.title = entry.spreadsheetTitle;
    }
    for (OrganizerHistorySection& section : sections)
        if (section.title.isEmpty())
            section.title = QStringLiteral("Tableur");
    return sections;
}

} // namespace quavel
