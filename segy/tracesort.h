#pragma once

#include <QList>
#include <QVector>

class SEGY;
class SEGYTraceHeader;

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
// file object does, and every load makes the references stale, so the list
// must be reloaded after each load.
class TraceHeaderList
{
public:
    // Empties the list and fills it with the file's trace headers in file order.
    void loadFrom(const SEGY* segy);
    int count() const { return m_headers.size(); }
    // The header at position index, or null outside 0..count-1.
    SEGYTraceHeader* at(int index) const
    {
        return (index >= 0 && index < m_headers.size()) ? m_headers[index] : nullptr;
    }
    void clear() { m_headers.clear(); }

    // Stable sort by keys: headers equal under every key keep their current
    // relative order.
    void sort(const QList<TraceHeaderSortKey>& keys);

private:
    QVector<SEGYTraceHeader*> m_headers;
};
