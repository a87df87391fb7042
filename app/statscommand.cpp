#include "command.h"
#include "commandsupport.h"
#include "headers.h"
#include "jsonwriter.h"
#include "segy.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// What one trace header field holds over all traces of a file.
struct FieldStatistics {
    int field = -1;  // index in the trace header table
    qint32 minimum = 0;
    qint32 maximum = 0;
    qint32 first = 0;  // value in the first and in the last trace
    qint32 last = 0;
    qint64 distinct = 0;  // number of different values; 0 for no trace
    bool zeroEverywhere() const { return minimum == 0 && maximum == 0; }
};


QString tr(const char* text)
{
    return QCoreApplication::translate("StatsCommand", text);
}

// Traces handled together, so that the fields of one chunk of headers are
// read while the headers are still in the cache.
constexpr int ChunkTraces = 256;
// Distinct values are marked in a bitmap over the values seen, as long as
// they span at most this many; fields with wider values are sorted.
constexpr qint64 BitmapLimitBits = qint64(1) << 27;

const uchar* blockOf(const SEGYTraceHeader* header)
{
    static const uchar zeros[TraceHeaderSize] = {};
    return header ? header->rawBlock() : zeros;
}

// Marks values in a bitmap that grows to cover the values seen.
class ValueBitmap
{
public:
    explicit ValueBitmap(qint64 value) : m_base(floor64(value) - 32768), m_words(1024, 0) { add(value); }

    bool tooWide() const { return m_words.empty(); }

    // For loops that mark many values: the words, the value of their first
    // bit and their number of bits, valid until the next grow().
    quint64* words() { return m_words.data(); }
    qint64 base() const { return m_base; }
    quint64 bits() const { return quint64(m_words.size()) * 64; }

    void add(qint64 value)
    {
        const quint64 bit = quint64(value - m_base);
        if (bit >= bits()) {
            grow(value);
            if (tooWide())
                return;
            add(value);
            return;
        }
        m_words[bit >> 6] |= quint64(1) << (bit & 63);
    }

    // At least doubles the span, towards the value; past the limit the
    // bitmap is dropped (tooWide).
    __attribute__((noinline)) void grow(qint64 value)
    {
        const qint64 span = qint64(m_words.size()) * 64;
        const qint64 low = std::min(m_base, floor64(value));
        const qint64 high = std::max(m_base + span, floor64(value) + 64);
        const qint64 newSpan = std::max(high - low, 2 * span);
        if (newSpan > BitmapLimitBits) {
            std::vector<quint64>().swap(m_words);
            return;
        }
        const qint64 newBase = value < m_base ? high - newSpan : low;
        std::vector<quint64> words(size_t(newSpan / 64), 0);
        std::copy(m_words.begin(), m_words.end(), words.begin() + (m_base - newBase) / 64);
        m_words.swap(words);
        m_base = newBase;
    }

    qint64 count() const
    {
        qint64 count = 0;
        for (quint64 word : m_words)
            count += __builtin_popcountll(word);
        return count;
    }

private:
    static qint64 floor64(qint64 v) { return v & ~qint64(63); }

    qint64 m_base;  // the value of bit 0, a multiple of 64
    std::vector<quint64> m_words;
};

// What is known of a field once it was seen to vary.
struct Column {
    int field;
    int offset;
    int kind;
    qint32 minimum;
    qint32 maximum;
    qint32 previous;      // the value in the last trace looked at
    qint64 changes = 0;   // neighbouring traces with different values
    qint64 rises = 0;
    qint64 falls = 0;
    ValueBitmap distinct;
};

template <typename T>
void scan(Column& c, const uchar* const* blocks, int count)
{
    qint32 minimum = c.minimum;
    qint32 maximum = c.maximum;
    qint32 previous = c.previous;
    qint64 changes = 0;
    qint64 rises = 0;
    qint64 falls = 0;
    const int offset = c.offset;
    ValueBitmap& distinct = c.distinct;
    quint64* words = distinct.words();
    qint64 base = distinct.base();
    quint64 bits = distinct.bits();
    for (int t = 0; t < count; ++t) {
        T stored;
        std::memcpy(&stored, blocks[t] + offset, sizeof stored);
        const qint32 v = stored;
        minimum = std::min(minimum, v);
        maximum = std::max(maximum, v);
        changes += v != previous;
        rises += v > previous;
        falls += v < previous;
        if (v != previous) {
            const quint64 bit = quint64(v - base);
            if (bit < bits) {
                words[bit >> 6] |= quint64(1) << (bit & 63);
            } else if (bits > 0) {
                distinct.add(v);
                words = distinct.words();
                base = distinct.base();
                bits = distinct.bits();
            }
        }
        previous = v;
    }
    c.minimum = minimum;
    c.maximum = maximum;
    c.previous = previous;
    c.changes += changes;
    c.rises += rises;
    c.falls += falls;
}

