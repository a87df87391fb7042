#pragma once

#include "fieldlayout.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QVector>

class QTableView;
class SEGY;
class SEGYTraceHeader;
class TraceHeaderList;

// Item role under which the trace header table gives a cell's stored integer.
constexpr int RawValueRole = 1280;

// A table of header values, shown as decoded text or as the stored integers,
// that the window resets around changes of the file.
class HeaderValuesTableModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRawDisplay(bool raw) { m_rawDisplay = raw; }
    bool rawDisplay() const { return m_rawDisplay; }
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }

protected:
    bool m_rawDisplay = false;
};

// The 30 binary header fields of the open file: the value (decoded text or
// the stored integer) and the field's description, one row per field.
class SEGYBinaryHeaderTableModel : public HeaderValuesTableModel
{
    Q_OBJECT

public:
    explicit SEGYBinaryHeaderTableModel(SEGY* segy, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    int customRow(int row) const { return row - BinaryHeaderFieldCount; }
    SEGY* m_segy;
};

// The 91 fields of every trace, in the order of the window's trace list:
// mode 0 shows traces as rows and fields as columns, mode 1 fields as rows
// and traces as columns, any other mode nothing. Reads and writes the
// headers themselves; nothing is computed for cells that are not asked for.
class SEGYTraceHeadersTableModel : public HeaderValuesTableModel
{
    Q_OBJECT

public:
    SEGYTraceHeadersTableModel(TraceHeaderList* list, int mode, QObject* parent = nullptr);

    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }

    // The cell of a field for the trace at a list position, whatever the mode.
    QModelIndex cellIndex(int position, int fieldIndex) const;
    int traceCount() const;
    int fieldOf(const QModelIndex& index) const;
    int positionOf(const QModelIndex& index) const;

    // Stores one value in the field of the traces at list positions first to
    // last (0-based, inclusive, cut to the list) of segy, the file object
    // the list shows, in one step, and announces the range as one change,
    // also when the value was refused. Returns how many traces took it: all
    // of them or none.
    int setRangeValue(SEGY& segy, int fieldIndex, int first, int last, const QVariant& value);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Custom fields shown after the standard ones (fields from TraceHeaderFieldCount on).
    void setCustomFields(const QList<FieldDescription>& fields) { m_custom = fields; }
    int fieldCount() const { return TraceHeaderFieldCount + m_custom.size(); }

private:
    bool setCustomValue(SEGYTraceHeader* header, const FieldDescription& field, const QVariant& value);

    TraceHeaderList* m_list;
    QList<FieldDescription> m_custom;
    int m_mode;
};

// The 91 trace header fields as a list, optionally with a check box each
// (which fields the trace table shows).
class TraceHeaderSelectionTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TraceHeaderSelectionTableModel(QObject* parent = nullptr);

    void setCheckable(bool checkable) { m_checkable = checkable; }
    bool isCheckable() const { return m_checkable; }
    // Sets every flag without signalling; the caller refreshes.
    void setAllChecked(bool checked);
    bool isChecked(int fieldIndex) const { return m_checked.value(fieldIndex, false); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Custom fields listed after the standard ones.
    void setCustomFields(const QList<FieldDescription>& fields);

private:
    bool m_checkable = true;
    QVector<bool> m_checked;
    QList<FieldDescription> m_custom;
};

// Keeps the rows of a field list whose text contains the filter text, in any
// case; an empty filter keeps every row.
class TraceHeadersFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit TraceHeadersFilterModel(QObject* parent = nullptr);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};

// Sizes the columns of a header table to their titles and to the widest text
// of a sample of rows (the first, the last and some spread between), never
// measuring every row. A table with more columns than there are fields
// (traces as columns) gets one width for all of them, from a sample of
// columns. No column is made wider than maximumWidth.
void fitHeaderColumns(QTableView* view, int maximumWidth = 480);
