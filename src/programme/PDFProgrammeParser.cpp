#include "programme/PDFProgrammeParser.h"

#include "programme/ExcelProgrammeParser.h"
#include "programme/ImportError.h"
#include "programme/PersonName.h"

#include "library/AssignedNumber.h"
#include "platform/pdf/PdfDocument.h"
#include "platform/text/Regex.h"
#include "platform/text/Text.h"

#include <QFileInfo>

#include <algorithm>

namespace quavel::PDFProgrammeParser {

namespace {

const Regex& riderShape()
{
    static const Regex r(QStringLiteral("^\\s*\\d{1,4}(\\s+\\d{1,4})?\\s+\\S+"));
    return r;
}

const Regex& bareHeight()
{
    static const Regex r(QStringLiteral("^\\(\\s*\\d+[.,]\\d+\\s*m?\\s*\\)$"));
    return r;
}

QString unifiedLineEnds(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    t.replace(QChar(0x00A0), u' ');
    return t;
}

QStringList trimmedPieces(const QString& text)
{
    QStringList pieces;
    for (const QString& piece : text.split(u'\n'))
        pieces.append(text::trimWhitespace(piece));
    return pieces;
}

QStringList withoutEmpty(QStringList lines)
{
    lines.removeIf([](const QString& l) { return l.isEmpty(); });
    return lines;
}

// The state of one assembly of lines into days.
struct Assembly
{
    QList<ProgrammeDay> days;
    QString currentDay = QStringLiteral("Programme");
    std::optional<QString> currentTitle;
    QList<ImportedPerson> pending;

    void flush()
    {
        if (!currentTitle)
            return;
        ProgrammeEvent event { eventIdentifier(days, currentDay, *currentTitle), *currentTitle,
            uniquePeople(pending) };
        auto day = std::find_if(
            days.begin(), days.end(), [&](const ProgrammeDay& d) { return d.name == currentDay; });
        if (day == days.end())
            days.append({ currentDay, { event } });
        else
            day->events.append(event);
        pending.clear();
    }
};

} // namespace

QString eventIdentifier(const QList<ProgrammeDay>& days, const QString& day, const QString& title)
{
    qsizetype count = 0;
    for (const ProgrammeDay& d : days)
        if (d.name == day) {
            count = std::count_if(
                d.events.begin(), d.events.end(), [&](const ProgrammeEvent& e) { return e.title == title; });
            break;
        }
    QString id = day + u'|' + title;
    if (count > 0)
        id += u'|' + QString::number(count + 1);
    return id;
}

QStringList normalizedLines(const QString& text)
{
    return withoutEmpty(trimmedPieces(unifiedLineEnds(text)));
}

QString singleBlanks(QStringView text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const char32_t c : text.toUcs4()) {
        if (c != U'\n' && text::isWhitespace(c)) {
            blank = true;
            continue;
        }
        if (blank)
            out += u' ';
        blank = false;
        out += QString::fromUcs4(&c, 1);
    }
    if (blank)
        out += u' ';
    return out;
}

QStringList pageLines(const QString& pageText)
{
    // A rider row keeps the runs of blanks between its columns: its cells are read at them.
    QStringList layout = unifiedLineEnds(pageText).split(u'\n');
    for (QString& line : layout)
        if (!riderShape().contains(line))
            line = singleBlanks(line);
    const QString text = layout.join(u'\n');
    QStringList pieces = trimmedPieces(text);
    if (pieces.size() < 3 && text::graphemeCount(text) > 80)
        pieces = splitRunOn(text);
    return withoutEmpty(pieces);
}