void scan(Column& c, const uchar* const* blocks, int count)
{
    switch (c.kind) {
    case FieldKindInt: scan<qint32>(c, blocks, count); break;
    case FieldKindShort: scan<qint16>(c, blocks, count); break;
    case FieldKindUShort: scan<quint16>(c, blocks, count); break;
    default: scan<qint8>(c, blocks, count); break;
    }
}

// A chunk in which the field holds the first trace's value throughout.
void scanUnchanged(Column& c, qint32 first)
{
    c.changes += first != c.previous;
    c.rises += first > c.previous;
    c.falls += first < c.previous;
    c.previous = first;
}

// Runs visit(blocks, count) over all headers, a chunk at a time.
template <typename F>
void sweep(const QList<SEGYTraceHeader*>& headers, F visit)
{
    const uchar* blocks[ChunkTraces];
    const int n = headers.size();
    for (int start = 0; start < n; start += ChunkTraces) {
        const int count = std::min(ChunkTraces, n - start);
        for (int t = 0; t < count; ++t)
            blocks[t] = blockOf(headers.at(start + t));
        visit(blocks, count);
    }
}

// Statistics of the given trace header fields (indexes), in that order.
// Works on the header blocks in a few sweeps: one finds the fields that
// vary at all, one their ranges, one counts their distinct values.
std::vector<FieldStatistics> traceFieldStatistics(const QList<SEGYTraceHeader*>& headers, const QList<int>& fields)
{
    const HeaderTable& table = traceHeaderTable();
    const int n = headers.size();
    std::vector<FieldStatistics> result;
    for (int field : fields) {
        FieldStatistics s;
        s.field = field;
        result.push_back(s);
    }
    if (n == 0)
        return result;

    const uchar* firstBlock = blockOf(headers.first());
    std::vector<FieldStatistics*> statisticsOf(size_t(TraceHeaderFieldCount), nullptr);
    for (FieldStatistics& s : result) {
        const int offset = table.offsets[s.field];
        const int kind = table.kinds[s.field];
        s.first = CHeader::valueIn(firstBlock + offset, kind);
        s.last = CHeader::valueIn(blockOf(headers.last()) + offset, kind);
        s.minimum = s.maximum = s.first;
        s.distinct = 1;
        statisticsOf[size_t(s.field)] = &s;
    }

    // One sweep. In each chunk, the bytes that differ from the first header
    // tell which fields hold anything else there; only those are read.
    constexpr int Words = TraceHeaderSize / 8;
    quint64 first[Words];
    std::memcpy(first, firstBlock, TraceHeaderSize);
    std::vector<Column> columns;
    columns.reserve(size_t(TraceHeaderFieldCount));
    std::vector<int> columnOf(size_t(TraceHeaderFieldCount), -1);
    sweep(headers, [&](const uchar* const* blocks, int count) {
        quint64 differs[Words] = {};
        for (int t = 0; t < count; ++t) {
            for (int w = 0; w < Words; ++w) {
                quint64 v;
                std::memcpy(&v, blocks[t] + 8 * w, 8);
                differs[w] |= v ^ first[w];
            }
        }
        const auto* differentBytes = reinterpret_cast<const uchar*>(differs);
        auto differsHere = [&](int field) {
            const uchar* from = differentBytes + table.offsets[field];
            return std::any_of(from, from + table.specs[field].width, [](uchar b) { return b != 0; });
        };
        for (const FieldStatistics& s : result) {
            if (columnOf[size_t(s.field)] < 0 && differsHere(s.field)) {
                columnOf[size_t(s.field)] = int(columns.size());
                columns.push_back(Column{s.field, table.offsets[s.field], table.kinds[s.field], s.first, s.first,
                                         s.first, 0, 0, 0, ValueBitmap(s.first)});
            }
        }
        for (Column& c : columns) {
            if (differsHere(c.field))
                scan(c, blocks, count);
            else
                scanUnchanged(c, statisticsOf[size_t(c.field)]->first);
        }
    });

    for (Column& c : columns) {
        FieldStatistics& s = *statisticsOf[size_t(c.field)];
        s.minimum = c.minimum;
        s.maximum = c.maximum;
        if (c.rises == c.changes || c.falls == c.changes) {
            s.distinct = c.changes + 1;  // values that only rise or only fall
        } else if (!c.distinct.tooWide()) {
            s.distinct = c.distinct.count();
        } else {
            std::vector<qint32> values;
            values.reserve(size_t(n));
            sweep(headers, [&](const uchar* const* blocks, int count) {
                for (int t = 0; t < count; ++t)
                    values.push_back(CHeader::valueIn(blocks[t] + c.offset, c.kind));
            });
            std::sort(values.begin(), values.end());
            s.distinct = std::unique(values.begin(), values.end()) - values.begin();
        }
    }
    for (FieldStatistics& s : result)  // a field chosen twice
        s = *statisticsOf[size_t(s.field)];
    return result;
}

