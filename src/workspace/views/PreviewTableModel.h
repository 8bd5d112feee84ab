#pragma once

#include "workspace/PreviewRow.h"

#include <QAbstractTableModel>
#include <QList>

#include <functional>

namespace quavel {

class PreviewContext;

// The lines of the sorting preview as a table. The lines are replaced in place (setRows): rows that
// stay keep their identity, so an open cell editor survives every change of the library or of the
// workspace store while the photographer types. The name cells read their text from the context when
// they are shown; every other cell comes from the line.
class PreviewTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { status, photo, assigned, lastName, firstName, photos, check, columnCount_ };

    // Stores an edited cell through the stores; false when the edit is dropped (a name for a row
    // without a bib), and the cell then shows its stored value again.
    using Commit = std::function<bool(const PreviewRow& line, int column, const QString& text)>;

    PreviewTableModel(const PreviewContext& context, Commit commit, QObject* parent = nullptr);

    // Replaces the lines: rows removed, inserted or changed are reported as such.
    void setRows(const QList<PreviewRow>& rows);
    // The context changed (hand-typed names, selected class): every name cell may read otherwise.
    void contextChanged();

    const QList<PreviewRow>& rows() const { return m_rows; }
    const PreviewRow& line(int row) const { return m_rows.at(row); }
    int rowOf(const QUuid& id) const;

    // The text a cell shows and edits (the field's getter).
    QString cellText(const PreviewRow& line, int column) const;
    static QString placeholder(int column);
    static QString title(int column);
    static bool isEditable(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const PreviewContext& m_context;
    Commit m_commit;
    QList<PreviewRow> m_rows;
};

} // namespace quavel
