#include "programme/PersonName.h"

#include "library/AssignedNumber.h"
#include "platform/text/Regex.h"
#include "platform/text/Text.h"
#include "programme/SheetRow.h"

#include <QVarLengthArray>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace quavel::PersonName {

namespace {

QString joined(const QStringList& words, qsizetype from, qsizetype to)
{
    return words.mid(from, to - from).join(u' ');
}

// The words of a text as (start, end) positions in it.
using WordSpans = QVarLengthArray<std::pair<qsizetype, qsizetype>, 8>;

// Words [from, to) joined with one blank: the text itself when it already writes them so.
QString joined(QStringView text, const WordSpans& words, qsizetype from, qsizetype to)
{
    if (from >= to)
        return QString();
    const qsizetype start = words[from].first;
    const qsizetype end = words[to - 1].second;
    bool singleBlanks = true;
    for (qsizetype i = from; singleBlanks && i + 1 < to; ++i)
        singleBlanks = words[i + 1].first == words[i].second + 1 && text[words[i].second] == u' ';
    if (singleBlanks)
        return text.sliced(start, end - start).toString();
    QString out;
    out.reserve(end - start);
    for (qsizetype i = from; i < to; ++i) {
        if (i > from)
            out.append(u' ');
        out.append(text.sliced(words[i].first, words[i].second - words[i].first));
    }
    return out;
}

bool isAscii(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

bool isParticle(QStringView word)
{
    // An ASCII word's key is its lower case: compared in place, without building the key.
    if (isAscii(word)) {
        while (!word.isEmpty() && word.front() == u'\'')
            word = word.sliced(1);
        while (!word.isEmpty() && word.back() == u'\'')
            word.chop(1);
        static const std::vector<std::string> particles = [] {
            std::vector<std::string> out;
            for (const QString& particle : familyParticles())
                out.push_back(particle.toStdString());
            return out;
        }();
        char lower[8];
        if (word.size() > qsizetype(sizeof lower))
            return false; // longer than any particle
        for (qsizetype i = 0; i < word.size(); ++i)
            lower[i] = char(QChar::toLower(word[i].unicode()));
        const std::string_view key(lower, size_t(word.size()));
        return std::find(particles.begin(), particles.end(), key) != particles.end();
    }
    QString k = key(word);
    while (!k.isEmpty() && (k.front() == u'\'' || k.front() == u'\u2019'))
        k.remove(0, 1);
    while (!k.isEmpty() && (k.back() == u'\'' || k.back() == u'\u2019'))
        k.chop(1);
    return familyParticles().contains(k);
}

// White space and line ends are all in the basic plane, and no surrogate is either: the text can be
// walked by code units.
bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u == u' ' || (u >= 0x09 && u <= 0x0D);
    return text::isWhitespaceOrNewline(u);
}

WordSpans wordSpans(QStringView text)
{
    WordSpans out;
    qsizetype start = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isBlank(text[i])) {
            if (start >= 0)
                out.append({ start, i });
            start = -1;
        } else if (start < 0) {
            start = i;
        }
    }
    if (start >= 0)
        out.append({ start, text.size() });
    return out;
}

