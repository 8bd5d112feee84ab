#include "workspace/ProgrammeHoldingStore.h"

#include "platform/files/Bookmark.h"
#include "platform/files/PathKey.h"
#include "workspace/OrganizerFiles.h"

#include <QTimer>

namespace quavel {

ProgrammeHoldingStore::ProgrammeHoldingStore(
    const QString& folder, const QString& settingsName, ProgrammeParser parser, QObject* parent)
    : QObject(parent)
    , m_programmes(new ProgrammeLoader(folder, std::move(parser), this))
    , m_settings(folder + u'/' + settingsName)
{
    connect(
        m_programmes, &ProgrammeLoader::stateChanged, this, &ProgrammeHoldingStore::programmeLoadingChanged);
}

void ProgrammeHoldingStore::setProgramme(const std::optional<ProgrammeDocument>& programme)
{
    m_programme = programme;
    emit programmeChanged();
}

void ProgrammeHoldingStore::setProgrammeName(const std::optional<QString>& name)
{
    m_programmeName = name;
    emit programmeNameChanged();
}

void ProgrammeHoldingStore::loadProgrammeFromDisk()
{
    if (m_loadPending)
        return;
    m_loadPending = true;
    m_programmes->load(
        [this](const ProgrammeDocument& document) {
            setProgramme(document);
            // A name read from the settings file wins.
            if (!m_programmeName)
                setProgrammeName(document.sourceName);
        },
        [this] { m_loadPending = false; });
}

void ProgrammeHoldingStore::ingestProgramme(const QString& path, ProgrammeLoader::ImportDone done)
{
    m_programmes->import(
        path, [this, path, done = std::move(done)](const ProgrammeLoader::ImportResult& result) {
            if (result.document) {
                setProgramme(result.document);
                setProgrammeName(OrganizerFiles::lastComponent(path));
                persist();
            }
            if (done)
                done(result);
        });
}

void ProgrammeHoldingStore::persistProgrammeIndex(const ProgrammeDocument& document)
{
    m_programmes->storage().writeIndex(document);
}

void ProgrammeHoldingStore::removeProgrammeCopies()
{
    m_programmes->storage().removeCopies();
}

std::optional<QString> ProgrammeHoldingStore::resolve(const std::optional<QByteArray>& bookmark)
{
    if (!bookmark)
        return std::nullopt;
    const auto resolved = Bookmark::resolve(*bookmark);
    if (!resolved)
        return std::nullopt;
    retainAccess(resolved->path);
    if (resolved->isStale) {
        const QByteArray stale = *bookmark;
        const QString path = resolved->path;
        QTimer::singleShot(0, this, [this, stale, path] { refreshStaleBookmark(stale, path); });
    }
    return resolved->path;
}

void ProgrammeHoldingStore::retainAccess(const QString& folder)
{
    const QString key = PathKey::of(folder);
    if (m_accessedPathSet.contains(key))
        return;
    m_accessedPathSet.insert(key);
    m_accessedPaths.append(key);
}

void ProgrammeHoldingStore::readSettings(const std::function<bool(const QByteArray&)>& decode)
{
    m_settings.read(decode);
}

void ProgrammeHoldingStore::writeSettings(const QByteArray& bytes)
{
    m_settings.write(bytes);
}

} // namespace quavel
