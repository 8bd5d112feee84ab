#include "workspace/WorkspaceStore.h"

#include "library/AppSupport.h"
#include "library/QuavelJSON.h"
#include "platform/AtomicFile.h"
#include "platform/UuidText.h"
#include "workspace/OrganizerFiles.h"
#include "workspace/UuidTable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTimer>

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
    : QObject(parent)
    , m_programmes(new ProgrammeLoader(folder, std::move(parser), this))
    , m_fileURL(folder + QStringLiteral("/workspace.json"))
{
    connect(m_programmes, &ProgrammeLoader::stateChanged, this, &WorkspaceStore::programmeLoadingChanged);
    load();
    loadProgrammeFromDisk();
}

void WorkspaceStore::load()
{
    std::optional<WorkspaceFile> file;
    if (const auto bytes = AtomicFile::read(m_fileURL))
        file = decodeWorkspace(*bytes);
    if (file) {
        m_settings = file->settings;
        m_programmeName = file->programmeName;
        m_lastDestinationBookmark = file->lastDestinationBookmark;
        m_lastDestinationName = file->lastDestinationName;
        m_actionHistory = file->actionHistory;
    } else {
        m_file.markUnreadable();
    }

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
    if (!QDir().mkpath(QFileInfo(m_fileURL).absolutePath()) || !m_file.mayWrite())
        return;
    WorkspaceFile file { m_settings, m_programmeName, m_lastDestinationBookmark, m_lastDestinationName,
        m_actionHistory };
    AtomicFile::tryWrite(m_fileURL, encode(file.toJson()));
}

void WorkspaceStore::loadProgrammeFromDisk()
{
    if (m_loadPending)
        return;
    m_loadPending = true;
    m_programmes->load([this](const ProgrammeDocument& document) { adoptLoaded(document); },
        [this] { m_loadPending = false; });
}

void WorkspaceStore::adoptLoaded(const ProgrammeDocument& document)
{
    setProgramme(document);
    // A name read from "workspace.json" wins.
    if (!m_programmeName)
        setProgrammeName(document.sourceName);
}

void WorkspaceStore::ingestProgramme(const QString& path, ProgrammeLoader::ImportDone done)
{
    m_programmes->import(path, [this, path, done = std::move(done)](const ImportResult& result) {
        if (result.document) {
            setProgramme(result.document);
            setProgrammeName(OrganizerFiles::lastComponent(path));
            persist();
        }
        if (done)
            done(result);
    });
}

void WorkspaceStore::persistProgrammeIndex(const ProgrammeDocument& document)
{
    m_programmes->storage().writeIndex(document);
}

void WorkspaceStore::removeProgrammeCopies()
{
    m_programmes->storage().removeCopies();
}

void WorkspaceStore::setProgramme(const std::optional<ProgrammeDocument>& programme)
{
    m_programme = programme;
    emit programmeChanged();
}

void WorkspaceStore::setProgrammeName(const std::optional<QString>& name)
{
    m_programmeName = name;
    emit programmeNameChanged();
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
