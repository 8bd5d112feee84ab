#include "workspace/views/RiderListModel.h"

#include "platform/text/Text.h"

namespace quavel {

RiderListModel::RiderListModel(QObject* parent)
    : QAbstractTableModel(parent)
{ }

void RiderListModel::setPeople(const QList<ImportedPerson>& people)
{
    beginResetModel();
    m_people = people;
    endResetModel();
}

QString RiderListModel::shown(const QString& part)
{
    return text::upperFrench(text::trimWhitespaceAndNewlines(part));
}

int RiderListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_people.size());
}

int RiderListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnCount_;
}

QVariant RiderListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_people.size())
        return {};
    if (role != Qt::DisplayRole)
        return {};
    const ImportedPerson& person = m_people[index.row()];
    return shown(index.column() == lastNameColumn ? person.lastName : person.firstName);
}

QVariant RiderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == lastNameColumn ? QStringLiteral("Nom") : QStringLiteral("Prénom");
}

Qt::ItemFlags RiderListModel::flags(const QModelIndex& index) const
{
    // Read-only and not selectable: the list only shows whom folders will be made for.
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace quavel
