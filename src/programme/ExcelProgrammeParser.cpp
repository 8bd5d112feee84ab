#include "programme/ExcelProgrammeParser.h"

#include "platform/files/NativeName.h"
#include "programme/ImportParser.h"
#include "programme/PersonName.h"
#include "programme/ProgrammeLimits.h"
#include "programme/SheetRow.h"

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
    const QByteArray native = NativeName::encode(path);
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
    // Room for the whole file at once when its size is known (within reason: the reading below stays
    // the measure, and a bigger file grows as it is read).
    constexpr off_t largestReserve = off_t(512) * 1024 * 1024;
    if (S_ISREG(info.st_mode) && info.st_size > 0)
        bytes.reserve(qsizetype(std::min(info.st_size, largestReserve)));
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

QString rowText(const SheetRow& row)
{
    QStringList parts;
    for (qsizetype c = 0; c < row.size(); ++c) {
        const QString t = text::trimWhitespaceAndNewlines(row[c]);
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

namespace {

// One sheet read row by row: a small state machine over (current day, current class). The first rows
// are held back until the header among them is known.
class SheetReader
{
public:
    // `riders` counts the riders read in the whole file, across its sheets.
    SheetReader(const QString& name, qsizetype& riders)
        : m_riderCount(riders)
    {
        const std::optional<QString> sheetDay = dayName(name);
        m_day = sheetDay.value_or(QStringLiteral("Programme"));
        m_title = (sheetDay || isGenericSheetName(name)) ? QStringLiteral("Inscriptions")
                                                         : text::trimWhitespaceAndNewlines(name);
    }
    // m_riders points into m_table.
    SheetReader(const SheetReader&) = delete;
    SheetReader& operator=(const SheetReader&) = delete;

    // The row is read at once, or its texts kept until the header is known.
    void add(const SheetRow& row)
    {
        if (m_headerKnown) {
            read(row);
            return;
        }
        m_head.append(row.texts());
        if (m_head.size() == ImportParser::headerRows)
            readHead();
    }

    QList<ProgrammeDay> finish()
    {
        if (!m_headerKnown)
            readHead();
        QList<ProgrammeDay> days;
        for (auto it = m_table.begin(); it != m_table.end(); ++it) {
            ProgrammeDay d { it.key(), {} };
            for (auto& [classTitle, people] : it.value())
                d.events.append(
                    { it.key() + u'|' + classTitle, classTitle, uniquePeople(std::move(people)) });
            // The file browser's order: "Epreuve 2" before "Epreuve 10". The comparison is total, so
            // the sort is well defined; stable keeps equal titles (there are none within a day) in place.
            std::stable_sort(
                d.events.begin(), d.events.end(), [](const ProgrammeEvent& a, const ProgrammeEvent& b) {
                    return text::localizedStandardCompare(a.title, b.title) < 0;
                });
            days.append(std::move(d));
        }
        return days;
    }

private:
    void readHead()
    {
        m_columns = ImportParser::identityColumns(m_head);
        m_headerKnown = true;
        for (const QStringList& row : std::as_const(m_head))
            read(SheetRow::ofTexts(row));
        m_head.clear();
    }

    void read(const SheetRow& row)
    {
        ++m_line;
        auto rider = PersonName::person(
            row, m_columns.number, m_columns.last, m_columns.first, m_columns.full, m_line);
        if (rider) {
            if (!m_riders) {
                auto& classes = m_table[m_day];
                auto it = std::find_if(
                    classes.begin(), classes.end(), [&](const auto& c) { return c.first == m_title; });
                if (it == classes.end())
                    it = classes.insert(classes.end(), { m_title, {} });
                m_riders = &it->second;
            }
            // Counted as read, before duplicates go: the memory is spent by then.
            ProgrammeLimits::checkRiderCount(++m_riderCount);
            m_riders->append(std::move(*rider));
            return;
        }
        const QString line = rowText(row);
        if (line.isEmpty())
            return;
        if (const auto named = dayName(line))
            m_day = *named;
        else if (const auto heading = eventTitle(line))
            m_title = *heading;
        else
            return;
        m_riders = nullptr;
    }

    qsizetype& m_riderCount;
    QString m_day;
    QString m_title;
    ImportParser::IdentityColumns m_columns;
    bool m_headerKnown = false;
    QList<QStringList> m_head;
    // The 1-based position of the row being read.
    qint64 m_line = 0;
    // Day → class title → riders in reading order; a pair appears with its first rider. The titles of
    // a day are kept in arrival order here and sorted when the result is built.
    QMap<QString, QList<std::pair<QString, QList<ImportedPerson>>>> m_table;
    // The riders of (m_day, m_title) once it is in the table: a class is only ever added while this
    // is null, so the pointer stays valid until the day or the class changes.
    QList<ImportedPerson>* m_riders = nullptr;
};

} // namespace

QList<ProgrammeDay> parseSheet(const QString& name, const QList<QStringList>& rows)
{
    qsizetype riders = 0;
    SheetReader reader(name, riders);
    for (const QStringList& row : rows)
        reader.add(SheetRow::ofTexts(row));
    return reader.finish();
}

ProgrammeDocument parse(const QString& path)
{
    return parse(readFile(path), QFileInfo(path).fileName());
}

ProgrammeDocument parse(const QByteArray& bytes, const QString& fileName)
{
    // Each row goes through the sheet grammar as soon as it is read; no sheet is held whole.
    QList<ProgrammeDay> days;
    qsizetype riders = 0;
    std::optional<SheetReader> reader;
    ImportParser::readSheets(
        bytes,
        [&](const QString& name) {
            if (reader)
                merge(reader->finish(), days);
            reader.emplace(name, riders);
        },
        [&](const SheetRow& row) { reader->add(row); });
    if (reader)
        merge(reader->finish(), days);
    return { fileName, days };
}

} // namespace quavel::ExcelProgrammeParser
