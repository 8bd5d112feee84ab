#pragma once

#include "platform/text/Regex.h"

#include <QDeadlineTimer>
#include <QList>
#include <QStringList>

#include <atomic>
#include <optional>

// Pattern scanning for the results-page readers. Each pattern has its own time limit, but a page can
// hold thousands of fragments that each run to that limit; so every structural scan made during one
// reader call also shares one page budget. Once it is spent, scans find nothing more and the readers'
// loops stop, so the call returns what it had read, cleaned as usual. The text clean-up itself works
// on fragments already cut out and never consults the budget.
namespace quavel::WebProgrammeScan {

constexpr int pageBudgetMs = 4000;

// Opens the page budget for this thread unless an outer reader call already holds one. The budget
// is also spent, at once, when `cancelled` is set (from any thread): a parse whose result nobody
// wants any more ends at its next check. Only the outermost budget's flag counts.
class PageBudget
{
public:
    explicit PageBudget(const std::atomic<bool>* cancelled = nullptr);
    ~PageBudget();
    PageBudget(const PageBudget&) = delete;
    PageBudget& operator=(const PageBudget&) = delete;

    static bool spent();

private:
    QDeadlineTimer m_deadline;
    const std::atomic<bool>* m_cancelled;
    const PageBudget* m_outer;
};

// Every match as texts (entry 0 the whole match, "" for a group that took no part). The budget is
// checked between matches and within a long one, so a scan ends soon after it is spent.
QList<QStringList> groups(const Regex& pattern, QStringView text);
std::optional<QStringList> firstGroups(const Regex& pattern, QStringView text);

} // namespace quavel::WebProgrammeScan
