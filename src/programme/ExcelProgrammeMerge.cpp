#include "programme/ExcelProgrammeParser.h"

#include "platform/text/Text.h"

#include <QSet>

#include <algorithm>

namespace quavel::ExcelProgrammeParser {

namespace {

qint64 integerValue(const QString& number)
{
    return text::parseInt64(number).value_or(0);
}

} // namespace

QList<ImportedPerson> uniquePeople(const QList<ImportedPerson>& people)
{
    QList<ImportedPerson> kept;
    QSet<QString> seen;
    for (const ImportedPerson& p : people) {
        if (seen.contains(p.canonicalNumber))
            continue;
        seen.insert(p.canonicalNumber);
        kept.append(p);
    }
    QList<std::pair<qint64, qsizetype>> keys;
    keys.reserve(kept.size());
    for (qsizetype i = 0; i < kept.size(); ++i)
        keys.append({ integerValue(kept[i].canonicalNumber), i });
    // Sorting (value, position) pairs is stable by construction and computes each value once.
    std::sort(keys.begin(), keys.end());
    QList<ImportedPerson> out;
    out.reserve(kept.size());
    for (const auto& key : keys)
        out.append(kept[key.second]);
    return out;
}

void merge(const QList<ProgrammeDay>& incoming, QList<ProgrammeDay>& accumulated)
{
    for (const ProgrammeDay& day : incoming) {
        auto target = std::find_if(accumulated.begin(), accumulated.end(),
            [&](const ProgrammeDay& d) { return d.name == day.name; });
        if (target == accumulated.end()) {
            accumulated.append(day);
            continue;
        }
        for (const ProgrammeEvent& event : day.events) {
            auto existing = std::find_if(target->events.begin(), target->events.end(),
                [&](const ProgrammeEvent& e) { return e.title == event.title; });
            if (existing == target->events.end()) {
                target->events.append(event);
                continue;
            }
            QList<ImportedPerson> people = existing->people;
            QSet<QString> numbers;
            for (const ImportedPerson& p : people)
                numbers.insert(p.canonicalNumber);
            for (const ImportedPerson& p : event.people) {
                if (numbers.contains(p.canonicalNumber))
                    continue;
                numbers.insert(p.canonicalNumber);
                people.append(p);
            }
            existing->people = uniquePeople(people);
        }
    }
}

} // namespace quavel::ExcelProgrammeParser
