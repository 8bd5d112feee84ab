#include "programme/WebProgrammeScan.h"

namespace quavel::WebProgrammeScan {

namespace {

thread_local const PageBudget* activeBudget = nullptr;

QStringList texts(const RegexMatch& match)
{
    QStringList out;
    out.reserve(match.groupCount() + 1);
    for (int g = 0; g <= match.groupCount(); ++g)
        out.append(match.captured(g));
    return out;
}

const Regex::Stop& budgetStop()
{
    static const Regex::Stop stop(&PageBudget::spent);
    return stop;
}

} // namespace

PageBudget::PageBudget(const std::atomic<bool>* cancelled)
    : m_deadline(pageBudgetMs)
    , m_cancelled(cancelled)
    , m_outer(activeBudget)
{
    if (!m_outer)
        activeBudget = this;
}

PageBudget::~PageBudget()
{
    if (!m_outer)
        activeBudget = nullptr;
}

bool PageBudget::spent()
{
    const PageBudget* budget = activeBudget;
    if (!budget)
        return false;
    // Relaxed: the flag carries no data, and a check that misses it by a moment sees it at the next.
    return (budget->m_cancelled && budget->m_cancelled->load(std::memory_order_relaxed))
        || budget->m_deadline.hasExpired();
}

QList<QStringList> groups(const Regex& pattern, QStringView text)
{
    QList<QStringList> out;
    if (PageBudget::spent())
        return out;
    const QList<RegexMatch> matches = pattern.matchAll(text, budgetStop());
    out.reserve(matches.size());
    for (const RegexMatch& m : matches)
        out.append(texts(m));
    return out;
}

std::optional<QStringList> firstGroups(const Regex& pattern, QStringView text)
{
    if (PageBudget::spent())
        return std::nullopt;
    const std::optional<RegexMatch> m = pattern.match(text, 0, budgetStop());
    if (!m)
        return std::nullopt;
    return texts(*m);
}

} // namespace quavel::WebProgrammeScan
