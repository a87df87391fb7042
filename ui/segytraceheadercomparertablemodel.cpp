#include "segytraceheadercomparertablemodel.h"

#include "headerfields.h"

SEGYTraceHeaderComparerTableModel::SEGYTraceHeaderComparerTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

QStringList SEGYTraceHeaderComparerTableModel::directionTexts()
{
    return {tr("Ascending"), tr("Descending")};
}

void SEGYTraceHeaderComparerTableModel::appendKey(const TraceHeaderSortKey& key)
{
    beginInsertRows(QModelIndex(), m_keys.size(), m_keys.size());
    m_keys.append(key);
    endInsertRows();
}

bool SEGYTraceHeaderComparerTableModel::removeKey(int row)
{
    if (row < 0 || row >= m_keys.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_keys.removeAt(row);
    endRemoveRows();
    return true;
}

void SEGYTraceHeaderComparerTableModel::clearKeys()
{
    beginResetModel();
    m_keys.clear();
    endResetModel();
}

bool SEGYTraceHeaderComparerTableModel::moveKey(int from, int to)
{
    if (from < 0 || from >= m_keys.size() || to < 0 || to >= m_keys.size() || from == to)
        return false;
    // The destination is the row the key goes before, counted before the move.
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    m_keys.move(from, to);
    endMoveRows();
    return true;
}

int SEGYTraceHeaderComparerTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_keys.size();
}

int SEGYTraceHeaderComparerTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant SEGYTraceHeaderComparerTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const TraceHeaderSortKey& key = m_keys.at(index.row());
    if (index.column() == 0 && role == Qt::DisplayRole)
        return key.fieldIndex >= TraceHeaderFieldCount ? m_customNames.value(key.fieldIndex - TraceHeaderFieldCount)
                                                       : traceHeaderLabels().value(key.fieldIndex);
    if (index.column() == 0 && role == Qt::ToolTipRole)
        return traceHeaderDescriptions().value(key.fieldIndex);
    if (index.column() == 1 && (role == Qt::DisplayRole || role == Qt::EditRole))
        return directionTexts().at(key.ascending ? 0 : 1);
    return QVariant();
}

QVariant SEGYTraceHeaderComparerTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    if (section == 0)
        return tr("Field");
    if (section == 1)
        return tr("Mode");
    return QVariant();
}

Qt::ItemFlags SEGYTraceHeaderComparerTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.column() == 1)
        result |= Qt::ItemIsEditable;
    return result;
}

bool SEGYTraceHeaderComparerTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != 1
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    m_keys[index.row()].ascending = value.toString().compare(tr("descending"), Qt::CaseInsensitive) != 0;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}
