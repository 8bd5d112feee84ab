#include "programme/ExcelProgrammeParser.h"

#include "platform/text/Text.h"

#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

namespace quavel::ExcelProgrammeParser {

namespace {

qint64 integerValue(const QString& number)
{
    // Up to 18 ASCII digits, as bibs are, cannot overflow: read in place. Anything else (full-width
    // digits included) stops the loop before it touches the value, and goes to the general reader.
    if (!number.isEmpty() && number.size() <= 18) {
        qint64 value = 0;
        bool digits = true;
        for (const QChar c : number) {
            if (c < u'0' || c > u'9') {
                digits = false;
                break;
            }
            value = value * 10 + (c.unicode() - u'0');
        }
        if (digits)
            return value;
    }
    return text::parseInt64(number).value_or(0);
}

} // namespace

QList<ImportedPerson> uniquePeople(QList<ImportedPerson> people)
{
    // (value, position) of every rider: sorting the pairs is stable by construction and computes each
    // value once. Riders of one bib have the same value, so they end up side by side in reading order,
    // and the first of each bib within its run of equal values is the one kept.
    std::vector<std::pair<qint64, qsizetype>> keys;
    keys.reserve(size_t(people.size()));
    for (qsizetype i = 0; i < people.size(); ++i)
        keys.emplace_back(integerValue(people[i].canonicalNumber), i);
    if (!std::is_sorted(keys.begin(), keys.end())) {
        std::sort(keys.begin(), keys.end());
    } else if (std::adjacent_find(
                   keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first == b.first; })
        == keys.end()) {
        return people; // already in order, one rider a bib
    }
    // A list of the caller's own (passed as a temporary) gives its riders up instead of copying them.
    const bool own = people.isDetached();
    const auto take = [&](qsizetype i) -> ImportedPerson {
        if (own)
            return std::move(people[i]);
        return std::as_const(people)[i];
    };
    QList<ImportedPerson> out;
    out.reserve(people.size());
    for (auto run = keys.begin(); run != keys.end();) {
        const auto runEnd
            = std::find_if(run, keys.end(), [&](const auto& key) { return key.first != run->first; });
        if (runEnd - run == 1) {
            out.append(take(run->second));
        } else {
            QSet<QString> seen;
            for (auto key = run; key != runEnd; ++key) {
                const qsizetype before = seen.size();
                seen.insert(std::as_const(people)[key->second].canonicalNumber);
                if (seen.size() != before)
                    out.append(take(key->second));
            }
        }
        run = runEnd;
    }
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
