// Any bytes as an edit journal, read as the journal reader reads it (the shared JSON parse, then the
// journal's decoder). A journal either does not decode (a DecodingError: the photo then has the default
// journal) or reads back equal once written and is written again to the same bytes; pushing a state onto
// any journal read keeps the last 80 with the pushed one last.
#include "FuzzChecks.h"
#include "library/QuavelJSON.h"
#include "photo/originals/PhotoEditJournal.h"

#include <algorithm>
#include <cstdint>

using namespace quavel;
using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    PhotoEditJournal journal;
    try {
        journal = PhotoEditJournal::fromJson(QuavelJSON::parse(bytes));
    } catch (const QuavelJSON::DecodingError& e) {
        check(!e.message().isEmpty(), "a refusal says why");
        return 0;
    }

    const QByteArray text = QuavelJSON::encode(journal.toJson());
    const PhotoEditJournal again = PhotoEditJournal::fromJson(QuavelJSON::parse(text));
    check(again == journal, "a written journal reads back equal");
    check(QuavelJSON::encode(again.toJson()) == text, "a journal read back is written to the same bytes");

    const qsizetype before = journal.history.size();
    const CropEditState pushed = journal.current;
    journal.pushHistory(pushed);
    check(journal.history.size() == std::min<qsizetype>(before + 1, PhotoEditJournal::historyLimit),
        "a push keeps at most the history limit");
    check(journal.history.last() == pushed, "the pushed state is the newest");
    return 0;
}
