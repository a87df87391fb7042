#include "statscommand.h"

#include "commandsupport.h"
#include "headers.h"
#include "jsonwriter.h"
#include "segy.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("StatsCommand", text);
}

// Traces handled together, so that the fields of one chunk of headers are
// read while the headers are still in the cache.
constexpr int ChunkTraces = 256;
// Distinct values are marked in a bitmap over the field's range when the
// range is at most this wide; wider ones are sorted.
constexpr qint64 BitmapLimitBits = qint64(1) << 28;
// Bitmaps alive during one sweep.
constexpr qint64 BitmapBudgetBytes = qint64(256) << 20;

const uchar* blockOf(const SEGYTraceHeader* header)
{
    static const uchar zeros[TraceHeaderSize] = {};
    return header ? header->rawBlock() : zeros;
}

// One varying field while it is being measured.
struct Column {
    int field;
    int offset;
    int kind;
    qint32 minimum;
    qint32 maximum;
    qint32 previous;
    qint64 changes = 0;  // neighbouring traces with different values
    bool rising = true;  // never decreases from one trace to the next
    bool falling = true;
    std::vector<quint64> bitmap;
    qint64 distinct = 0;
};

template <typename T>
qint32 read(const uchar* block, int offset)
{
    T v;
    std::memcpy(&v, block + offset, sizeof v);
    return v;
}

// Calls f(value, traceInChunk) for the column's value in every block.
template <typename F>
void forEachValue(const Column& column, const uchar* const* blocks, int count, F f)
{
    const int offset = column.offset;
    switch (column.kind) {
    case FieldKindInt:
        for (int t = 0; t < count; ++t)
            f(read<qint32>(blocks[t], offset), t);
        break;
    case FieldKindShort:
        for (int t = 0; t < count; ++t)
            f(read<qint16>(blocks[t], offset), t);
        break;
    case FieldKindUShort:
        for (int t = 0; t < count; ++t)
            f(read<quint16>(blocks[t], offset), t);
        break;
    default:
        for (int t = 0; t < count; ++t)
            f(read<qint8>(blocks[t], offset), t);
        break;
    }
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

qint64 rangeBits(const Column& column)
{
    return qint64(column.maximum) - column.minimum + 1;
}

}  // namespace

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

    // Bytes that differ from the first header anywhere.
    constexpr int Words = TraceHeaderSize / 8;
    quint64 first[Words];
    quint64 differs[Words] = {};
    std::memcpy(first, blockOf(headers.first()), TraceHeaderSize);
    for (const SEGYTraceHeader* header : headers) {
        const uchar* block = blockOf(header);
        for (int w = 0; w < Words; ++w) {
            quint64 v;
            std::memcpy(&v, block + 8 * w, 8);
            differs[w] |= v ^ first[w];
        }
    }
    const auto* differentBytes = reinterpret_cast<const uchar*>(differs);

    std::vector<Column> columns;
    for (FieldStatistics& s : result) {
        const int offset = table.offsets[s.field];
        const int kind = table.kinds[s.field];
        s.first = CHeader::valueIn(blockOf(headers.first()) + offset, kind);
        s.last = CHeader::valueIn(blockOf(headers.last()) + offset, kind);
        s.minimum = s.maximum = s.first;
        s.distinct = 1;
        const int width = table.specs[s.field].width;
        if (std::any_of(differentBytes + offset, differentBytes + offset + width, [](uchar b) { return b != 0; })) {
            const bool known = std::any_of(columns.begin(), columns.end(), [&](const Column& c) { return c.field == s.field; });
            if (!known) {
                Column c;
                c.field = s.field;
                c.offset = offset;
                c.kind = kind;
                c.minimum = c.maximum = c.previous = s.first;
                columns.push_back(std::move(c));
            }
        }
    }

    // Ranges, and whether the values only rise or only fall.
    sweep(headers, [&](const uchar* const* blocks, int count) {
        for (Column& c : columns) {
            forEachValue(c, blocks, count, [&c](qint32 v, int) {
                c.minimum = std::min(c.minimum, v);
                c.maximum = std::max(c.maximum, v);
                c.changes += v != c.previous;
                c.rising = c.rising && v >= c.previous;
                c.falling = c.falling && v <= c.previous;
                c.previous = v;
            });
        }
    });

    // Distinct values: counted changes for ordered values, bitmaps over
    // ranges of reasonable width, a sort for the others.
    std::vector<Column*> mapped;
    for (Column& c : columns) {
        if (c.rising || c.falling) {
            c.distinct = c.changes + 1;
        } else if (rangeBits(c) <= BitmapLimitBits) {
            mapped.push_back(&c);
        } else {
            std::vector<qint32> values;
            values.reserve(size_t(n));
            sweep(headers, [&](const uchar* const* blocks, int count) {
                forEachValue(c, blocks, count, [&values](qint32 v, int) { values.push_back(v); });
            });
            std::sort(values.begin(), values.end());
            c.distinct = std::unique(values.begin(), values.end()) - values.begin();
        }
    }
    for (size_t begin = 0; begin < mapped.size();) {
        size_t end = begin;
        qint64 bytes = 0;
        while (end < mapped.size() && (end == begin || bytes + rangeBits(*mapped[end]) / 8 <= BitmapBudgetBytes))
            bytes += rangeBits(*mapped[end++]) / 8;
        for (size_t i = begin; i < end; ++i)
            mapped[i]->bitmap.assign(size_t((rangeBits(*mapped[i]) + 63) / 64), 0);
        sweep(headers, [&](const uchar* const* blocks, int count) {
            for (size_t i = begin; i < end; ++i) {
                Column& c = *mapped[i];
                quint64* bits = c.bitmap.data();
                const qint64 minimum = c.minimum;
                forEachValue(c, blocks, count, [bits, minimum](qint32 v, int) {
                    const quint64 bit = quint64(v - minimum);
                    bits[bit >> 6] |= quint64(1) << (bit & 63);
                });
            }
        });
        for (size_t i = begin; i < end; ++i) {
            Column& c = *mapped[i];
            for (quint64 word : c.bitmap)
                c.distinct += __builtin_popcountll(word);
            std::vector<quint64>().swap(c.bitmap);
        }
        begin = end;
    }

    for (FieldStatistics& s : result) {
        for (const Column& c : columns) {
            if (c.field == s.field) {
                s.minimum = c.minimum;
                s.maximum = c.maximum;
                s.distinct = c.distinct;
            }
        }
    }
    return result;
}

