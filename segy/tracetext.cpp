// Both directions work on bytes, because a million traces make some hundred
// million cells.

#include "tracetext.h"

#include "headers.h"
#include "segyfileio.h"

#include <QCoreApplication>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SEGY", text);
}

constexpr qint64 ChunkSize = 4 << 20;
// Progress is reported every 4096 traces: when the row has these bits clear.
constexpr int ProgressMask = 4095;

// Decimal text of value at out; returns the end of the text.
char* writeInteger(char* out, qint32 value)
{
    static const char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    quint32 u = quint32(value);
    if (value < 0) {
        *out++ = '-';
        u = 0u - u;
    }
    char digits[10];
    char* p = digits + 10;
    while (u >= 100) {
        const quint32 pair = (u % 100) * 2;
        u /= 100;
        *--p = pairs[pair + 1];
        *--p = pairs[pair];
    }
    if (u >= 10) {
        *--p = pairs[u * 2 + 1];
        *--p = pairs[u * 2];
    } else {
        *--p = char('0' + u);
    }
    const size_t length = size_t(digits + 10 - p);
    std::memcpy(out, p, length);
    return out + length;
}

// Reads a device line by line in large chunks. A line ends at LF, at CR LF
// or at a CR alone; the line end is not part of the line.
class LineReader
{
public:
    explicit LineReader(QIODevice* device) : m_device(device) {}

    bool atEnd()
    {
        if (m_pos == m_data.size())
            fill();
        return m_pos == m_data.size();
    }

    // The next line, valid until the next call; false at the end of the data.
    bool readLine(const char** begin, const char** end)
    {
        for (;;) {
            const char* base = m_data.constData();
            const char* from = base + m_pos;
            const char* dataEnd = base + m_data.size();
            const auto* newline = static_cast<const char*>(std::memchr(from, '\n', size_t(dataEnd - from)));
            const char* lineEnd = newline ? newline : dataEnd;
            const auto* cr = static_cast<const char*>(std::memchr(from, '\r', size_t(lineEnd - from)));
            if (cr && cr + 1 == dataEnd && !m_eof) {
                fill();  // whether an LF follows is in the next chunk
                continue;
            }
            if (cr || newline || m_eof) {
                if (!cr && !newline && m_pos == m_data.size())
                    return false;
                *begin = from;
                if (cr) {
                    *end = cr;
                    m_pos = int(cr - base) + ((cr + 1 < dataEnd && cr[1] == '\n') ? 2 : 1);
                } else {
                    *end = lineEnd;
                    m_pos = newline ? int(newline - base) + 1 : m_data.size();
                }
                return true;
            }
            fill();
        }
    }

private:
    void fill()
    {
        if (m_eof)
            return;
        m_data.remove(0, m_pos);
        m_pos = 0;
        const int kept = m_data.size();
        m_data.resize(kept + int(ChunkSize));
        const qint64 got = m_device->read(m_data.data() + kept, ChunkSize);
        m_data.resize(kept + int(qMax<qint64>(got, 0)));
        if (got < 0)
            failed = true;
        if (got <= 0)
            m_eof = true;
    }

    QIODevice* m_device;
    QByteArray m_data;
    int m_pos = 0;
    bool m_eof = false;

public:
    bool failed = false;
};

const char* findSeparator(const char* from, const char* end, const QByteArray& separator)
{
    const char first = separator.at(0);
    const int length = separator.size();
    while (from < end) {
        const auto* hit = static_cast<const char*>(std::memchr(from, first, size_t(end - from)));
        if (!hit || end - hit < length)
            return nullptr;
        if (length == 1 || std::memcmp(hit + 1, separator.constData() + 1, size_t(length - 1)) == 0)
            return hit;
        from = hit + 1;
    }
    return nullptr;
}

// Plain decimal text ("-" and up to 18 digits, nothing else) parsed at once.
bool parsePlainInteger(const char* begin, const char* end, qint64* value)
{
    const bool negative = begin < end && *begin == '-';
    const char* p = negative ? begin + 1 : begin;
    if (p == end || end - p > 18)
        return false;
    qint64 result = 0;
    for (; p < end; ++p) {
        const unsigned digit = unsigned(*p) - unsigned('0');
        if (digit > 9)
            return false;
        result = result * 10 + digit;
    }
    *value = negative ? -result : result;
    return true;
}

