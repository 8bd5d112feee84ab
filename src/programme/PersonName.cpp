#include "programme/PersonName.h"

#include "library/AssignedNumber.h"
#include "platform/text/Regex.h"
#include "platform/text/Text.h"

namespace quavel::PersonName {

namespace {

QString joined(const QStringList& words, qsizetype from, qsizetype to)
{
    return words.mid(from, to - from).join(u' ');
}

bool isParticle(QStringView word)
{
    QString k = key(word);
    while (!k.isEmpty() && (k.front() == u'\'' || k.front() == u'\u2019'))
        k.remove(0, 1);
    while (!k.isEmpty() && (k.back() == u'\'' || k.back() == u'\u2019'))
        k.chop(1);
    return familyParticles().contains(k);
}

bool holdsNumber(const QString& cellText)
{
    for (char32_t c : text::codePoints(cellText))
        if (QChar::isDigit(c))
            return true;
    return false;
}

} // namespace

const QStringList& familyParticles()
{
    static const QStringList particles { "de", "du", "des", "d", "la", "le", "les", "van", "von", "der",
        "den", "ten", "ter", "di", "da", "del", "della", "dello", "dei", "st", "ste", "saint", "sainte", "mc",
        "mac" };
    return particles;
}

const QSet<QString>& compoundGivenSeconds()
{
    static const QSet<QString> seconds { "pierre", "marie", "paul", "louis", "anne", "claude", "francois",
        "jacques", "charles", "andre", "luc", "yves", "michel", "philippe", "baptiste", "noel", "lise",
        "laure", "eline" };
    return seconds;
}

const QSet<QString>& listingCompoundGivens()
{
    static const QSet<QString> givens { "jean marc", "jean paul", "jean luc", "jean pierre", "jean charles",
        "jean claude", "jean francois", "jean yves", "jean noel", "jean baptiste", "jean renaud",
        "jean xavier", "pierre louis", "marie pierre", "marie claire", "marie laure", "lisa marie",
        "anne sophie", "anne laure", "lou ann" };
    return givens;
}

QStringList words(QStringView text)
{
    QStringList out;
    qsizetype start = -1;
    const QList<char32_t> points = text::codePoints(text);
    qsizetype offset = 0;
    for (char32_t c : points) {
        const qsizetype width = c > 0xFFFF ? 2 : 1;
        if (text::isWhitespaceOrNewline(c)) {
            if (start >= 0)
                out.append(text.mid(start, offset - start).toString());
            start = -1;
        } else if (start < 0) {
            start = offset;
        }
        offset += width;
    }
    if (start >= 0)
        out.append(text.mid(start).toString());
    return out;
}

QString key(QStringView word)
{
    return text::folded(word);
}

bool isFamilyToken(QStringView word)
{
    int letters = 0;
    for (char32_t c : text::codePoints(word))
        if (text::isLetter(c))
            ++letters;
    if (letters < 2)
        return false;
    // Compared on the folded word, so that capitals with accents ("LEFÈVRE") count as capitals.
    const QString plain = text::foldDiacritics(word);
    return plain == text::upperFrench(plain);
}

Split splitFamilyAndGiven(QStringView text)
{
    const QStringList w = words(text);
    if (w.size() < 2)
        return { QString(), text::trimWhitespaceAndNewlines(text) };
    qsizetype familyEnd = 0;
    while (familyEnd < w.size() && isParticle(w[familyEnd]))
        ++familyEnd;
    if (familyEnd < w.size())
        ++familyEnd;
    const qsizetype remaining = w.size() - familyEnd;
    QString given;
    if (remaining > 2) {
        given = w[familyEnd];
        if (compoundGivenSeconds().contains(key(w[familyEnd + 1])))
            given += u' ' + w[familyEnd + 1];
    } else {
        given = joined(w, familyEnd, w.size());
    }
    return { given, joined(w, 0, familyEnd) };
}

Split splitListingRider(QStringView text)
{
    const QStringList w = words(text);
    if (w.size() < 2)
        return { QString(), text::trimWhitespaceAndNewlines(text) };
    if (w.size() == 2)
        return { w[1], w[0] };
    const qsizetype n = w.size();
    const bool compound = listingCompoundGivens().contains(key(w[n - 2] + u' ' + w[n - 1]));
    const qsizetype givenStart = compound ? n - 2 : n - 1;
    return { joined(w, givenStart, n), joined(w, 0, givenStart) };
}

Split splitWebsiteRider(QStringView text)
{
    const QString trimmedText = text::trimWhitespaceAndNewlines(text);
    const QStringList w = words(trimmedText);
    if (w.size() < 2)
        return { QString(), trimmedText };
    QList<bool> tokens;
    for (const QString& word : w)
        tokens.append(isFamilyToken(word));
    if (tokens.front() && tokens.indexOf(false) > 0)
        return splitListingRider(trimmedText);
    const qsizetype firstToken = tokens.indexOf(true);
    if (firstToken > 0)
        return { joined(w, 0, firstToken), joined(w, firstToken, w.size()) };
    return { joined(w, 0, w.size() - 1), w.back() };
}

std::optional<QStringList> columnCells(QStringView line)
{
    const QString text = text::trimWhitespaceAndNewlines(line);
    if (text.contains(u'\t')) {
        QStringList cells;
        for (const QString& piece : text.split(u'\t'))
            cells.append(text::trimWhitespace(piece));
        return cells;
    }
    static const Regex runs(QStringLiteral("\\s{2,}"));
    QStringList cells;
    for (const QString& piece : runs.replaceAll(text, QStringLiteral("\t")).split(u'\t')) {
        const QString c = text::trimWhitespace(piece);
        if (!c.isEmpty())
            cells.append(c);
    }
    if (cells.size() < 3)
        return std::nullopt;
    return cells;
}

QString cell(const QStringList& row, std::optional<qsizetype> column)
{
    if (!column || *column < 0 || *column >= row.size())
        return QString();
    return text::trimWhitespaceAndNewlines(row[*column]);
}

std::optional<ImportedPerson> person(const QStringList& row, qsizetype numberIndex,
    std::optional<qsizetype> lastIndex, std::optional<qsizetype> firstIndex,
    std::optional<qsizetype> fullIndex, qint64 sourceLine)
{
    if (row.isEmpty())
        return std::nullopt;
    qsizetype n = std::min(row.size() - 1, std::max<qsizetype>(numberIndex, 0));
    if (holdsNumber(cell(row, n)) && n + 1 < row.size() && holdsNumber(cell(row, n + 1)))
        ++n;
    const QString numberCell = cell(row, n);
    if (!holdsNumber(numberCell))
        return std::nullopt;
    const std::optional<QString> number = AssignedNumber::canonical(numberCell);
    if (!number || number->isEmpty())
        return std::nullopt;

    QString name;
    QString second;
    if (fullIndex && *fullIndex < row.size() && !cell(row, fullIndex).isEmpty()) {
        name = cell(row, fullIndex);
    } else if (lastIndex || firstIndex) {
        name = cell(row, lastIndex);
        second = cell(row, firstIndex);
    } else {
        name = cell(row, n + 1);
        second = cell(row, n + 2);
    }
    const Split split = splitFamilyAndGiven(name);
    ImportedPerson p;
    p.canonicalNumber = *number;
    p.firstName = !split.first.isEmpty() ? split.first : second;
    p.lastName = (!split.first.isEmpty() || !split.last.isEmpty()) ? split.last : name;
    p.sourceLine = sourceLine;
    if (p.firstName.isEmpty() && p.lastName.isEmpty())
        return std::nullopt;
    return p;
}

} // namespace quavel::PersonName