void StatsCommand::addOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("fields"), QStringLiteral("Trace header fields to summarise, by first byte."),
                      QStringLiteral("byte_offset,...")});
    parser.addOption({QStringLiteral("all"), QStringLiteral("Summarise every trace header field, also those 0 in every trace.")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print the summary as one JSON document.")});
}

bool StatsCommand::readOptions(const QCommandLineParser& parser, QString* error)
{
    m_json = parser.isSet(QStringLiteral("json"));
    m_fields.clear();
    m_listZeroFields = true;
    const QString fieldsOption = QStringLiteral("fields");
    if (parser.isSet(fieldsOption)) {
        QString bad;
        if (!parseTraceFieldList(parser.value(fieldsOption), &m_fields, &bad)) {
            *error = tr("Error: %1 is not a valid offset for SEG-Y trace headers.").arg(bad);
            return false;
        }
        m_listZeroFields = false;
    }
    if (parser.isSet(QStringLiteral("all"))) {
        if (!m_fields.isEmpty()) {
            *error = tr("Error: --fields and --all cannot be used together.");
            return false;
        }
        m_listZeroFields = false;
    }
    return true;
}

void StatsCommand::run(const SEGY& segy, const QString& fileName) const
{
    QList<int> fields = m_fields;
    if (fields.isEmpty()) {
        for (int i = 0; i < TraceHeaderFieldCount; ++i)
            fields.append(i);
    }
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    const std::vector<FieldStatistics> statistics = traceFieldStatistics(headers, fields);
    const bool noTraces = headers.isEmpty();

    std::vector<const FieldStatistics*> rows;
    QStringList zeroFields;
    for (const FieldStatistics& s : statistics) {
        if (s.zeroEverywhere())
            zeroFields.append(traceHeaderLabels().at(s.field));
        if (!s.zeroEverywhere() || !m_listZeroFields)
            rows.push_back(&s);
    }

    if (m_json) {
        JsonWriter json(stdout);
        json.beginObject();
        json.key(QStringLiteral("file"));
        json.value(fileName);
        json.key(QStringLiteral("traceCount"));
        json.value(qint64(headers.size()));
        json.key(QStringLiteral("fields"));
        json.beginArray();
        for (const FieldStatistics* s : rows) {
            json.beginObject(true);
            json.key(QStringLiteral("bytes"));
            json.value(traceHeaderLabels().at(s->field));
            json.key(QStringLiteral("description"));
            json.value(traceHeaderDescriptions().at(s->field));
            const std::pair<const char*, qint32> values[] = {
                {"minimum", s->minimum}, {"maximum", s->maximum}, {"first", s->first}, {"last", s->last}};
            for (const auto& value : values) {
                json.key(QByteArray(value.first));
                if (noTraces)
                    json.null();
                else
                    json.value(qint64(value.second));
            }
            json.key(QStringLiteral("distinct"));
            json.value(s->distinct);
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
        auto number = [noTraces](qint64 v) { return noTraces ? QStringLiteral("-") : QString::number(v); };
        printLine(stdout, QStringLiteral("%1 %2 %3 %4 %5 %6  %7")
                              .arg(tr("Bytes"), -9)
                              .arg(tr("Minimum"), 11)
                              .arg(tr("Maximum"), 11)
                              .arg(tr("Distinct"), 11)
                              .arg(tr("First"), 11)
                              .arg(tr("Last"), 11)
                              .arg(tr("Description")));
        for (const FieldStatistics* s : rows) {
            printLine(stdout, QStringLiteral("%1 %2 %3 %4 %5 %6  %7")
                                  .arg(traceHeaderLabels().at(s->field), -9)
                                  .arg(number(s->minimum), 11)
                                  .arg(number(s->maximum), 11)
                                  .arg(s->distinct, 11)
                                  .arg(number(s->first), 11)
                                  .arg(number(s->last), 11)
                                  .arg(traceHeaderDescriptions().at(s->field).trimmed()));
        }
    }
    if (!zeroFields.isEmpty())
        printLine(stdout, tr("0 in every trace: %1").arg(zeroFields.join(QStringLiteral(", "))));
}