// The "stats" command: a summary of every trace header field of a file.
class StatsCommand : public Command
{
public:
    StatsCommand()
        : Command("stats", QT_TRANSLATE_NOOP("QObject", "Print what the trace header fields hold: ranges, distinct "
                                                          "values, first and last."))
    {
    }
    void addOptions(QCommandLineParser& parser) const override;
    bool readOptions(const QCommandLineParser& parser, QString* error) override;
    bool run(const QString& fileName, const ErrorSink& error) override;

private:
    // Prints the summary of a loaded file on standard output.
    void print(const SEGY& segy, const QString& fileName) const;

    QList<int> m_fields;  // chosen fields; empty: all
    bool m_listZeroFields = true;  // without --fields or --all, fields 0 everywhere only in the closing list
    bool m_json = false;
};

}  // namespace

std::unique_ptr<Command> createStatsCommand()
{
    return std::make_unique<StatsCommand>();
}

void StatsCommand::addOptions(QCommandLineParser& parser) const
{
    parser.addOptions({
        {QStringLiteral("fields"), QStringLiteral("Trace header fields to summarise, by first byte."),
          QStringLiteral("byte_offset,...")},
        {QStringLiteral("all"), QStringLiteral("Summarise every trace header field, also those 0 in every trace.")},
        {QStringLiteral("json"), QStringLiteral("Print the summary as one JSON document.")},
    });
}

bool StatsCommand::readOptions(const QCommandLineParser& parser, QString* error)
{
    m_json = parser.isSet(QStringLiteral("json"));
    if (!readTraceFieldsOption(parser, &m_fields, error))
        return false;
    const bool all = parser.isSet(QStringLiteral("all"));
    if (all && !m_fields.isEmpty()) {
        *error = tr("Error: --fields and --all cannot be used together.");
        return false;
    }
    m_listZeroFields = !all && !parser.isSet(QStringLiteral("fields"));
    return true;
}

bool StatsCommand::run(const QString& fileName, const ErrorSink& error)
{
    return readFile(fileName, error, [this, &fileName](const SEGY& segy) {
        print(segy, fileName);
        return true;
    });
}

namespace {

// One line of the statistics, for a standard or a custom field.
struct StatisticsRow {
    QString bytes;
    QString description;
    FieldValue minimum, maximum, first, last;
    qint64 distinct = 0;
    bool zeroEverywhere() const { return minimum == FieldValue() && maximum == FieldValue(); }
};

// A custom field over all traces: its values read one by one, sorted for
// the distinct count.
StatisticsRow customStatistics(const SEGY& segy, const FieldDescription& field)
{
    StatisticsRow row;
    row.bytes = field.name;
    row.description = field.description.isEmpty() ? QStringLiteral("%1 %2").arg(field.label(), valueTypeName(field.type))
                                                  : field.description;
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    std::vector<FieldValue> values;
    values.reserve(size_t(headers.size()));
    for (const SEGYTraceHeader* header : headers)
        values.push_back(header ? segy.fieldValue(header, field) : FieldValue());
    if (values.empty())
        return row;
    row.first = values.front();
    row.last = values.back();
    std::sort(values.begin(), values.end());
    row.minimum = values.front();
    row.maximum = values.back();
    row.distinct = 1;
    for (size_t k = 1; k < values.size(); ++k)
        row.distinct += !(values[k] == values[k - 1]);
    return row;
}

}  // namespace