QStringList splitRunOn(const QString& text)
{
    QStringList lines;
    QString current;
    auto emitLine = [&] {
        const QString t = text::trimWhitespace(current);
        if (!t.isEmpty())
            lines.append(t);
    };
    auto append = [&](const QString& word) {
        if (current.isEmpty())
            current = word;
        else
            current += u' ' + word;
    };
    // Words are cut at blanks and tabs, and at the line ends between the text's few lines, which never
    // stay in a line, a title or an id. A word that names a day or reads as a class title starts a
    // line; so does a bib that ends a line of the text, with the word after it (a rider's name), as
    // the two read together as a rider line.
    QString spaced = text;
    spaced.replace(u'\t', u' ');
    const QStringList textLines = spaced.split(u'\n');
    QString previous;
    for (qsizetype l = 0; l < textLines.size(); ++l) {
        const QStringList words = textLines[l].split(u' ', Qt::SkipEmptyParts);
        for (qsizetype w = 0; w < words.size(); ++w) {
            const QString& word = words[w];
            if (w == 0 && l > 0 && !previous.isEmpty()
                && riderShape().contains(QString(previous + u'\n' + word))) {
                // The bib was the last word of the line before: the rider line starts with it.
                current.chop(previous.size());
                emitLine();
                current = previous + u' ' + word;
            } else if (dayName(word) || eventTitle(word)) {
                emitLine();
                current = word;
            } else {
                append(word);
            }
            previous = word;
        }
        if (words.isEmpty())
            previous.clear();
    }
    emitLine();
    return lines;
}

bool isSkippable(const QString& line)
{
    static const Regex timeOfDay(QStringLiteral("^\\d{1,2}\\s*[h:]\\s*\\d{2}"));
    static const QStringList headers { "cavalier", "cavaliere", "cheval", "dossard", "ordre", "club", "nom",
        "prenom", "n\u00b0", "liste de partants", "engagements", "nom du cavalier" };
    const QString f = text::folded(line);
    return f.startsWith(u"page ") || timeOfDay.contains(f) || f.startsWith(u"liste de depart")
        || headers.contains(f);
}

std::optional<QString> dayName(const QString& text)
{
    return ExcelProgrammeParser::dayName(text);
}

std::optional<QString> eventTitle(const QString& line)
{
    static const Regex heightInParentheses(QStringLiteral("\\(\\s*\\d+[.,]\\d+\\s*m?\\s*\\)"));
    static const Regex heightInMetres(QStringLiteral("\\d+[.,]\\d+\\s*m\\b"));
    if (riderShape().contains(line))
        return std::nullopt;
    const QString t = text::trimWhitespace(line);
    if (bareHeight().contains(t))
        return std::nullopt;
    const QString f = text::folded(t);
    const bool title = heightInParentheses.contains(t) || heightInMetres.contains(t) || f.contains(u"epreuve")
        || f.contains(u"preparatoire") || f.contains(u"grand prix");
    if (!title || text::graphemeCount(t) <= 2)
        return std::nullopt;
    return cleanEventTitle(t);
}

QString cleanEventTitle(const QString& title)
{
    static const Regex accented(QStringLiteral("(?i)^épreuve\\s*(n[°o]?\\s*)?\\d*\\s*[-–:.]?\\s*"));
    static const Regex plain(QStringLiteral("(?i)^epreuve\\s*(n[°o]?\\s*)?\\d*\\s*[-–:.]?\\s*"));
    QString t = title;
    if (const auto m = accented.match(t))
        t.remove(m->start(), m->end() - m->start());
    if (const auto m = plain.match(t))
        t.remove(m->start(), m->end() - m->start());
    t = text::trimmed(t, [](char32_t c) { return c == U'-' || c == U'\u2013' || c == U':' || c == U' '; });
    return text::trimWhitespace(t);
}

