#pragma once

#include "photo/originals/CropEditState.h"
#include "photo/originals/PhotoEditJournal.h"

#include <QHash>
#include <QString>

#include <optional>

namespace quavel {

// What the crop editor has asked to be written: the look and the journal of the loaded photo it last
// asked for, the last write it asked for of each photo (so that a write's outcome is told once, by the
// last one, for every request that joined it), and the photo whose original is being put back. The model
// asks before each write and tells each outcome; this part decides what a request still needs.
//
// GUI thread only (the model's); no Qt object, no signal: nothing here is observed.
class CropEditorAskedWrites
{
public:
    // The look a write would give the loaded photo, compared with the one last asked to be written.
    struct Look
    {
        QString photo;
        CropEditState state;
        std::optional<CropEditState> baked;
        std::optional<QString> watermark;
        bool operator==(const Look& other) const = default;
    };

    // What a finished write stands for: last when no newer write of the photo was asked for since, and
    // the persistence request it answers (the last request that joined it, when last).
    struct Outcome
    {
        bool last = false;
        int standsFor = 0;
    };

    // A photo is being loaded: nothing asked for it yet.
    void beginLoad();
    // The loaded photo's journal as the editor opened it. withoutJournal: the photo had none, so that a
    // close that finds the same journal and nothing asked writes nothing (a photo nobody edited keeps no
    // original and no journal; one with a journal has its look written again at close, which makes good a
    // write of it that failed earlier).
    void opened(const PhotoEditJournal& journal, bool withoutJournal);
    // The session ended: nothing asked for a loaded photo any more (the writes in flight keep their
    // bookkeeping, so that their outcome still reaches the photo they wrote).
    void endSession();

    // Nothing asked since the load of a photo that had no journal, which is still the one it opened with.
    bool untouched(const PhotoEditJournal& journal) const;
    // The look was the last one asked to be written.
    bool asked(const Look& look) const { return m_writtenLook == look; }
    // The journal was the last one asked to be written (or read when the photo was loaded).
    bool asked(const PhotoEditJournal& journal) const { return m_journalAsked == journal; }

    // A persistence request found its look already asked for: it joins the last write of that photo,
    // whose outcome becomes the request's own.
    void join(const QString& photo, int generation);
    // The look, with its journal, is about to be written (the journal in the write's turn).
    void askLook(const Look& look, const PhotoEditJournal& journal);
    // A write of the photo for the persistence request generation: its id.
    int askWrite(const QString& photo, int generation);
    // The write id of the photo has ended, asked for under generation.
    Outcome finished(const QString& photo, int id, int generation);
    // The last write of the photo shown failed: the journal and the photo no longer hold the look, and
    // the next request (a close included) writes it again.
    void forgetAsked();

    // A write of the journal alone: its id, or 0 when that journal was the last one asked for (nothing to
    // write).
    int askJournal(const PhotoEditJournal& journal);
    // The journal write id failed: true when it was the last journal asked for alone (its failure is
    // shown, and the next commit asks again).
    bool journalFailed(int id);

    // The original of the photo is being put back: no write of its old look may follow the restore.
    void startRestore(const QString& photo) { m_restoring = photo; }
    void endRestore(const QString& photo);
    bool isRestoring(const QString& photo) const;

private:
    struct AskedWrite
    {
        int id = 0;
        int generation = 0;
    };

    // The look of the last write asked for since the photo was loaded; the failure of that write forgets
    // it, whatever was asked for since. The same look is not asked for again: the photo may have been
    // rewritten since by a batch edit, which the same look written again from the session copy undoes.
    std::optional<Look> m_writtenLook;
    // The journal of the loaded photo last asked to be written (or read when it was loaded).
    std::optional<PhotoEditJournal> m_journalAsked;
    // For a photo loaded without a journal, the editor's journal as it was loaded; and whether anything
    // was asked to be written since.
    std::optional<PhotoEditJournal> m_openedJournal;
    bool m_askedSinceLoad = false;
    // Per photo (by its key), the last write asked for and the persistence request it stands for.
    QHash<QString, AskedWrite> m_askedWrites;
    int m_writeCount = 0;
    // The last journal write asked for alone: only its failure is shown.
    int m_journalWrite = 0;
    std::optional<QString> m_restoring;
};

} // namespace quavel
