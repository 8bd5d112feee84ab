#include "workspace/views/PreviewTableModel.h"

#include "workspace/PreviewContext.h"
#include "workspace/PreviewRows.h"

#include <QPersistentModelIndex>

namespace quavel {

PreviewTableModel::PreviewTableModel(const PreviewContext& context, Commit commit, QObject* parent)
    : QAbstractTableModel(parent)
    , m_context(context)
    , m_commit(std::move(commit))
{ }

int PreviewTableModel::rowOf(const QUuid& id) const
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == id)
            return i;
    return -1;
}

void PreviewTableModel::setRows(const QList<PreviewRow>& rows)
{
    const qsizetype oldCount = m_rows.size();
    const qsizetype newCount = rows.size();
    qsizetype prefix = 0;
    while (prefix < oldCount && prefix < newCount && m_rows[prefix].id == rows[prefix].id)
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix
        && m_rows[oldCount - 1 - suffix].id == rows[newCount - 1 - suffix].id)
        ++suffix;

    // Rows that stay are only updated; the ones between the common ends are removed, then inserted.
    const QList<PreviewRow> before = m_rows;
    if (oldCount - suffix > prefix) {
        beginRemoveRows({}, int(prefix), int(oldCount - suffix - 1));
        m_rows.remove(prefix, oldCount - suffix - prefix);
        endRemoveRows();
    }
    if (newCount - suffix > prefix) {
        beginInsertRows({}, int(prefix), int(newCount - suffix - 1));
        m_rows = m_rows.mid(0, prefix) + rows.mid(prefix, newCount - suffix - prefix) + m_rows.mid(prefix);
        endInsertRows();
    }
    for (qsizetype i = 0; i < prefix; ++i)
        m_rows[i] = rows[i];
    for (qsizetype k = 0; k < suffix; ++k)
        m_rows[newCount - 1 - k] = rows[newCount - 1 - k];

    int first = -1;
    int last = -1;
    auto note = [&](qsizetype now, qsizetype was) {
        if (before[was] != m_rows[now]) {
            first = first < 0 ? int(now) : std::min(first, int(now));
            last = std::max(last, int(now));
        }
    };
    for (qsizetype i = 0; i < prefix; ++i)
        note(i, i);
    for (qsizetype k = 0; k < suffix; ++k)
        note(newCount - 1 - k, oldCount - 1 - k);
    if (first >= 0)
        emit dataChanged(index(first, 0), index(last, columnCount_ - 1));
}

void PreviewTableModel::contextChanged()
{
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, lastName), index(int(m_rows.size()) - 1, firstName));
}

QString PreviewTableModel::cellText(const PreviewRow& line, int column) const
{
    switch (column) {
    case photo:
        return line.photo;
    case assigned:
        return line.assigned;
    case lastName:
        return m_context.displayedLastName(
            m_context.catalogPerson(line.assigned), line.assigned, line.fromCatalogue);
    case firstName:
        return m_context.displayedFirstName(
            m_context.catalogPerson(line.assigned), line.assigned, line.fromCatalogue);
    case photos:
        return line.photos;
    default:
        return QString();
    }
}

QString PreviewTableModel::placeholder(int column)
{
    switch (column) {
    case photo:
        return QStringLiteral("3413");
    case assigned:
        return QStringLiteral("41");
    case lastName:
        return QStringLiteral("Nom");
    case firstName:
        return QStringLiteral("Prénom");
    default:
        return QString();
    }
}

QString PreviewTableModel::title(int column)
{
    switch (column) {
    case photo:
        return QStringLiteral("N° photo");
    case assigned:
        return QStringLiteral("N° attribué");
    case lastName:
        return QStringLiteral("Nom");
    case firstName:
        return QStringLiteral("Prénom");
    case photos:
        return QStringLiteral("Photos");
    default:
        return QString();
    }
}

bool PreviewTableModel::isEditable(int column)
{
    return column >= photo && column <= firstName;
}

int PreviewTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PreviewTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCount_;
}

QVariant PreviewTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const PreviewRow& line = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(line, index.column());
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        if (index.column() == photos && line.photos != QStringLiteral("—"))
            return line.photos;
        if (index.column() == check && PreviewRows::showsTransferCheck(line))
            return QStringLiteral("Ligne complète, photos transférées");
        if (index.column() == status) {
            QStringList help;
            if (PreviewRows::showsNoMatchMark(line))
                help.append(QStringLiteral("Pas de correspondance dans le programme"));
            if (PreviewRows::showsDuplicateMark(line))
                help.append(PreviewRows::duplicateHelp(line));
            return help.isEmpty() ? QVariant() : QVariant(help.join(u'\n'));
        }
        return {};
    default:
        return {};
    }
}

bool PreviewTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !isEditable(index.column())
        || index.row() >= m_rows.size())
        return false;
    const PreviewRow line = m_rows[index.row()];
    const QString text = value.toString();
    if (text == cellText(line, index.column()))
        return true;
    // The commit changes the stores, whose observers replace the lines before it returns.
    const QPersistentModelIndex cell(index);
    const bool stored = m_commit(line, index.column(), text);
    if (!stored && cell.isValid())
        emit dataChanged(cell, cell);
    return stored;
}

Qt::ItemFlags PreviewTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (isEditable(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant PreviewTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return title(section);
    return {};
}

} // namespace quavel