std::optional<ImportedPerson> rider(const QString& line)
{
    static const Regex startAndBib(QStringLiteral("^\\s*(\\d{1,4})\\s+(\\d{1,4})\\s+(.+)$"));
    static const Regex bibOnly(QStringLiteral("^\\s*(\\d{1,4})\\s+(.+)$"));
    const QString t = text::trimWhitespace(line);
    if (isSkippable(t))
        return std::nullopt;
    QString bib, body;
    if (const auto m = startAndBib.match(t)) {
        bib = m->captured(2);
        body = m->captured(3);
    } else if (const auto m = bibOnly.match(t)) {
        bib = m->captured(1);
        body = m->captured(2);
    } else {
        return std::nullopt;
    }
    const std::optional<QString> number = AssignedNumber::canonical(bib);
    if (!number)
        return std::nullopt;
    if (const auto cells = PersonName::columnCells(t))
        if (auto person = PersonName::person(*cells, 0, std::nullopt, std::nullopt, std::nullopt, 0))
            return person;
    const QString name = riderName(body).value_or(body);
    const PersonName::Split split = looksLikeListingName(name) ? PersonName::splitListingRider(name)
                                                               : PersonName::splitFamilyAndGiven(name);
    return ImportedPerson { *number, split.first, split.last, 0 };
}

std::optional<QString> riderName(const QString& body)
{
    static const Regex horse(QStringLiteral("\\d{8}[A-Z]"));
    const auto m = horse.match(body);
    if (!m)
        return std::nullopt;
    const QString after = text::trimWhitespace(QStringView(body).mid(m->end()));
    if (!looksLikeListingName(after))
        return std::nullopt;
    const QStringList words = PersonName::words(after);
    if (!words.isEmpty() && (words[0] == u"E" || words[0] == u"J" || words[0] == u"H"))
        return std::nullopt;
    return words.join(u' ');
}

bool looksLikeListingName(const QString& text)
{
    static const Regex digit(QStringLiteral("\\d"));
    const QString t = text::trimWhitespace(text);
    const qsizetype length = text::graphemeCount(t);
    if (length < 3 || length > 80)
        return false;
    if (t.contains(u'%') || t.contains(u'\u20ac') || t.contains(u'(') || digit.contains(t))
        return false;
    const QStringList words = PersonName::words(t);
    if (words.size() < 2 || words.size() > 6)
        return false;
    for (const QString& word : words)
        for (char32_t c : text::codePoints(word))
            if (!text::isLetter(c) && c != U'\'' && c != U'\u2019' && c != U'-' && c != U'*')
                return false;
    return true;
}

QList<ImportedPerson> uniquePeople(const QList<ImportedPerson>& people)
{
    return ExcelProgrammeParser::uniquePeople(people);
}

QList<ProgrammeDay> assemble(const QStringList& lines)
{
    Assembly a;
    for (const QString& line : lines) {
        if (isSkippable(line))
            continue;
        if (const auto day = dayName(line)) {
            a.flush();
            a.currentTitle.reset();
            if (std::none_of(
                    a.days.begin(), a.days.end(), [&](const ProgrammeDay& d) { return d.name == *day; }))
                a.days.append({ *day, {} });
            a.currentDay = *day;
        } else if (bareHeight().contains(line)) {
            if (a.currentTitle && !a.currentTitle->contains(u'('))
                *a.currentTitle += u' ' + line;
        } else if (const auto title = eventTitle(line)) {
            a.flush();
            a.currentTitle = *title;
        } else if (const auto person = rider(line)) {
            if (!a.currentTitle)
                a.currentTitle = QStringLiteral("Inscriptions");
            a.pending.append(*person);
        }
    }
    a.flush();
    a.days.removeIf([](const ProgrammeDay& d) { return d.events.isEmpty(); });
    return a.days;
}

ProgrammeDocument parse(const PdfDocument& document, const QString& sourceName)
{
    if (auto listing = parseFFEListing(document, sourceName)) {
        if (std::any_of(listing->days.begin(), listing->days.end(),
                [](const ProgrammeDay& d) { return !d.events.isEmpty(); }))
            return *listing;
    }
    QStringList lines;
    for (int i = 0; i < document.pageCount(); ++i)
        if (const auto text = document.pageText(i))
            lines += pageLines(*text);
    return { sourceName, assemble(lines) };
}

ProgrammeDocument parse(const QString& path)
{
    const auto document = PdfDocument::open(path);
    if (!document)
        throw ImportError::unreadable();
    return parse(*document, QFileInfo(path).fileName());
}

} // namespace quavel::PDFProgrammeParser
