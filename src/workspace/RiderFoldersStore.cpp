#include "workspace/RiderFoldersStore.h"

#include "library/AppSupport.h"
#include "library/QuavelJSON.h"
#include "platform/files/Bookmark.h"
#include "platform/text/Text.h"
#include "workspace/OrganizerFiles.h"

#include <QDir>
#include <QHash>

#include <algorithm>
#include <vector>

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace quavel {

using namespace QuavelJSON;

namespace {

QString nfc(const QString& s)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return s;
    const icu::UnicodeString u(false, reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    if (normalizer->isNormalized(u, status) && U_SUCCESS(status))
        return s;
    status = U_ZERO_ERROR;
    const icu::UnicodeString out = normalizer->normalize(u, status);
    if (U_FAILURE(status))
        return s;
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

// A name part as the order compares it: trimmed, upper-cased as French, canonically composed.
QString sortKey(const QString& part)
{
    return nfc(text::upperFrench(text::trimWhitespaceAndNewlines(part)));
}

} // namespace

RiderFoldersStore::RiderFoldersStore(QObject* parent)
    : RiderFoldersStore(AppSupport::riderFoldersFolder(), {}, parent)
{ }

RiderFoldersStore::RiderFoldersStore(const QString& folder, ProgrammeParser parser, QObject* parent)
    : ProgrammeHoldingStore(folder, QStringLiteral("settings.json"), std::move(parser), parent)
{
    // Connected first, so that every other receiver of the change already gets the new riders.
    connect(this, &ProgrammeHoldingStore::programmeChanged, this, [this] { m_people.reset(); });
    load();
    loadProgrammeFromDisk();
}

void RiderFoldersStore::load()
{
    readSettings([this](const QByteArray& bytes) {
        const Json json = parse(bytes);
        asObject(json);
        auto name = readOptionalString(json, "programmeName");
        auto bookmark = readOptionalData(json, "destinationBookmark");
        auto destination = readOptionalString(json, "destinationName");
        setProgrammeName(name);
        m_destinationBookmark = bookmark;
        m_destinationName = destination;
        return true;
    });
}

void RiderFoldersStore::persist()
{
    Json o = Json::object();
    if (programmeName())
        o["programmeName"] = fromString(*programmeName());
    if (m_destinationBookmark)
        o["destinationBookmark"] = fromData(*m_destinationBookmark);
    if (m_destinationName)
        o["destinationName"] = fromString(*m_destinationName);
    writeSettings(encode(o));
}

void RiderFoldersStore::storeDestination(const QString& folder)
{
    retainAccess(folder);
    setDestinationBookmark(Bookmark::create(folder));
    setDestinationName(OrganizerFiles::lastComponent(QDir::cleanPath(folder)));
    persist();
}

void RiderFoldersStore::refreshStaleBookmark(const QByteArray&, const QString& folder)
{
    if (const auto fresh = Bookmark::create(folder)) {
        setDestinationBookmark(fresh);
        persist();
    }
}

void RiderFoldersStore::setDestinationBookmark(const std::optional<QByteArray>& bookmark)
{
    m_destinationBookmark = bookmark;
    emit destinationBookmarkChanged();
}

void RiderFoldersStore::setDestinationName(const std::optional<QString>& name)
{
    m_destinationName = name;
    emit destinationNameChanged();
}

QList<ImportedPerson> RiderFoldersStore::people() const
{
    if (!programme())
        return {};
    if (m_people)
        return *m_people;
    QHash<QString, qsizetype> seen;
    QList<ImportedPerson> riders;
    for (const ProgrammeDay& day : programme()->days)
        for (const ProgrammeEvent& event : day.events)
            for (const ImportedPerson& person : event.people) {
                const QString formatted = person.formattedName();
                const QString key = formatted.isEmpty() ? QStringLiteral("n:") + person.canonicalNumber
                                                        : person.folderName();
                if (seen.contains(key))
                    continue;
                seen.insert(key, riders.size());
                riders.append(person);
            }

    // Keys computed once: the collation sort keys of the parts give the file manager's order with a
    // byte comparison, ties going to the parts' code units as localizedStandardCompare does; the order
    // is total (last name, first name, bib), so sorting is well defined. A few microseconds a rider:
    // the screen lists programmes of tens of thousands of riders without stopping.
    struct Part
    {
        QString text;
        QByteArray key;

        explicit Part(QString t)
            : text(std::move(t))
            , key(text::localizedStandardSortKey(text))
        { }
        int compare(const Part& other) const
        {
            if (const int c = key.compare(other.key))
                return c;
            return text.compare(other.text);
        }
    };
    struct Keyed
    {
        Part last;
        Part first;
        Part bib;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(size_t(riders.size()));
    for (qsizetype i = 0; i < riders.size(); ++i)
        keyed.push_back(Keyed { Part(sortKey(riders[i].lastName)), Part(sortKey(riders[i].firstName)),
            Part(riders[i].canonicalNumber), i });
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (const int c = a.last.compare(b.last))
            return c < 0;
        if (const int c = a.first.compare(b.first))
            return c < 0;
        return a.bib.compare(b.bib) < 0;
    });
    QList<ImportedPerson> sorted;
    sorted.reserve(riders.size());
    for (const Keyed& k : keyed)
        sorted.append(riders[k.index]);
    m_people = sorted;
    return sorted;
}

QList<ImportedPerson> RiderFoldersStore::namedPeople() const
{
    QList<ImportedPerson> named;
    for (const ImportedPerson& person : people())
        if (!person.formattedName().isEmpty())
            named.append(person);
    return named;
}

} // namespace quavel
