// Any bytes as each JSON document the application reads from outside: the library, a transfer file,
// the sidebar state, a programme index, the favourites file, the user defaults and a stream of sync
// frames. Nothing may crash or overflow the stack, at reading nor at the next write of what was read.
// The first byte picks the reader.
#include "library/LibrarySnapshot.h"
#include "library/PersistedUIState.h"
#include "library/QuavelJSON.h"
#include "library/QuavelTransferPackage.h"
#include "library/SyncEnvelope.h"
#include "platform/UserDefaults.h"
#include "programme/ProgrammeDocument.h"
#include "programme/ProgrammeFavorites.h"
#include "sync/SyncFrames.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

using namespace quavel;

namespace {

// A folder of this process on a memory file system: the readers that write back do so there.
const QString& scratch()
{
    static const QString folder = [] {
        const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QString path = base + QStringLiteral("/quavel-fuzz-json-%1").arg(::getpid());
        QDir().mkpath(path + QStringLiteral("/data"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path + QStringLiteral("/data")));
        return path;
    }();
    return folder;
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

void emptyScratch()
{
    QDir(scratch()).removeRecursively();
    QDir().mkpath(scratch() + QStringLiteral("/data"));
}

template <typename Decode> void decodeAndEncode(const QByteArray& bytes, Decode decode)
{
    try {
        const auto value = decode(QuavelJSON::parse(bytes));
        QuavelJSON::encode(value.toJson());
    } catch (const Error&) {
        // DecodingError, EncodingError: the document is refused, as the stores refuse it.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > (size_t(1) << 20))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 7) {
    case 0:
        decodeAndEncode(bytes, &LibrarySnapshot::fromJson);
        try {
            // The library store's second attempt, with plain dates.
            QuavelJSON::PlainIso8601Dates plain;
            LibrarySnapshot::fromJson(QuavelJSON::parse(bytes)).encoded();
        } catch (const Error&) { }
        break;
    case 1:
        decodeAndEncode(bytes, &QuavelTransferPackage::fromJson);
        break;
    case 2:
        decodeAndEncode(bytes, &PersistedUIState::fromJson);
        break;
    case 3:
        try {
            ProgrammeDocument::decode(bytes).encoded();
        } catch (const Error&) { }
        break;
    case 4: {
        // Read, then written back with one more value (a deep file would overflow the writer).
        const QString path = scratch() + QStringLiteral("/defaults.json");
        put(path, bytes);
        UserDefaults defaults(path);
        defaults.string(QStringLiteral("quavel.appearance"));
        defaults.stringList(QStringLiteral("quavel.preferredPeerNames.mac.v2"));
        defaults.integer(QStringLiteral("k"));
        defaults.data(QStringLiteral("k"));
        defaults.setBoolean(QStringLiteral("quavel.fuzz"), true);
        emptyScratch();
        break;
    }
    case 5: {
        put(ProgrammeFavorites::filePath(), bytes);
        ProgrammeFavorites::save(ProgrammeFavorites::load());
        emptyScratch();
        break;
    }
    case 6: {
        // A receive buffer: as many frames as the bytes hold.
        QByteArray buffer = bytes;
        SyncFrames::drain(buffer, [](SyncEnvelope& envelope) {
            SyncFrames::encode(envelope);
            return true;
        });
        break;
    }
    }
    return 0;
}
