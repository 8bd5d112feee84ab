#include "programme/ExcelProgrammeParser.h"

#include "programme/ImportParser.h"
#include "programme/PersonName.h"

#include "platform/Error.h"
#include "platform/FrenchErrors.h"
#include "platform/text/Regex.h"
#include "platform/text/Text.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quavel::ExcelProgrammeParser {

namespace {

const QStringList& weekdays()
{
    static const QStringList days { "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche" };
    return days;
}

// The whole file, or the system's reason in French.
QByteArray readFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(errno, frenchDescription(errno));
    QByteArray bytes;
    struct stat info
    {
    };
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw FileError(EISDIR, frenchDescription(EISDIR));
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw FileError(error, frenchDescription(error));
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

QString rowText(const QStringList& row)
{
    QStringList parts;
    for (const QString& cell : row) {
        const QString t = text::trimWhitespaceAndNewlines(cell);
        if (!t.isEmpty())
            parts.append(t);
    }
    return parts.join(u' ');
}

} // namespace

std::optional<QString> dayName(QStringView text)
{
    static const QList<Regex> patterns = [] {
        QList<Regex> out;
        for (const QString& day : weekdays())
            out.append(Regex(QStringLiteral("\\b") + day + QStringLiteral("\\b")));
        return out;
    }();
    const QString folded = text::folded(text);
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (patterns[i].contains(folded))
            return text::capitalizedFrench(weekdays()[i]);
    return std::nullopt;
}

bool isGenericSheetName(QStringView name)
{
    static const Regex generic(QStringLiteral("^(feuille|feuil|sheet|onglet)\\s*\\d*$"));
    return generic.contains(text::folded(name));
}

std::optional<QString> eventTitle(QStringView text)
{
    static const Regex height(QStringLiteral("\\(\\s*\\d+[.,]\\d+\\s*m?\\s*\\)"));
    const QString trimmed = text::trimWhitespaceAndNewlines(text);
    const QString folded = text::folded(trimmed);
    if (height.contains(trimmed) || folded.contains(u"epreuve") || folded.contains(u"preparatoire")
        || folded.contains(u"grand prix"))
        return trimmed;
    return std::nullopt;
}

QList<ProgrammeDay> parseSheet(const QString& name, const QList<QStringList>& rows)
{
    const std::optional<QString> sheetDay = dayName(name);
    QString day = sheetDay.value_or(QStringLiteral("Programme"));
    QString title = (sheetDay || isGenericSheetName(name)) ? QStringLiteral("Inscriptions")
                                                           : text::trimWhitespaceAndNewlines(name);
    const ImportParser::IdentityColumns columns = ImportParser::identityColumns(rows);

    // Day → class title → riders in reading order; a pair appears with its first rider. The titles of a
    // day are kept in arrival order here and sorted when the result is built.
    QMap<QString, QList<std::pair<QString, QList<ImportedPerson>>>> table;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        auto rider
            = PersonName::person(rows[i], columns.number, columns.last, columns.first, columns.full, i + 1);
        if (rider) {
            auto& classes = table[day];
            auto it = std::find_if(
                classes.begin(), classes.end(), [&](const auto& c) { return c.first == title; });
            if (it == classes.end())
                classes.append({ title, { std::move(*rider) } });
            else
                it->second.append(std::move(*rider));
            continue;
        }
        const QString line = rowText(rows[i]);
        if (line.isEmpty())
            continue;
        if (const auto named = dayName(line))
            day = *named;
        else if (const auto heading = eventTitle(line))
            title = *heading;
    }

    QList<ProgrammeDay> days;
    for (auto it = table.begin(); it != table.end(); ++it) {
        ProgrammeDay d { it.key(), {} };
        for (auto& [classTitle, people] : it.value())
            d.events.append({ it.key() + u'|' + classTitle, classTitle, uniquePeople(std::move(people)) });
        // The file browser's order: "Epreuve 2" before "Epreuve 10". The comparison is total, so the
        // sort is well defined; stable keeps equal titles (there are none within a day) in place.
        std::stable_sort(
            d.events.begin(), d.events.end(), [](const ProgrammeEvent& a, const ProgrammeEvent& b) {
                return text::localizedStandardCompare(a.title, b.title) < 0;
            });
        days.append(d);
    }
    return days;
}

ProgrammeDocument parse(const QString& path)
{
    const QByteArray bytes = readFile(path);
    QList<ProgrammeDay> days;
    for (const ImportParser::Sheet& sheet : ImportParser::excelSheets(bytes))
        merge(parseSheet(sheet.name, sheet.rows), days);
    return { QFileInfo(path).fileName(), days };
}

} // namespace quavel::ExcelProgrammeParser
