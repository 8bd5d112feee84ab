#include "platform/text/Regex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <stdexcept>

namespace quavel {

namespace {

icu::UnicodeString alias(QStringView s)
{
    return icu::UnicodeString(false, reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

} // namespace

QString RegexMatch::captured(int n) const
{
    if (n < 0 || n >= m_texts.size())
        return QString();
    return m_texts[n];
}

qsizetype RegexMatch::start(int n) const
{
    return (n < 0 || n >= m_starts.size()) ? -1 : m_starts[n];
}

qsizetype RegexMatch::end(int n) const
{
    return (n < 0 || n >= m_ends.size()) ? -1 : m_ends[n];
}

bool RegexMatch::matched(int n) const
{
    return start(n) >= 0;
}

Regex::Regex(const QString& pattern, int options)
    : m_pattern(pattern)
{
    uint32_t flags = 0;
    if (options & CaseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (options & Multiline)
        flags |= UREGEX_MULTILINE;
    if (options & DotAll)
        flags |= UREGEX_DOTALL;
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError {};
    icu::UnicodeString source(reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()));
    icu::RegexPattern* compiled = icu::RegexPattern::compile(source, flags, parseError, status);
    if (U_FAILURE(status) || !compiled) {
        delete compiled;
        throw std::invalid_argument("invalid regular expression: " + pattern.toStdString() + " ("
            + u_errorName(status) + " at offset " + std::to_string(parseError.offset) + ")");
    }
    m_compiled.reset(compiled);
}

Regex::~Regex() = default;
Regex::Regex(const Regex&) = default;
Regex& Regex::operator=(const Regex&) = default;

namespace {

// Creating an ICU matcher allocates its backtracking stack and frames, which costs far more than
// matching a short text. Each thread keeps the matchers of its recently used patterns and resets
// them onto the new input. A slot holds its pattern alive for as long as its matcher exists, and a
// matcher is never used by two calls at once: no Regex call runs other code while it holds one.
struct CachedMatcher
{
    std::shared_ptr<const icu::RegexPattern> pattern;
    std::unique_ptr<icu::RegexMatcher> matcher;
};

constexpr size_t cacheSize = 32;
thread_local CachedMatcher t_cache[cacheSize];

struct Matcher
{
    icu::RegexMatcher* matcher = nullptr;
    icu::UnicodeString input;
};

// ICU calls this at every tick of its step counter; false ends the match with an error status.
UBool U_CALLCONV askStop(const void* context, int32_t)
{
    return !(*static_cast<const Regex::Stop*>(context))();
}

bool prepare(const std::shared_ptr<const icu::RegexPattern>& pattern, QStringView text, int timeLimit,
    int stackLimit, Matcher& m, const Regex::Stop& stop = {})
{
    UErrorCode status = U_ZERO_ERROR;
    m.input = alias(text);
    CachedMatcher& slot = t_cache[(reinterpret_cast<uintptr_t>(pattern.get()) >> 4) % cacheSize];
    if (slot.pattern == pattern && slot.matcher) {
        slot.matcher->reset(m.input);
    } else {
        slot.matcher.reset();
        slot.pattern = pattern;
        slot.matcher.reset(pattern->matcher(m.input, status));
        if (U_FAILURE(status) || !slot.matcher) {
            slot.matcher.reset();
            slot.pattern.reset();
            return false;
        }
    }
    m.matcher = slot.matcher.get();
    m.matcher->setTimeLimit(timeLimit, status);
    m.matcher->setStackLimit(stackLimit, status);
    // Set on every use: the cached matcher may still hold the previous caller's.
    m.matcher->setMatchCallback(stop ? askStop : nullptr, stop ? &stop : nullptr, status);
    return U_SUCCESS(status);
}

RegexMatch capture(icu::RegexMatcher& matcher, QStringView text)
{
    QList<qsizetype> starts, ends;
    QStringList texts;
    UErrorCode status = U_ZERO_ERROR;
    const int groups = matcher.groupCount();
    starts.reserve(groups + 1);
    for (int g = 0; g <= groups; ++g) {
        status = U_ZERO_ERROR;
        int64_t s = matcher.start64(g, status);
        int64_t e = matcher.end64(g, status);
        if (U_FAILURE(status) || s < 0) {
            starts.append(-1);
            ends.append(-1);
            texts.append(QString(""));
        } else {
            starts.append(qsizetype(s));
            ends.append(qsizetype(e));
            texts.append(text.mid(qsizetype(s), qsizetype(e - s)).toString());
        }
    }
    return RegexMatch(std::move(starts), std::move(ends), std::move(texts));
}

} // namespace

std::optional<RegexMatch> Regex::match(QStringView text, qsizetype from, const Stop& stop) const
{
    if (from < 0 || from > text.size())
        return std::nullopt;
    Matcher m;
    if (!prepare(m_compiled, text, m_timeLimit, m_stackLimit, m, stop))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    if (!m.matcher->find(int64_t(from), status) || U_FAILURE(status))
        return std::nullopt;
    return capture(*m.matcher, text);
}

QList<RegexMatch> Regex::matchAll(QStringView text, const Stop& stop) const
{
    QList<RegexMatch> out;
    Matcher m;
    if (!prepare(m_compiled, text, m_timeLimit, m_stackLimit, m, stop))
        return out;
    UErrorCode status = U_ZERO_ERROR;
    while (m.matcher->find(status) && U_SUCCESS(status)) {
        out.append(capture(*m.matcher, text));
        if (stop && stop())
            break;
        status = U_ZERO_ERROR;
    }
    return out;
}

bool Regex::matchesEntirely(QStringView text) const
{
    Matcher m;
    if (!prepare(m_compiled, text, m_timeLimit, m_stackLimit, m))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const bool ok = m.matcher->matches(status);
    return ok && U_SUCCESS(status);
}

QString Regex::replaceAll(QStringView text, const QString& replacement) const
{
    Matcher m;
    if (!prepare(m_compiled, text, m_timeLimit, m_stackLimit, m))
        return text.toString();
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString repl(reinterpret_cast<const UChar*>(replacement.utf16()), int32_t(replacement.size()));
    icu::UnicodeString result = m.matcher->replaceAll(repl, status);
    if (U_FAILURE(status))
        return text.toString();
    return QString(reinterpret_cast<const QChar*>(result.getBuffer()), result.length());
}

} // namespace quavel