QStringView trimmedView(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The trimmed text, sharing the cell's data when there is nothing to trim.
QString trimmedText(const QString& text)
{
    const QStringView view = trimmedView(text);
    return view.size() == text.size() ? text : view.toString();
}

bool holdsNumber(QStringView cellText)
{
    for (qsizetype i = 0; i < cellText.size(); ++i) {
        const QChar c = cellText[i];
        if (c.unicode() < 0x80) {
            if (c >= u'0' && c <= u'9')
                return true;
        } else if (c.isHighSurrogate() && i + 1 < cellText.size() && cellText[i + 1].isLowSurrogate()) {
            if (QChar::isDigit(QChar::surrogateToUcs4(c, cellText[++i])))
                return true;
        } else if (c.isDigit()) {
            return true;
        }
    }
    return false;
}

// The canonical bib of a number cell. A cell of plain ASCII digits reads as its integer, which is what
// the general rule gives it; the cell itself is kept when it is already written that way.
std::optional<QString> canonicalNumber(const QString& cellText)
{
    const QStringView digits = trimmedView(cellText);
    bool plain = !digits.isEmpty() && digits.size() <= 18;
    for (qsizetype i = 0; plain && i < digits.size(); ++i)
        plain = digits[i] >= u'0' && digits[i] <= u'9';
    if (!plain)
        return AssignedNumber::canonical(cellText);
    if (digits.size() == cellText.size() && (digits.size() == 1 || digits.front() != u'0'))
        return cellText;
    return QString::number(digits.toLongLong());
}

// Whether the text holds two words or more.
bool hasSeveralWords(QStringView text)
{
    qsizetype words = 0;
    bool inWord = false;
    for (QChar c : text) {
        const bool blank = isBlank(c);
        if (!blank && !inWord && ++words > 1)
            return true;
        inWord = !blank;
    }
    return false;
}

template <class Row> QString cellOf(const Row& row, std::optional<qsizetype> column)
{
    if (!column || *column < 0 || *column >= row.size())
        return QString();
    return trimmedText(row[*column]);
}

// The row reader of both kinds of row: lists of texts, and worksheet rows whose cells are decoded as
// they are read.
template <class Row>
std::optional<ImportedPerson> personOf(const Row& row, qsizetype numberIndex,
    std::optional<qsizetype> lastIndex, std::optional<qsizetype> firstIndex,
    std::optional<qsizetype> fullIndex, qint64 sourceLine)
{
    if (row.isEmpty())
        return std::nullopt;
    // Trimming removes white space only, so a cell holds a number exactly when its trimmed text does.
    qsizetype n = std::min(row.size() - 1, std::max<qsizetype>(numberIndex, 0));
    if (!holdsNumber(row[n]))
        return std::nullopt;
    if (n + 1 < row.size() && holdsNumber(row[n + 1]))
        ++n; // a start order followed by the bib
    std::optional<QString> number = canonicalNumber(row[n]);
    if (!number || number->isEmpty())
        return std::nullopt;

    QString name;
    QString second;
    if (fullIndex && *fullIndex < row.size() && !(name = cellOf(row, fullIndex)).isEmpty()) {
        // the whole name is in its own column
    } else if (lastIndex || firstIndex) {
        name = cellOf(row, lastIndex);
        second = cellOf(row, firstIndex);
    } else {
        name = cellOf(row, n + 1);
        second = cellOf(row, n + 2);
    }
    // A name of one word is all family name; the cell is trimmed already.
    Split split = hasSeveralWords(name) ? splitFamilyAndGiven(name) : Split { QString(), name };
    ImportedPerson p;
    p.canonicalNumber = std::move(*number);
    const bool named = !split.first.isEmpty() || !split.last.isEmpty();
    p.firstName = !split.first.isEmpty() ? std::move(split.first) : std::move(second);
    p.lastName = named ? std::move(split.last) : std::move(name);
    p.sourceLine = sourceLine;
    if (p.firstName.isEmpty() && p.lastName.isEmpty())
        return std::nullopt;
    return p;
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
    for (const auto& [start, end] : wordSpans(text))
        out.append(text.sliced(start, end - start).toString());
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
    const WordSpans w = wordSpans(text);
    if (w.size() < 2)
        return { QString(), text::trimWhitespaceAndNewlines(text) };
    const auto word = [&](qsizetype i) { return text.sliced(w[i].first, w[i].second - w[i].first); };
    qsizetype familyEnd = 0;
    while (familyEnd < w.size() && isParticle(word(familyEnd)))
        ++familyEnd;
    if (familyEnd < w.size())
        ++familyEnd;
    const qsizetype remaining = w.size() - familyEnd;
    QString given;
    if (remaining > 2) {
        given = word(familyEnd).toString();
        if (compoundGivenSeconds().contains(key(word(familyEnd + 1))))
            given.append(u' ').append(word(familyEnd + 1));
    } else {
        given = joined(text, w, familyEnd, w.size());
    }
    return { given, joined(text, w, 0, familyEnd) };
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
    return cellOf(row, column);
}

std::optional<ImportedPerson> person(const QStringList& row, qsizetype numberIndex,
    std::optional<qsizetype> lastIndex, std::optional<qsizetype> firstIndex,
    std::optional<qsizetype> fullIndex, qint64 sourceLine)
{
    return personOf(row, numberIndex, lastIndex, firstIndex, fullIndex, sourceLine);
}

std::optional<ImportedPerson> person(const SheetRow& row, qsizetype numberIndex,
    std::optional<qsizetype> lastIndex, std::optional<qsizetype> firstIndex,
    std::optional<qsizetype> fullIndex, qint64 sourceLine)
{
    return personOf(row, numberIndex, lastIndex, firstIndex, fullIndex, sourceLine);
}

} // namespace quavel::PersonName
