#pragma once

#include "programme/ImportedPerson.h"

#include <QAbstractTableModel>
#include <QList>

namespace quavel {

// The riders of the "Paniers" list: last name, then first name, each trimmed and upper-cased as
// French. Texts are made when a row is drawn, so a programme of thousands of riders costs nothing
// until it scrolls into view. GUI thread.
class RiderListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { lastNameColumn, firstNameColumn, columnCount_ };

    explicit RiderListModel(QObject* parent = nullptr);

    void setPeople(const QList<ImportedPerson>& people);
    const QList<ImportedPerson>& people() const { return m_people; }

    // A name part as the list shows it.
    static QString shown(const QString& part);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<ImportedPerson> m_people;
};

} // namespace quavel
