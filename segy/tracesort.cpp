#include "tracesort.h"

#include "headers.h"
#include "segy.h"

#include <algorithm>
#include <vector>

namespace {

inline int fieldValue(const SEGYTraceHeader* header, int fieldIndex)
{
    return header ? header->value(fieldIndex) : 0;
}

// Maps a key's value to an unsigned number whose natural order is the key's
// order: the sign bit flipped for signed order, all bits flipped to descend.
inline quint32 radixKey(qint32 value, bool ascending)
{
    const quint32 u = quint32(value) ^ 0x80000000u;
    return ascending ? u : ~u;
}

}  // namespace

bool SEGYTraceHeaderComparer::operator()(const SEGYTraceHeader* a, const SEGYTraceHeader* b) const
{
    for (const TraceHeaderSortKey& key : m_keys) {
        const int va = fieldValue(a, key.fieldIndex);
        const int vb = fieldValue(b, key.fieldIndex);
        if (va == vb)
            continue;
        return key.ascending ? va < vb : va > vb;
    }
    return false;
}

void TraceHeaderList::loadFrom(const SEGY* segy)
{
    m_headers.clear();
    if (!segy)
        return;
    const QList<SEGYTraceHeader*> headers = segy->traceHeaders();
    m_headers.reserve(headers.size());
    for (SEGYTraceHeader* header : headers)
        m_headers.append(header);
}

void TraceHeaderList::sort(const QList<TraceHeaderSortKey>& keyList)
{
    // Keys that can never decide are dropped: a field outside the catalogue
    // reads 0 everywhere, and a repeated field only meets ties of its own.
    std::vector<TraceHeaderSortKey> keys;
    for (const TraceHeaderSortKey& key : keyList) {
        if (key.fieldIndex < 0 || key.fieldIndex >= TraceHeaderFieldCount)
            continue;
        const bool seen = std::any_of(keys.begin(), keys.end(), [&](const TraceHeaderSortKey& k) {
            return k.fieldIndex == key.fieldIndex;
        });
        if (!seen)
            keys.push_back(key);
    }
    const int n = m_headers.size();
    if (keys.empty() || n < 2)
        return;

    // Least-significant-key-first radix sort: every pass is stable, so the
    // result equals a stable comparison sort by the whole key list, and ties
    // keep the order the list had before the call. The values are gathered
    // once per key so the passes never touch the scattered header objects.
    const size_t keyCount = keys.size();
    std::vector<quint32> columns(keyCount * size_t(n));
    for (int i = 0; i < n; ++i) {
        const SEGYTraceHeader* header = m_headers[i];
        for (size_t k = 0; k < keyCount; ++k)
            columns[k * size_t(n) + size_t(i)] = radixKey(fieldValue(header, keys[k].fieldIndex), keys[k].ascending);
    }

    const size_t size = size_t(n);
    std::vector<quint32> values(size), valuesTmp(size);
    std::vector<int> order(size), orderTmp(size);
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = i;

    for (size_t k = keyCount; k-- > 0;) {
        const quint32* column = columns.data() + k * size_t(n);
        for (int i = 0; i < n; ++i)
            values[size_t(i)] = column[order[size_t(i)]];
        for (int shift = 0; shift < 32; shift += 16) {
            std::vector<quint32> counts(65537, 0);
            for (int i = 0; i < n; ++i)
                ++counts[((values[size_t(i)] >> shift) & 0xFFFF) + 1];
            // One bucket holding everything leaves the order as it is.
            if (std::any_of(counts.begin(), counts.end(), [n](quint32 c) { return c == quint32(n); }))
                continue;
            for (size_t b = 1; b < counts.size(); ++b)
                counts[b] += counts[b - 1];
            for (int i = 0; i < n; ++i) {
                const size_t slot = counts[(values[size_t(i)] >> shift) & 0xFFFF]++;
                valuesTmp[slot] = values[size_t(i)];
                orderTmp[slot] = order[size_t(i)];
            }
            values.swap(valuesTmp);
            order.swap(orderTmp);
        }
    }

    QVector<SEGYTraceHeader*> sorted(n);
    for (int i = 0; i < n; ++i)
        sorted[i] = m_headers[order[size_t(i)]];
    m_headers.swap(sorted);
}