void StatsCommand::print(const SEGY& segy, const QString& fileName) const
{
    const QList<int> fields = m_fields.isEmpty() ? allTraceFields(segy.hasTraceExtensions()) : m_fields;
    QList<int> standardFields;
    for (int field : fields)
        if (field < TraceHeaderFieldCount)
            standardFields.append(field);
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    const std::vector<FieldStatistics> statistics = traceFieldStatistics(headers, standardFields);
    const bool noTraces = headers.isEmpty();

    std::vector<StatisticsRow> all;
    size_t nextStandard = 0;
    for (int field : fields) {
        if (field >= TraceHeaderFieldCount) {
            all.push_back(customStatistics(segy, commandTraceField(field)));
            continue;
        }
        const FieldStatistics& s = statistics[nextStandard++];
        all.push_back({traceHeaderLabels().at(s.field), traceHeaderDescriptions().at(s.field).trimmed(),
                       FieldValue::ofSigned(s.minimum), FieldValue::ofSigned(s.maximum), FieldValue::ofSigned(s.first),
                       FieldValue::ofSigned(s.last), s.distinct});
    }
    std::vector<const StatisticsRow*> rows;
    QStringList zeroFields;
    for (const StatisticsRow& s : all) {
        if (s.zeroEverywhere())
            zeroFields.append(s.bytes);
        if (!s.zeroEverywhere() || !m_listZeroFields)
            rows.push_back(&s);
    }

    if (m_json) {
        JsonWriter json(stdout);
        json.beginObject();
        json.member("file", fileName);
        json.member("traceCount", qint64(headers.size()));
        json.key(QStringLiteral("fields"));
        json.beginArray();
        for (const StatisticsRow* s : rows) {
            json.beginObject(true);
            json.member("bytes", s->bytes);
            json.member("description", s->description);
            const std::pair<const char*, FieldValue> values[] = {
                {"minimum", s->minimum}, {"maximum", s->maximum}, {"first", s->first}, {"last", s->last}};
            for (const auto& value : values) {
                json.key(QByteArray(value.first));
                if (noTraces)
                    json.null();
                else
                    json.fieldValue(value.second);
            }
            json.member("distinct", s->distinct);
            json.endObject();
        }
        json.endArray();
        json.key(QStringLiteral("zeroFields"));
        json.beginArray(true);
        for (const QString& label : qAsConst(zeroFields))
            json.value(label);
        json.endArray();
        json.endObject();
        json.finish();
        return;
    }

    printLine(stdout, tr("File: %1").arg(fileName));
    printLine(stdout, tr("Trace count: %1").arg(headers.size()));
    if (!rows.empty()) {
        auto number = [noTraces](const FieldValue& v) { return noTraces ? QStringLiteral("-") : v.text(); };
        printLine(stdout, QStringLiteral("%1 %2 %3 %4 %5 %6  %7")
                              .arg(tr("Bytes"), -9)
                              .arg(tr("Minimum"), 11)
                              .arg(tr("Maximum"), 11)
                              .arg(tr("Distinct"), 11)
                              .arg(tr("First"), 11)
                              .arg(tr("Last"), 11)
                              .arg(tr("Description")));
        for (const StatisticsRow* s : rows) {
            printLine(stdout, QStringLiteral("%1 %2 %3 %4 %5 %6  %7")
                                  .arg(s->bytes, -9)
                                  .arg(number(s->minimum), 11)
                                  .arg(number(s->maximum), 11)
                                  .arg(s->distinct, 11)
                                  .arg(number(s->first), 11)
                                  .arg(number(s->last), 11)
                                  .arg(s->description));
        }
    }
    if (!zeroFields.isEmpty())
        printLine(stdout, tr("0 in every trace: %1").arg(zeroFields.join(QStringLiteral(", "))));
}
