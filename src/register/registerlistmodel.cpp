#include "register/registerlistmodel.h"

#include <algorithm>

namespace {

// Header line of each column, in column order.
constexpr int ColumnFields[] = {regfmt::entry::SeriesCaption, regfmt::entry::StripType, regfmt::entry::Extension,
                                regfmt::entry::Department, regfmt::entry::UserName, regfmt::entry::Date};

} // namespace

RegisterListModel::RegisterListModel(RegisterDocument &doc, QObject *parent) : QAbstractTableModel(parent), m_doc(doc)
{
    RegisterEvents *events = doc.events();
    connect(events, &RegisterEvents::documentReset, this, &RegisterListModel::reload);
    connect(events, &RegisterEvents::entryAppended, this, &RegisterListModel::appended);
    connect(events, &RegisterEvents::entriesRemoved, this, &RegisterListModel::removed);
    connect(events, &RegisterEvents::entriesInserted, this, &RegisterListModel::inserted);
    connect(events, &RegisterEvents::headerChanged, this, &RegisterListModel::headerChanged);
    reload();
}

int RegisterListModel::fieldOfColumn(int column)
{
    return column >= 0 && column < ColumnCount ? ColumnFields[column] : -1;
}

int RegisterListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int RegisterListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RegisterListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return QVariant();
    const int m = m_doc.findEntry(m_entries[size_t(index.row())]);
    const int line = m + 1 + fieldOfColumn(index.column());
    if (m < 0 || line >= m_doc.lineCount())
        return QString();
    return m_doc.lines().at(line);
}

QVariant RegisterListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QString titles[] = {QStringLiteral("主装置のシリーズ"), QStringLiteral("示名条のタイプ"),
                                     QStringLiteral("内線番号"), QStringLiteral("部署"),
                                     QStringLiteral("使用者名"), QStringLiteral("登録日時")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QVariant();
    return titles[section];
}

Qt::ItemFlags RegisterListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

qint64 RegisterListModel::entryOfRow(int row) const
{
    return row >= 0 && row < rowCount() ? m_entries[size_t(row)] : 0;
}

EntryHeader RegisterListModel::rowHeader(int row) const
{
    const int m = m_doc.findEntry(entryOfRow(row));
    if (m < 0 || m + regfmt::entry::HeaderLines >= m_doc.lineCount())
        return EntryHeader();
    return m_doc.headerAt(m + 1);
}

QList<EntryHeader> RegisterListModel::rowHeaders() const
{
    QList<EntryHeader> out;
    out.reserve(rowCount());
    for (int r = 0; r < rowCount(); ++r)
        out.append(rowHeader(r));
    return out;
}

void RegisterListModel::reload()
{
    beginResetModel();
    m_entries.clear();
    try {
        for (const RegisterLines::Marker &m : m_doc.listedEntries())
            m_entries.push_back(m.number);
    } catch (const TavrelError &) {
        m_entries.clear(); // a count that is no number lists nothing
    }
    endResetModel();
}

void RegisterListModel::appended(qint64 n)
{
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.push_back(n);
    endInsertRows();
}

void RegisterListModel::removed(const QList<int> &rows)
{
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        const int r = rows.at(i);
        if (r < 0 || r >= rowCount())
            continue;
        beginRemoveRows(QModelIndex(), r, r);
        m_entries.erase(m_entries.begin() + r);
        endRemoveRows();
    }
    renumber();
}

void RegisterListModel::inserted(const QList<int> &rows)
{
    for (const int r : rows) {
        if (r < 0 || r > rowCount()) {
            reload();
            return;
        }
        beginInsertRows(QModelIndex(), r, r);
        m_entries.insert(m_entries.begin() + r, 0);
        endInsertRows();
    }
    renumber();
}

void RegisterListModel::renumber()
{
    // The rest were renumbered: the rows now show entries 1, 2, ...
    std::vector<qint64> now;
    for (const RegisterLines::Marker &m : m_doc.listedEntries())
        now.push_back(m.number);
    if (now.size() != m_entries.size()) {
        reload();
        return;
    }
    m_entries = now;
    if (!m_entries.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void RegisterListModel::headerChanged(qint64 n)
{
    const auto it = std::find(m_entries.begin(), m_entries.end(), n);
    if (it == m_entries.end())
        return;
    const int row = int(it - m_entries.begin());
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
