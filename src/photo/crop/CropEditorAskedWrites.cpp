#include "photo/crop/CropEditorAskedWrites.h"

#include "platform/files/PathKey.h"

namespace quavel {

void CropEditorAskedWrites::beginLoad()
{
    m_writtenLook.reset();
    m_askedSinceLoad = false;
}

void CropEditorAskedWrites::opened(const PhotoEditJournal& journal, bool withoutJournal)
{
    m_journalAsked = journal;
    m_openedJournal = withoutJournal ? std::optional(journal) : std::nullopt;
}

void CropEditorAskedWrites::endSession()
{
    m_journalAsked.reset();
    m_openedJournal.reset();
    m_writtenLook.reset();
}

bool CropEditorAskedWrites::untouched(const PhotoEditJournal& journal) const
{
    return !m_askedSinceLoad && m_openedJournal && *m_openedJournal == journal;
}

void CropEditorAskedWrites::join(const QString& photo, int generation)
{
    const auto asked = m_askedWrites.find(PathKey::of(photo));
    if (asked != m_askedWrites.end())
        asked->generation = generation;
}

void CropEditorAskedWrites::askLook(const Look& look, const PhotoEditJournal& journal)
{
    m_writtenLook = look;
    m_journalAsked = journal;
    m_askedSinceLoad = true;
}

int CropEditorAskedWrites::askWrite(const QString& photo, int generation)
{
    const int id = ++m_writeCount;
    m_askedWrites.insert(PathKey::of(photo), AskedWrite { id, generation });
    return id;
}

CropEditorAskedWrites::Outcome CropEditorAskedWrites::finished(const QString& photo, int id, int generation)
{
    const auto asked = m_askedWrites.find(PathKey::of(photo));
    if (asked == m_askedWrites.end() || asked->id != id)
        return Outcome { false, generation };
    const Outcome outcome { true, asked->generation };
    m_askedWrites.erase(asked);
    return outcome;
}

void CropEditorAskedWrites::forgetAsked()
{
    m_writtenLook.reset();
    m_journalAsked.reset();
}

int CropEditorAskedWrites::askJournal(const PhotoEditJournal& journal)
{
    if (m_journalAsked == journal)
        return 0;
    m_journalAsked = journal;
    m_askedSinceLoad = true;
    m_journalWrite = ++m_writeCount;
    return m_journalWrite;
}

bool CropEditorAskedWrites::journalFailed(int id)
{
    if (id != m_journalWrite)
        return false;
    m_journalAsked.reset();
    return true;
}

void CropEditorAskedWrites::endRestore(const QString& photo)
{
    if (isRestoring(photo))
        m_restoring.reset();
}

bool CropEditorAskedWrites::isRestoring(const QString& photo) const
{
    return m_restoring && PathKey::same(*m_restoring, photo);
}

} // namespace quavel
