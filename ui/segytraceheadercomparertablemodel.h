#pragma once

#include "tracesort.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The key list of the trace sort as a two-column table: the field's byte
// range ("17-20") and its direction ("Ascending" or "Descending"). The
// direction is edited through the edit role, which also gives the current
// direction's text so that an editor opens on it.
class SEGYTraceHeaderComparerTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SEGYTraceHeaderComparerTableModel(QObject* parent = nullptr);

    const QList<TraceHeaderSortKey>& keys() const { return m_keys; }

    // The texts of the Mode column: ascending first, then descending.
    static QStringList directionTexts();

    void appendKey(const TraceHeaderSortKey& key);
    bool removeKey(int row);
    void clearKeys();
    // Moves the key at row from so that it ends up at row to.
    bool moveKey(int from, int to);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Names of the custom fields, for keys from TraceHeaderFieldCount on.
    void setCustomNames(const QStringList& names) { m_customNames = names; }

private:
    QList<TraceHeaderSortKey> m_keys;
    QStringList m_customNames;
};
