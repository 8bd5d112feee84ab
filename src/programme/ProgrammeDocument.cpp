#include "programme/ProgrammeDocument.h"

#include "library/QuavelJSON.h"

namespace quavel {

using namespace QuavelJSON;

namespace {

template <typename Record> Json arrayOf(const QList<Record>& records)
{
    Json array = Json::array();
    for (const Record& r : records)
        array.push_back(r.toJson());
    return array;
}

template <typename Record> QList<Record> listOf(const Json& object, const char* key)
{
    const Json& array = readArray(object, key);
    QList<Record> out;
    out.reserve(qsizetype(array.size()));
    for (const Json& item : array)
        out.append(Record::fromJson(asObject(item)));
    return out;
}

} // namespace

Json ImportedPerson::toJson() const
{
    return Json { { "canonicalNumber", fromString(canonicalNumber) }, { "firstName", fromString(firstName) },
        { "lastName", fromString(lastName) }, { "sourceLine", sourceLine } };
}

ImportedPerson ImportedPerson::fromJson(const Json& json)
{
    asObject(json);
    ImportedPerson p;
    p.canonicalNumber = readString(json, "canonicalNumber");
    p.firstName = readString(json, "firstName");
    p.lastName = readString(json, "lastName");
    p.sourceLine = readInt64(json, "sourceLine");
    return p;
}

Json ProgrammeEvent::toJson() const
{
    return Json { { "id", fromString(id) }, { "title", fromString(title) }, { "people", arrayOf(people) } };
}

ProgrammeEvent ProgrammeEvent::fromJson(const Json& json)
{
    asObject(json);
    ProgrammeEvent e;
    e.id = readString(json, "id");
    e.title = readString(json, "title");
    e.people = listOf<ImportedPerson>(json, "people");
    return e;
}

Json ProgrammeDay::toJson() const
{
    return Json { { "name", fromString(name) }, { "events", arrayOf(events) } };
}

ProgrammeDay ProgrammeDay::fromJson(const Json& json)
{
    asObject(json);
    ProgrammeDay d;
    d.name = readString(json, "name");
    d.events = listOf<ProgrammeEvent>(json, "events");
    return d;
}

Json ProgrammeDocument::toJson() const
{
    return Json { { "sourceName", fromString(sourceName) }, { "days", arrayOf(days) } };
}

ProgrammeDocument ProgrammeDocument::fromJson(const Json& json)
{
    asObject(json);
    ProgrammeDocument doc;
    doc.sourceName = readString(json, "sourceName");
    doc.days = listOf<ProgrammeDay>(json, "days");
    return doc;
}

QByteArray ProgrammeDocument::encoded() const
{
    return encode(toJson());
}

ProgrammeDocument ProgrammeDocument::decode(const QByteArray& bytes)
{
    return fromJson(parse(bytes));
}

size_t qHash(const ImportedPerson& p, size_t seed)
{
    return qHashMulti(seed, p.canonicalNumber, p.firstName, p.lastName, p.sourceLine);
}

size_t qHash(const ProgrammeEvent& e, size_t seed)
{
    return qHashMulti(seed, e.id, e.title, qHashRange(e.people.begin(), e.people.end()));
}

size_t qHash(const ProgrammeDay& d, size_t seed)
{
    return qHashMulti(seed, d.name, qHashRange(d.events.begin(), d.events.end()));
}

} // namespace quavel
