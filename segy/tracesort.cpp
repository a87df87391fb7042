#include "tracesort.h"

#include "headers.h"
#include "largebuffer.h"
#include "segy.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

inline int fieldValue(const SEGYTraceHeader* header, int fieldIndex)
{
    return header ? header->value(fieldIndex) : 0;
}

// The headers are read one after the other but lie far apart, and the final
// reordering reads at random: asking for memory a little ahead keeps several
// reads in flight.
constexpr size_t PrefetchDistance = 16;

constexpr int RadixBits = 14;
constexpr quint32 RadixMask = (1u << RadixBits) - 1;
// One more than the digits, so a count array shifted by one turns into the
// start of each bucket by a running sum.
constexpr quint32 RadixBuckets = RadixMask + 2;

// Sorts words, with a payload moved alongside, by their low `bits` bits,
// stably: passes of RadixBits, their histograms counted in one sweep.
template <typename Payload>
void radixSort(LargeArray<quint64>& words, LargeArray<quint64>& wordsTmp, LargeArray<Payload>& payload,
               LargeArray<Payload>& payloadTmp, int bits)
{
    const size_t size = words.size();
    const int passes = (bits + RadixBits - 1) / RadixBits;
    if (passes == 0)
        return;
    std::vector<quint32> counts(size_t(passes) * RadixBuckets, 0);
    for (size_t i = 0; i < size; ++i) {
        const quint64 w = words[i];
        for (int pass = 0; pass < passes; ++pass)
            ++counts[size_t(pass) * RadixBuckets + ((w >> (pass * RadixBits)) & RadixMask) + 1];
    }
    for (int pass = 0; pass < passes; ++pass) {
        const int shift = pass * RadixBits;
        quint32* count = counts.data() + size_t(pass) * RadixBuckets;
        for (quint32 b = 1; b < RadixBuckets; ++b)
            count[b] += count[b - 1];
        const quint64* from = words.data();
        const Payload* fromPayload = payload.data();
        quint64* to = wordsTmp.data();
        Payload* toPayload = payloadTmp.data();
        for (size_t i = 0; i < size; ++i) {
            const quint32 slot = count[(from[i] >> shift) & RadixMask]++;
            to[slot] = from[i];
            toPayload[slot] = fromPayload[i];
        }
        words.swap(wordsTmp);
        payload.swap(payloadTmp);
    }
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

TraceHeaderList::~TraceHeaderList()
{
    QObject::disconnect(m_releaseConnection);
}

void TraceHeaderList::loadFrom(const SEGY* segy)
{
    m_headers.clear();
    if (segy != m_source) {
        QObject::disconnect(m_releaseConnection);
        m_source = segy;
        if (segy)
            m_releaseConnection = QObject::connect(segy, &SEGY::headersReleasing, [this]() { m_headers.clear(); });
    }
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
    const QList<FieldDescription> custom =
        m_source ? m_source->extraFields(HeaderBlock::Trace) : QList<FieldDescription>();
    bool anyCustom = false;
    for (const TraceHeaderSortKey& key : keyList) {
        if (key.fieldIndex < 0 || key.fieldIndex >= TraceHeaderFieldCount + custom.size())
            continue;
        anyCustom = anyCustom || key.fieldIndex >= TraceHeaderFieldCount;
        const bool seen = std::any_of(keys.begin(), keys.end(), [&](const TraceHeaderSortKey& k) {
            return k.fieldIndex == key.fieldIndex;
        });
        if (!seen)
            keys.push_back(key);
    }
    const int n = m_headers.size();
    if (keys.empty() || n < 2)
        return;
    if (anyCustom) {
        sortByValues(keys, custom);
        return;
    }

    // The keys are gathered once into columns, each mapped to an unsigned
    // number whose natural order is the key's order. Each column only spans
    // the range between its smallest and largest value, so the keys usually
    // fit side by side into one 64-bit word, primary key highest; a stable
    // least-significant-digit radix sort of those words (or of each column in
    // turn, last key first, when they do not fit) equals a stable comparison
    // sort by the whole key list, and ties keep the order the list had.
    const size_t size = size_t(n);
    const size_t keyCount = keys.size();
    LargeArray<quint32> columnStore(keyCount * size);
    std::vector<quint32*> columns(keyCount);
    for (size_t k = 0; k < keyCount; ++k)
        columns[k] = columnStore.data() + k * size;
    std::vector<quint32> lowest(keyCount, 0xFFFFFFFFu), highest(keyCount, 0);
    SEGYTraceHeader* const* list = m_headers.constData();
    const HeaderTable& table = traceHeaderTable();
    // Every trace header keeps its values block at the same place inside the
    // object, so a key's bytes lie at one fixed distance from each header:
    // they can be read, and asked for ahead, without a pointer to follow.
    ptrdiff_t blockAt = 0;
    for (size_t i = 0; i < size; ++i) {
        if (list[i]) {
            blockAt = list[i]->rawBlock() - reinterpret_cast<const uchar*>(list[i]);
            break;
        }
    }
    std::vector<ptrdiff_t> at(keyCount);
    std::vector<int> kinds(keyCount);
    std::vector<quint32> flips(keyCount);
    for (size_t k = 0; k < keyCount; ++k) {
        at[k] = blockAt + table.offsets[keys[k].fieldIndex];
        kinds[k] = table.kinds[keys[k].fieldIndex];
        // An unsigned number whose natural order is the key's order: the sign
        // bit flipped for signed order, all bits flipped to descend.
        flips[k] = keys[k].ascending ? 0x80000000u : 0x7FFFFFFFu;
    }
    // One sweep over the headers, each read once for all its keys.
    for (size_t i = 0; i < size; ++i) {
        const uchar* header = reinterpret_cast<const uchar*>(list[i]);
        if (i + PrefetchDistance < size && list[i + PrefetchDistance]) {
            const uchar* ahead = reinterpret_cast<const uchar*>(list[i + PrefetchDistance]);
            for (size_t k = 0; k < keyCount; ++k)
                prefetch(ahead + at[k]);
        }
        for (size_t k = 0; k < keyCount; ++k) {
            const quint32 v = (header ? quint32(CHeader::valueIn(header + at[k], kinds[k])) : 0u) ^ flips[k];
            columns[k][i] = v;
            lowest[k] = std::min(lowest[k], v);
            highest[k] = std::max(highest[k], v);
        }
    }
    std::vector<int> widths(keyCount);
    int totalWidth = 0;
    for (size_t k = 0; k < keyCount; ++k) {
        quint32 span = highest[k] - lowest[k];
        int width = 0;
        while (span) {
            ++width;
            span >>= 1;
        }
        widths[k] = width;
        totalWidth += width;
    }

    LargeArray<quint64> words(size), wordsTmp(size);
    if (totalWidth <= 64) {
        // The usual case: one word per trace, the headers themselves carried
        // along, so the last pass leaves them in order.
        LargeArray<SEGYTraceHeader*> headers(size), headersTmp(size);
        for (size_t i = 0; i < size; ++i) {
            quint64 word = 0;
            for (size_t k = 0; k < keyCount; ++k)
                word = (widths[k] ? word << widths[k] : word) | (columns[k][i] - lowest[k]);
            words[i] = word;
            headers[i] = list[i];
        }
        radixSort(words, wordsTmp, headers, headersTmp, totalWidth);
        std::copy(headers.data(), headers.data() + size, m_headers.data());
        return;
    }

    // Keys too wide to share a word: one column at a time, last key first,
    // carrying positions in the list.
    LargeArray<int> order(size), orderTmp(size);
    for (size_t i = 0; i < size; ++i)
        order[i] = int(i);
    for (size_t k = keyCount; k-- > 0;) {
        for (size_t i = 0; i < size; ++i)
            words[i] = columns[k][size_t(order[i])] - lowest[k];
        radixSort(words, wordsTmp, order, orderTmp, widths[k]);
    }
    LargeArray<SEGYTraceHeader*> before(size);
    std::copy(list, list + size, before.data());
    SEGYTraceHeader** headers = m_headers.data();
    for (size_t i = 0; i < size; ++i) {
        if (i + PrefetchDistance < size)
            prefetch(&before[size_t(order[i + PrefetchDistance])]);
        headers[i] = before[size_t(order[i])];
    }
}

void TraceHeaderList::sortByValues(const std::vector<TraceHeaderSortKey>& keys, const QList<FieldDescription>& custom)
{
    // Keys of any type: every value read once, then a stable comparison sort.
    const size_t size = size_t(m_headers.size());
    std::vector<std::vector<FieldValue>> columns(keys.size(), std::vector<FieldValue>(size));
    for (size_t k = 0; k < keys.size(); ++k) {
        const int index = keys[k].fieldIndex;
        const FieldDescription field = index < TraceHeaderFieldCount ? FieldDescription::standard(HeaderBlock::Trace, index)
                                                                     : custom.at(index - TraceHeaderFieldCount);
        for (size_t i = 0; i < size; ++i)
            columns[k][i] = m_headers[int(i)] ? m_source->fieldValue(m_headers[int(i)], field) : FieldValue();
    }
    std::vector<int> order(size);
    for (size_t i = 0; i < size; ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const FieldValue& va = columns[k][size_t(a)];
            const FieldValue& vb = columns[k][size_t(b)];
            if (va == vb)
                continue;
            return keys[k].ascending ? va < vb : vb < va;
        }
        return false;
    });
    const QVector<SEGYTraceHeader*> before = m_headers;
    for (size_t i = 0; i < size; ++i)
        m_headers[int(i)] = before[order[i]];
}
