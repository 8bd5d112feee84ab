#include "orders/OrderSelection.h"

namespace quavel {

OrderSelection::ClickOutcome OrderSelection::click(
    const OrderMedia& file, ClickModifiers modifiers, bool editorOpen, const QList<OrderMedia>& all)
{
    m_beforeClick = Before { file.url, m_selectedIDs, m_lastClickedID };
    if (editorOpen && !file.isVideo && !modifiers.shift && !modifiers.command)
        return ClickOutcome::openCrop;
    if (modifiers.shift && m_lastClickedID) {
        const QString anchor = *m_lastClickedID;
        selectRange(anchor, file, all);
        return ClickOutcome::selected;
    }
    if (modifiers.command) {
        if (!m_selectedIDs.remove(file.url))
            m_selectedIDs.insert(file.url);
    } else {
        m_selectedIDs = { file.url };
    }
    m_lastClickedID = file.url;
    return ClickOutcome::selected;
}

void OrderSelection::selectRange(const QString& anchor, const OrderMedia& file, const QList<OrderMedia>& all)
{
    qsizetype from = -1;
    qsizetype to = -1;
    for (qsizetype i = 0; i < all.size() && (from < 0 || to < 0); ++i) {
        if (from < 0 && all[i].url == anchor)
            from = i;
        if (to < 0 && all[i].url == file.url)
            to = i;
    }
    if (from < 0 || to < 0) {
        selectOnly(file.url);
        return;
    }
    if (from > to)
        std::swap(from, to);
    QSet<QString> range;
    range.reserve(to - from + 1);
    for (qsizetype i = from; i <= to; ++i)
        range.insert(all[i].url);
    m_selectedIDs = std::move(range);
}

QList<OrderMedia> OrderSelection::doubleClick(const OrderMedia& file, const QList<OrderMedia>& all)
{
    if (m_beforeClick && m_beforeClick->path == file.url) {
        m_selectedIDs = m_beforeClick->selected;
        m_lastClickedID = m_beforeClick->anchor;
    }
    m_beforeClick.reset();
    if (m_selectedIDs.contains(file.url))
        return selectedMedia(all);
    selectOnly(file.url);
    return { file };
}

void OrderSelection::selectOnly(const QString& path)
{
    m_selectedIDs = { path };
    m_lastClickedID = path;
}

void OrderSelection::selectAll(const QList<OrderMedia>& all)
{
    QSet<QString> every;
    every.reserve(all.size());
    for (const OrderMedia& m : all)
        every.insert(m.url);
    m_selectedIDs = std::move(every);
}

void OrderSelection::clear()
{
    m_selectedIDs.clear();
    m_lastClickedID.reset();
    m_beforeClick.reset();
}

QList<OrderMedia> OrderSelection::selectedMedia(const QList<OrderMedia>& all) const
{
    QList<OrderMedia> result;
    if (m_selectedIDs.isEmpty())
        return result;
    for (const OrderMedia& m : all)
        if (m_selectedIDs.contains(m.url))
            result.append(m);
    return result;
}

QList<OrderMedia> OrderSelection::targets(const OrderMedia& file, const QList<OrderMedia>& all) const
{
    if (m_selectedIDs.contains(file.url))
        return selectedMedia(all);
    return { file };
}

} // namespace quavel
