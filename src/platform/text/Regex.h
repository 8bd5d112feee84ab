#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace quavel {

// One match of a Regex: group 0 is the whole match. Offsets are UTF-16 indexes into the searched text.
class RegexMatch
{
public:
    RegexMatch() = default;
    RegexMatch(QList<qsizetype> starts, QList<qsizetype> ends, QStringList texts)
        : m_starts(std::move(starts))
        , m_ends(std::move(ends))
        , m_texts(std::move(texts))
    { }

    // The text of group n; "" when the group did not take part in the match or does not exist.
    QString captured(int n = 0) const;
    // Start and end of group n, -1 when it did not take part.
    qsizetype start(int n = 0) const;
    qsizetype end(int n = 0) const;
    bool matched(int n) const;
    int groupCount() const { return int(m_starts.size()) - 1; }

private:
    QList<qsizetype> m_starts;
    QList<qsizetype> m_ends;
    QStringList m_texts;
};

// An ICU regular expression, compiled once and safe to share between threads.
// Every match runs under a time limit and a backtracking stack limit; a match that runs out of either
// counts as "no further match", so a hostile input can never hang a parser.
class Regex
{
public:
    enum Option {
        NoOption = 0,
        CaseInsensitive = 1,
        // "^" and "$" match at line starts and ends.
        Multiline = 2,
        // "." matches line breaks too.
        DotAll = 4,
    };

    // Throws std::invalid_argument for a pattern ICU rejects (a programming error).
    explicit Regex(const QString& pattern, int options = NoOption);
    ~Regex();
    Regex(const Regex&);
    Regex& operator=(const Regex&);

    // ICU time-limit units (roughly milliseconds) and stack bytes for each match.
    static constexpr int defaultTimeLimit = 1000;
    static constexpr int defaultStackLimit = 8 * 1024 * 1024;
    void setTimeLimit(int units) { m_timeLimit = units; }
    void setStackLimit(int bytes) { m_stackLimit = bytes; }

    // Asked between two matches and every few thousand steps inside one; answering true ends the
    // call as a time-out does. For a caller whose own budget, or whose reader, may end first. It runs
    // while the call holds this thread's matcher (inside ICU), so it must neither use a Regex
    // nor throw.
    using Stop = std::function<bool()>;

    // The first match at or after `from`.
    std::optional<RegexMatch> match(QStringView text, qsizetype from = 0, const Stop& stop = {}) const;
    // Every non-overlapping match, in order; stops at the first time-out or when `stop` answers true.
    QList<RegexMatch> matchAll(QStringView text, const Stop& stop = {}) const;
    bool contains(QStringView text) const { return match(text).has_value(); }
    // True when the whole text matches.
    bool matchesEntirely(QStringView text) const;
    // Replaces every match; the replacement uses ICU syntax ($1, \$).
    QString replaceAll(QStringView text, const QString& replacement) const;

    const QString& pattern() const { return m_pattern; }

private:
    QString m_pattern;
    std::shared_ptr<const icu::RegexPattern> m_compiled;
    int m_timeLimit = defaultTimeLimit;
    int m_stackLimit = defaultStackLimit;
};

} // namespace quavel