// The sample count a cell asks for: an unsigned 16-bit number, 0 when the
// cell is no such number.
quint16 requestedSampleCount(const char* begin, const char* end)
{
    qint64 value = 0;
    if (!parsePlainInteger(begin, end, &value)) {
        bool ok = false;
        const ushort word = QString::fromUtf8(begin, int(end - begin)).toUShort(&ok, 10);
        return ok ? word : 0;
    }
    return (value >= 0 && value <= 65535) ? quint16(value) : 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

}  // namespace

bool isNumberCharacter(QChar c)
{
    return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

QString delimiterRefusal(const QString& delimiter)
{
    for (const QChar c : delimiter) {
        if (isNumberCharacter(c))
            return numberDelimiterMessage(delimiter);
    }
    return QString();
}

QString numberDelimiterMessage(const QString& delimiter)
{
    return tr("\"%1\" cannot be a delimiter: digits, signs and decimal points are parts of numbers.").arg(delimiter);
}

TraceTextResult writeTraceHeaderText(QIODevice* device, const QList<SEGYTraceHeader*>& headers,
                                     const QString& separator, const std::function<void(int)>& progressCallback,
                                     const CustomColumns& custom)
{
    TraceTextResult result;
    result.error = delimiterRefusal(separator);
    if (!result.error.isEmpty())
        return result;
    const QByteArray sep = separator.toUtf8();
    const int sepSize = sep.size();
    const HeaderTable& table = traceHeaderTable();
    const qint64 longestLine = qint64(table.count) * (11 + sepSize) + qint64(custom.fields.size()) * (32 + sepSize) + 2;
    std::vector<char> buffer(size_t(ChunkSize + longestLine));
    char* const start = buffer.data();
    char* out = start;
    bool ok = true;

    auto flush = [&]() {
        if (ok && out > start)
            ok = device->write(start, out - start) == out - start;
        out = start;
    };
    auto endLine = [&]() {
        *out++ = '\r';
        *out++ = '\n';
        if (out - start >= ChunkSize)
            flush();
    };

    QStringList titles = traceHeaderLabels();
    for (const FieldDescription& field : custom.fields)
        titles << field.name;
    for (const QString& label : titles) {
        const QByteArray text = label.toUtf8();
        std::memcpy(out, text.constData(), size_t(text.size()));
        out += text.size();
        std::memcpy(out, sep.constData(), size_t(sepSize));
        out += sepSize;
    }
    endLine();

    ProgressReport progress(progressCallback);
    const int traceCount = headers.size();
    for (int row = 0; row < traceCount && ok; ++row) {
        const SEGYTraceHeader* header = headers.at(row);
        if ((row & ProgressMask) == 0)
            progress(int(row * 100.0 / traceCount));
        for (int field = 0; field < table.count; ++field) {
            out = writeInteger(out, header ? header->value(field) : 0);
            std::memcpy(out, sep.constData(), size_t(sepSize));
            out += sepSize;
        }
        for (const FieldDescription& field : custom.fields) {
            const QByteArray text = !header      ? QByteArray("0")
                                    : custom.read ? custom.read(header, field).text().toUtf8()
                                                  : headerFieldValue(*header, field, custom.littleEndian).text().toLatin1();
            std::memcpy(out, text.constData(), size_t(text.size()));
            out += text.size();
            std::memcpy(out, sep.constData(), size_t(sepSize));
            out += sepSize;
        }
        endLine();
        result.rows = row + 1;
    }
    flush();
    result.ok = ok;
    if (!ok)
        result.error = device->errorString();
    return result;
}

TraceTextResult readTraceHeaderText(QIODevice* device, const QString& name, const QList<SEGYTraceHeader*>& headers,
                                    const QString& separator, HeaderChanges* changes,
                                    const std::function<void(int)>& progressCallback, const CustomColumns& custom)
{
    TraceTextResult result;
    result.error = delimiterRefusal(separator);
    if (!result.error.isEmpty()) {
        result.messages << result.error;
        return result;
    }
    // With a separator of white space, blanks at either end of a line are no
    // cells: right-aligned columns start with blanks.
    const QByteArray sep = separator.toUtf8();
    const bool blankSeparator = !sep.isEmpty() && std::all_of(sep.begin(), sep.end(), isBlank);
    auto trim = [blankSeparator](const char** first, const char** last) {
        if (!blankSeparator)
            return;
        while (*first < *last && isBlank(**first))
            ++*first;
        while (*last > *first && isBlank((*last)[-1]))
            --*last;
    };
    // The first line holds the labels; blank lines after it hold no trace
    // and are passed over.
    LineReader reader(device);
    const char* begin = nullptr;
    const char* end = nullptr;
    int lineNumber = 0;
    auto nextLine = [&]() {
        while (reader.readLine(&begin, &end)) {
            ++lineNumber;
            for (const char* p = begin; p < end; ++p)
                if (*p != ' ' && *p != '\t') {
                    trim(&begin, &end);
                    return true;
                }
        }
        return false;
    };

    QString headerLine;
    if (reader.readLine(&begin, &end)) {
        lineNumber = 1;
        if (end - begin >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0)
            begin += 3;  // a byte-order mark some spreadsheets write
        trim(&begin, &end);
        headerLine = QString::fromUtf8(begin, int(end - begin));
    }

    // Columns match fields by the exact label; others are ignored. The
    // sample count is compared, never stored.
    const int samplesField = fieldIndex(TraceField::SampleCount);
    const QStringList columns = sep.isEmpty() ? QStringList() : headerLine.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
    std::vector<int> columnField(size_t(columns.size()), -1);
    std::vector<int> rowFields;  // the fields stored, each once
    bool anyField = false;
    for (int c = 0; c < columns.size(); ++c) {
        int field = traceHeaderFieldOfLabel(columns[c]);
        for (int k = 0; field < 0 && k < custom.fields.size(); ++k)
            if (custom.fields[k].name == columns[c])
                field = TraceHeaderFieldCount + k;
        columnField[size_t(c)] = field;
        anyField = anyField || field >= 0;
        if (field >= 0 && field != samplesField && field < TraceHeaderFieldCount
            && std::find(rowFields.begin(), rowFields.end(), field) == rowFields.end())
            rowFields.push_back(field);
    }
    if (!anyField) {
        result.error = tr("No column of the first line of %1 names a trace header field; "
                          "check the separator.").arg(name);
        if (!reader.failed)
            result.messages << result.error;
        return result;
    }

    const HeaderTable& table = traceHeaderTable();
    const int columnCount = columns.size();
    const int traces = headers.size();
    bool samplesDiffer = false;
    bool anyValue = false;  // a cell gave a value, changed or not
    qint64 refused = 0;
    int firstRefusedLine = 0;
    int firstRefusedColumn = 0;
    auto refuse = [&](int column) {
        if (refused++ == 0) {
            firstRefusedLine = lineNumber;
            firstRefusedColumn = column + 1;
        }
    };

    // Row r goes to trace r. A row's cells are gathered first, so that a
    // field named twice takes its last cell, and only values that change
    // the header are staged.
    ProgressReport progress(progressCallback);
    qint32 rowValues[TraceHeaderFieldCount];
    bool rowSet[TraceHeaderFieldCount] = {};
    std::vector<std::pair<int, FieldValue>> rowCustom;  // custom cells of the row, in column order
    int row = 0;
    for (; row < traces && nextLine(); ++row) {
        if ((row & ProgressMask) == 0)
            progress(int(row * 100.0 / traces));
        const SEGYTraceHeader* header = headers[row];
        if (!header)
            continue;
        const quint16 currentSamples = quint16(header->value(TraceField::SampleCount));

        const char* cell = begin;
        for (int c = 0; c < columnCount; ++c) {
            const int field = columnField[size_t(c)];
            if (!cell) {
                // The line ended before this column: nothing to store.
                if (field >= 0 && field != samplesField)
                    refuse(c);
                continue;
            }
            const char* next = findSeparator(cell, end, sep);
            const char* cellEnd = next ? next : end;
            if (field == samplesField) {
                // The sample count never changes; a different one is reported.
                anyValue = anyValue || cell != cellEnd;
                if (requestedSampleCount(cell, cellEnd) != currentSamples)
                    samplesDiffer = true;
            } else if (field >= TraceHeaderFieldCount) {
                const FieldDescription& described = custom.fields[field - TraceHeaderFieldCount];
                FieldValue value;
                if (parseFieldValue(QString::fromUtf8(cell, int(cellEnd - cell)), described.type, &value)) {
                    rowCustom.emplace_back(field - TraceHeaderFieldCount, value);
                    anyValue = true;
                } else {
                    refuse(c);
                }
            } else if (field >= 0) {
                qint64 parsed = 0;
                HeaderField value{table.kinds[field], 0};
                if (parsePlainInteger(cell, cellEnd, &parsed)) {
                    if (HeaderField::fitsKind(parsed, value.type)) {
                        rowValues[field] = qint32(parsed);
                        rowSet[field] = true;
                        anyValue = true;
                    } else {
                        refuse(c);
                    }
                } else if (cell != cellEnd && value.setValue(QString::fromUtf8(cell, int(cellEnd - cell)))) {
                    // Anything unusual goes through the editing rule itself.
                    rowValues[field] = value.value;
                    rowSet[field] = true;
                    anyValue = true;
                } else {
                    refuse(c);
                }
            }
            cell = next ? next + sep.size() : nullptr;
        }
        if (!rowCustom.empty()) {
            // The row's standard values, then its custom ones over them, in a
            // copy of the header; what differs from the header is staged.
            SEGYTraceHeader edited;
            uchar bytes[TraceHeaderSize];
            header->encodeTo(bytes, custom.littleEndian);
            edited.decodeFrom(bytes, custom.littleEndian);
            for (const int field : rowFields)
                if (rowSet[field])
                    edited.storeValue(field, rowValues[field]);
            for (const auto& [k, value] : rowCustom) {
                edited.encodeTo(bytes, custom.littleEndian);
                writeFieldValue(bytes, custom.fields[k], custom.littleEndian, value);
                edited.decodeFrom(bytes, custom.littleEndian);
            }
            rowCustom.clear();
            changes->allowFullRange();
            for (int field = 0; field < TraceHeaderFieldCount; ++field) {
                rowSet[field] = false;
                if (field == samplesField)
                    samplesDiffer = samplesDiffer || edited.value(field) != header->value(field);
                else if (edited.value(field) != header->value(field))
                    changes->setTraceValue(row, field, edited.value(field));
            }
        }
        for (const int field : rowFields) {
            if (rowSet[field] && rowValues[field] != header->value(field))
                changes->setTraceValue(row, field, rowValues[field]);
            rowSet[field] = false;
        }
    }
    result.rows = row;
    const int tracesWithoutRow = traces - row;
    qint64 rowsBeyond = 0;
    while (nextLine())
        ++rowsBeyond;

    if (reader.failed) {
        result.error = tr("Error reading file %1.").arg(name);
        result.messages << result.error;
        return result;
    }
    // A text that gives nothing to store is not what the user meant to import.
    if (!anyValue) {
        if (traces == 0)
            result.error = tr("The SEG-Y file has no traces; nothing was imported from %1.").arg(name);
        else if (row == 0)
            result.error = tr("%1 has no data line under its line of field labels; nothing was imported.").arg(name);
        else
            result.error = tr("No cell of %1 holds a value for a trace header field; nothing was imported.")
                               .arg(name);
        result.messages << result.error;
        return result;
    }
    result.ok = true;
    if (samplesDiffer)
        result.messages << tr("It appears that for some traces the new number of samples (offset [115-116]) is different from the old one.\n\rTo avoid the definition of inconsistent headers the old number of samples has been restored in those traces.");
    QStringList untaken;
    if (refused > 0)
        untaken << tr("%1 cells were not stored because they are not integers or do not fit their field "
                      "(the first at line %2, column %3)")
                       .arg(refused)
                       .arg(firstRefusedLine)
                       .arg(firstRefusedColumn);
    if (rowsBeyond > 0)
        untaken << tr("%1 lines lie beyond the last trace").arg(rowsBeyond);
    if (tracesWithoutRow > 0)
        untaken << tr("%1 traces had no line and kept their values").arg(tracesWithoutRow);
    if (!untaken.isEmpty())
        result.messages << tr("Not everything in %1 was imported: %2.").arg(name, untaken.join(QStringLiteral("; ")));
    return result;
}
