#pragma once

#include "library/LibrarySnapshot.h"

#include <QString>

#include <map>
#include <string>

namespace quavel::test {

// Counts the atomic replacements of the files in one folder, by name, through inotify: every
// AtomicFile write ends in a rename into the folder, which the kernel reports before the write returns.
class ReplaceCounter
{
public:
    explicit ReplaceCounter(const QString& folder);
    ~ReplaceCounter();
    ReplaceCounter(const ReplaceCounter&) = delete;
    ReplaceCounter& operator=(const ReplaceCounter&) = delete;

    // Replacements of `name` since the counter was made or last reset.
    int count(const QString& name);
    void reset();

private:
    void drain();

    int m_fd = -1;
    std::map<std::string, int> m_counts;
};

QDateTime at(const char* isoText);
DayRecord day(
    const char* id, const QString& name, qint64 sortIndex, const char* createdAt = "2026-06-01T08:00:00Z");
RowRecord row(const char* id, const QString& photo, const QString& assigned = QString());
SpreadsheetRecord sheet(const char* id, const char* dayID, const QString& title, const char* updatedAt,
    QList<RowRecord> rows, bool isOpen = true);
// A test-parameter name made of the case's index and the ASCII letters and digits of its text.
std::string paramName(std::size_t index, QStringView text);

// The text in UTF-8 with control characters escaped, for test listings (one test a line).
std::string printable(QStringView text);

// A readable identifier for tests: "1" gives 00000000-0000-0000-0000-000000000001.
QUuid uid(const char* digits);

} // namespace quavel::test
