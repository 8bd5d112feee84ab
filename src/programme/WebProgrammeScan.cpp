#include "programme/WebProgrammeScan.h"

namespace quavel::WebProgrammeScan {

namespace {

thread_local const QDeadlineTimer* activeDeadline = nullptr;

QStringList texts(const RegexMatch& match)
{
    QStringList out;
    out.reserve(match.groupCount() + 1);
    for (int g = 0; g <= match.groupCount(); ++g)
        out.append(match.captured(g));
    return out;
}

} // namespace

PageBudget::PageBudget()
    : m_deadline(pageBudgetMs)
    , m_outer(activeDeadline)
{
    if (!m_outer)
        activeDeadline = &m_deadline;
}

PageBudget::~PageBudget()
{
    if (!m_outer)
        activeDeadline = nullptr;
}

bool PageBudget::spent()
{
    return activeDeadline && activeDeadline->hasExpired();
}

QList<QStringList> groups(const Regex& pattern, QStringView text)
{
    QList<QStringList> out;
    if (PageBudget::spent())
        return out;
    const QList<RegexMatch> matches = pattern.matchAll(text);
    out.reserve(matches.size());
    for (const RegexMatch& m : matches)
        out.append(texts(m));
    return out;
}

std::optional<QStringList> firstGroups(const Regex& pattern, QStringView text)
{
    if (PageBudget::spent())
        return std::nullopt;
    const std::optional<RegexMatch> m = pattern.match(text);
    if (!m)
        return std::nullopt;
    return texts(*m);
}

} // namespace quavel::WebProgrammeScan
