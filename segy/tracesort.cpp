#include "tracesort.h"

#include "headers.h"
#include "segy.h"

#include <algorithm>
#include <memory>
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

constexpr int RadixBits = 11;
constexpr quint32 RadixMask = (1u << RadixBits) - 1;
// One more than the digits, so a count array shifted by one turns into the
// start of each bucket by a running sum.
constexpr quint32 RadixBuckets = RadixMask + 2;

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
    // (Buffers are left uninitialised: every element is written before it is read.)
    const size_t size = size_t(n);
    const size_t keyCount = keys.size();
    std::unique_ptr<quint32[]> columns(new quint32[keyCount * size]);
    for (int i = 0; i < n; ++i) {
        const SEGYTraceHeader* header = m_headers[i];
        for (size_t k = 0; k < keyCount; ++k)
            columns[k * size_t(n) + size_t(i)] = radixKey(fieldValue(header, keys[k].fieldIndex), keys[k].ascending);
    }

    std::unique_ptr<quint32[]> valuesBuffer(new quint32[2 * size]);
    std::unique_ptr<int[]> orderBuffer(new int[2 * size]);
    quint32* values = valuesBuffer.get();
    quint32* valuesTmp = values + size;
    int* order = orderBuffer.get();
    int* orderTmp = order + size;
    for (int i = 0; i < n; ++i)
        order[i] = i;

    std::vector<quint32> counts(3 * RadixBuckets);
    for (size_t k = keyCount; k-- > 0;) {
        const quint32* column = columns.get() + k * size;
        for (int i = 0; i < n; ++i)
            values[i] = column[order[i]];
        // Three passes of 11 bits, their histograms counted in one sweep. A
        // pass whose digit is the same for every element would leave the
        // order as it is and is skipped.
        std::fill(counts.begin(), counts.end(), 0);
        for (int i = 0; i < n; ++i) {
            const quint32 v = values[i];
            ++counts[(v & RadixMask) + 1];
            ++counts[RadixBuckets + ((v >> RadixBits) & RadixMask) + 1];
            ++counts[2 * RadixBuckets + (v >> (2 * RadixBits)) + 1];
        }
        for (int pass = 0; pass < 3; ++pass) {
            const int shift = pass * RadixBits;
            quint32* count = counts.data() + pass * RadixBuckets;
            if (count[((values[0] >> shift) & RadixMask) + 1] == quint32(n))
                continue;
            for (quint32 b = 1; b < RadixBuckets; ++b)
                count[b] += count[b - 1];
            for (int i = 0; i < n; ++i) {
                const quint32 v = values[i];
                const quint32 slot = count[(v >> shift) & RadixMask]++;
                valuesTmp[slot] = v;
                orderTmp[slot] = order[i];
            }
            std::swap(values, valuesTmp);
            std::swap(order, orderTmp);
        }
    }

    const std::vector<SEGYTraceHeader*> before(m_headers.cbegin(), m_headers.cend());
    SEGYTraceHeader** headers = m_headers.data();
    for (int i = 0; i < n; ++i)
        headers[i] = before[size_t(order[i])];
}
