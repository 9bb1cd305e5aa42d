#pragma once
// The register list as a model over the register document: one row per
// listed entry (the first marker of each entry number up to the count on
// line 1), six columns read from the entry's header lines when a view asks
// for them. The model keeps no copy of the headers; it follows the
// document's change events.

#include "register/registerdocument.h"

#include <QAbstractTableModel>
#include <vector>

class RegisterListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Series, StripType, Extension, Department, UserName, Date, ColumnCount };

    explicit RegisterListModel(RegisterDocument &doc, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Entry number shown in a row, 0 for no row.
    qint64 entryOfRow(int row) const;
    // The six header values of a row's entry (empty for no row).
    EntryHeader rowHeader(int row) const;
    QList<EntryHeader> rowHeaders() const;
    // Header line offset of each column.
    static int fieldOfColumn(int column);

private:
    void reload();
    void appended(qint64 n);
    void removed(const QList<int> &rows);
    void inserted(const QList<int> &rows);
    // Rows now show entries 1, 2, ...: a reload when the count differs.
    void renumber();
    void headerChanged(qint64 n);

    RegisterDocument &m_doc;
    std::vector<qint64> m_entries; // entry number of each row
};
