#pragma once

#include "fieldlayout.h"

#include <QList>
#include <QMetaObject>
#include <QVector>
#include <vector>

class SEGY;
class SEGYTraceHeader;

// A field by its index in the trace header table, or from
// TraceHeaderFieldCount on one of the file's extra fields (SEGY::extraFields).
struct TraceHeaderSortKey {
    int fieldIndex = 0;
    bool ascending = true;
};

// Ordering rule of a key list: the first key decides, later keys only break
// ties; values are the raw signed field values.
class SEGYTraceHeaderComparer
{
public:
    explicit SEGYTraceHeaderComparer(const QList<TraceHeaderSortKey>& keys) : m_keys(keys) {}
    // True when a must come before b.
    bool operator()(const SEGYTraceHeader* a, const SEGYTraceHeader* b) const;

private:
    QList<TraceHeaderSortKey> m_keys;
};

// An ordering of the trace headers of a SEGY object. Owns no header: the
// file object does. The list empties itself when the file object announces
// that it releases its headers (a load, close or clear), so it never refers
// to a released header; it must be reloaded after each load.
class TraceHeaderList
{
public:
    TraceHeaderList() = default;
    ~TraceHeaderList();
    TraceHeaderList(const TraceHeaderList&) = delete;
    TraceHeaderList& operator=(const TraceHeaderList&) = delete;

    // Empties the list and fills it with the file's trace headers in file order.
    void loadFrom(const SEGY* segy);
    int count() const { return m_headers.size(); }
    // The header at position index, or null outside 0..count-1.
    SEGYTraceHeader* at(int index) const
    {
        return (index >= 0 && index < m_headers.size()) ? m_headers[index] : nullptr;
    }
    void clear() { m_headers.clear(); }
    // The file object the headers belong to, while they are listed.
    const SEGY* source() const { return m_headers.isEmpty() ? nullptr : m_source; }

    // Stable sort by keys: headers equal under every key keep their current
    // relative order.
    void sort(const QList<TraceHeaderSortKey>& keys);

private:
    void sortByValues(const std::vector<TraceHeaderSortKey>& keys, const QList<FieldDescription>& custom);

    QVector<SEGYTraceHeader*> m_headers;
    const SEGY* m_source = nullptr;
    QMetaObject::Connection m_releaseConnection;
};
