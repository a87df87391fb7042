#include "command.h"
#include "commandsupport.h"
#include "headers.h"
#include "jsonwriter.h"
#include "segy.h"
#include "textcards.h"
#include "textcodec.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QList>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DumpCommand", text);
}

QString encodingName(bool ascii)
{
    return ascii ? QStringLiteral("ASCII") : QStringLiteral("EBCDIC");
}


// The "dump" command: the textual headers as card images, the binary
// header fields and the trace headers of a range of traces, as text or as
// one JSON document.
class DumpCommand : public Command
{
public:
    DumpCommand()
        : Command("dump", QT_TRANSLATE_NOOP("QObject", "Print the textual, binary and trace headers as text or JSON."))
    {
    }
    void addOptions(QCommandLineParser& parser) const override;
    bool readOptions(const QCommandLineParser& parser, QString* error) override;
    bool run(const QString& fileName, const ErrorSink& error) override;

private:
    // Prints the chosen parts of a loaded file on standard output; a range
    // of traces the file does not have is reported through error instead.
    bool print(const SEGY& segy, const QString& fileName, const ErrorSink& error) const;
    void printText(const SEGY& segy) const;
    void printBinary(const SEGY& segy) const;
    void printTraces(const SEGY& segy, int start, int end) const;
    void printJson(const SEGY& segy, const QString& fileName, int start, int end) const;

    bool m_text = false;
    bool m_binary = false;
    bool m_traces = false;
    bool m_decoded = false;
    bool m_json = false;
    QString m_range;      // --traces, empty for all
    QList<int> m_fields;  // trace fields shown; empty for all
};

}  // namespace

std::unique_ptr<Command> createDumpCommand()
{
    return std::make_unique<DumpCommand>();
}

void DumpCommand::addOptions(QCommandLineParser& parser) const
{
    parser.addOptions({
        {QStringLiteral("text"), QStringLiteral("Print the textual header and the extended ones.")},
        {QStringLiteral("binary"), QStringLiteral("Print the binary header fields.")},
        {QStringLiteral("traces"),
         QStringLiteral("Print the trace headers of this trace index interval, end excluded."),
          QStringLiteral("start_index-end_index")},
        {QStringLiteral("fields"), QStringLiteral("Trace header fields to print, by first byte."),
          QStringLiteral("byte_offset,...")},
        {QStringLiteral("decoded"), QStringLiteral("Also print the decoded text of coded fields.")},
        {QStringLiteral("json"), QStringLiteral("Print one JSON document.")},
    });
}

bool DumpCommand::readOptions(const QCommandLineParser& parser, QString* error)
{
    m_text = parser.isSet(QStringLiteral("text"));
    m_binary = parser.isSet(QStringLiteral("binary"));
    m_decoded = parser.isSet(QStringLiteral("decoded"));
    m_json = parser.isSet(QStringLiteral("json"));
    const QString tracesOption = QStringLiteral("traces");
    const QString fieldsOption = QStringLiteral("fields");
    m_traces = parser.isSet(tracesOption) || parser.isSet(fieldsOption);
    m_range = parser.value(tracesOption);
    int start = 0;
    int end = 0;
    if (parser.isSet(tracesOption) && !parseInterval(m_range, &start, &end)) {
        *error = tr("Error: no valid trace index values.");
        return false;
    }
    if (!readTraceFieldsOption(parser, &m_fields, error))
        return false;
    // No part named: all of them.
    if (!m_text && !m_binary && !m_traces)
        m_text = m_binary = m_traces = true;
    return true;
}

bool DumpCommand::run(const QString& fileName, const ErrorSink& error)
{
    return readFile(fileName, error, [&](const SEGY& segy) { return print(segy, fileName, error); });
}

bool DumpCommand::print(const SEGY& segy, const QString& fileName, const ErrorSink& error) const
{
    const int traceCount = segy.traceCount();
    int start = 0;
    int end = traceCount;
    if (!m_range.isEmpty()) {
        parseInterval(m_range, &start, &end);
        if (start >= end || end > traceCount) {
            error(tr("Error: no valid trace index values."));
            return false;
        }
    }
    if (m_json) {
        printJson(segy, fileName, start, end);
        return true;
    }
    // Headings only separate parts; one part alone is printed bare.
    const bool headings = int(m_text) + int(m_binary) + int(m_traces) > 1;
    if (m_text) {
        if (headings)
            printLine(stdout, tr("Textual header:"));
        printText(segy);
    }
    if (m_binary) {
        if (headings)
            printLine(stdout, tr("Binary header:"));
        printBinary(segy);
    }
    if (m_traces) {
        if (headings)
            printLine(stdout, tr("Trace headers:"));
        printTraces(segy, start, end);
    }
    std::fflush(stdout);
    return true;
}

void DumpCommand::printText(const SEGY& segy) const
{
    const SEGYMainHeader* header = segy.mainHeader();
    if (!header)
        return;
    for (const QString& card : textHeaderCards(header->textHeader, segy.readsTextAsAscii(header->textHeader)))
        printLine(stdout, card);
    int number = 0;
    for (const QByteArray& block : header->extendedTextHeaders) {
        printLine(stdout, tr("Extended textual header %1:").arg(++number));
        for (const QString& card : textHeaderCards(block, segy.readsTextAsAscii(block, true)))
            printLine(stdout, card);
    }
    const QByteArray& trailer = segy.trailer();
    for (int at = 0, stanza = 0; at < trailer.size(); at += TextHeaderSize) {
        const QByteArray block = trailer.mid(at, TextHeaderSize);
        printLine(stdout, tr("Trailer stanza %1:").arg(++stanza));
        for (const QString& card : textHeaderCards(block, segy.readsTextAsAscii(block, true)))
            printLine(stdout, card);
    }
}

void DumpCommand::printBinary(const SEGY& segy) const
{
    const SEGYMainHeader* header = segy.mainHeader();
    if (!header)
        return;
    const HeaderTable& table = binaryHeaderTable();
    QStringList decoded;
    int decodedWidth = 0;
    for (int i = 0; i < table.count && m_decoded; ++i) {
        bool hasDecoder = false;
        const QString text = header->fieldText(i, &hasDecoder);
        decoded.append(hasDecoder ? text : QString());
        decodedWidth = std::max(decodedWidth, decoded.last().size());
    }
    for (int i = 0; i < table.count; ++i) {
        QString line = QStringLiteral("%1 %2  ").arg(binaryHeaderLabels().at(i), -9).arg(header->value(i), 11);
        if (m_decoded)
            line += decoded.at(i).leftJustified(decodedWidth) + QStringLiteral("  ");
        printLine(stdout, line + binaryHeaderDescriptions().at(i).trimmed());
    }
    for (const FieldDescription& field : segy.extraFields(HeaderBlock::Binary))
        printLine(stdout, QStringLiteral("%1 %2  ").arg(field.name, -9).arg(segy.fieldValue(nullptr, field).text(), 11)
                              + (m_decoded ? QString(decodedWidth + 2, QLatin1Char(' ')) : QString())
                              + QStringLiteral("%1 %2 %3").arg(field.label(), valueTypeName(field.type), field.description).trimmed());
}

void DumpCommand::printTraces(const SEGY& segy, int start, int end) const
{
    const QList<int>& fields = m_fields.isEmpty() ? allTraceFields(segy.hasTraceExtensions()) : m_fields;
    const HeaderTable& table = traceHeaderTable();
    QString heading = tr("trace");
    for (int field : fields)
        heading += QLatin1Char('\t') + commandTraceField(field).title();
    printLine(stdout, heading);

    // One tab-separated line per trace, written in large pieces.
    std::vector<bool> decodedField(size_t(table.count), false);
    for (int field : fields)
        if (field < TraceHeaderFieldCount)
            decodedField[size_t(field)] = m_decoded && table.specs[field].decoder != DecoderKind::None;
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    std::vector<char> buffer;
    buffer.reserve(size_t(1) << 20);
    auto putNumber = [&buffer](qint64 value) {
        char text[24];
        const auto result = std::to_chars(text, text + sizeof text, value);
        buffer.insert(buffer.end(), text, result.ptr);
    };
    for (int trace = start; trace < end; ++trace) {
        const SEGYTraceHeader* header = headers.at(trace);
        putNumber(trace);
        for (int field : fields) {
            buffer.push_back('\t');
            if (!header)
                buffer.push_back('0');
            else if (field >= TraceHeaderFieldCount) {
                const QByteArray text = segy.fieldValue(header, commandTraceField(field)).text().toLatin1();
                buffer.insert(buffer.end(), text.constData(), text.constData() + text.size());
            } else if (decodedField[size_t(field)]) {
                const QByteArray text = header->fieldText(field).toLocal8Bit();
                buffer.insert(buffer.end(), text.constData(), text.constData() + text.size());
            } else {
                putNumber(header->valueAt(table.offsets[field], table.kinds[field]));
            }
        }
        buffer.push_back('\n');
        if (buffer.size() >= (size_t(1) << 20)) {
            if (!writeOutput(stdout, buffer.data(), buffer.size()))
                return;  // the rest would not arrive either
            buffer.clear();
        }
    }
    writeOutput(stdout, buffer.data(), buffer.size());
}

void DumpCommand::printJson(const SEGY& segy, const QString& fileName, int start, int end) const
{
    const SEGYMainHeader* header = segy.mainHeader();
    JsonWriter json(stdout);
    json.beginObject();
    json.member("file", fileName);

    auto writeCards = [&json](const QByteArray& block, bool ascii) {
        json.beginObject();
        json.member("encoding", encodingName(ascii));
        json.key(QStringLiteral("lines"));
        json.beginArray();
        for (const QString& card : textHeaderCards(block, ascii))
            json.value(card);
        json.endArray();
        json.endObject();
    };
    if (m_text && header) {
        json.key(QStringLiteral("textHeader"));
        writeCards(header->textHeader, segy.readsTextAsAscii(header->textHeader));
        json.key(QStringLiteral("extendedTextHeaders"));
        json.beginArray();
        for (const QByteArray& block : header->extendedTextHeaders)
            writeCards(block, segy.readsTextAsAscii(block, true));
        json.endArray();
    }

    if (m_binary && header) {
        json.key(QStringLiteral("binaryHeader"));
        json.beginArray();
        for (int i = 0; i < header->fieldCount(); ++i) {
            json.beginObject(true);
            json.member("bytes", binaryHeaderLabels().at(i));
            json.member("value", qint64(header->value(i)));
            bool hasDecoder = false;
            const QString text = m_decoded ? header->fieldText(i, &hasDecoder) : QString();
            if (hasDecoder) {
                json.member("decoded", text);
            }
            json.member("description", binaryHeaderDescriptions().at(i).trimmed());
            json.endObject();
        }
        for (const FieldDescription& field : segy.extraFields(HeaderBlock::Binary)) {
            json.beginObject(true);
            json.member("name", field.name);
            json.member("bytes", field.label());
            json.member("type", valueTypeName(field.type));
            json.key(QStringLiteral("value"));
            json.fieldValue(segy.fieldValue(nullptr, field));
            json.member("description", field.description);
            json.endObject();
        }
        json.endArray();
    }

    if (m_traces) {
        const QList<int>& fields = m_fields.isEmpty() ? allTraceFields(segy.hasTraceExtensions()) : m_fields;
        const HeaderTable& table = traceHeaderTable();
        std::vector<QByteArray> keys;
        for (int field : fields)
            keys.push_back(commandTraceField(field).title().toUtf8());
        const QByteArray traceKey("trace");
        const QByteArray fieldsKey("fields");
        const QByteArray decodedKey("decoded");
        const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
        json.key(QStringLiteral("traceHeaders"));
        json.beginArray();
        for (int trace = start; trace < end; ++trace) {
            const SEGYTraceHeader* traceHeader = headers.at(trace);
            json.beginObject(true);
            json.key(traceKey);
            json.value(qint64(trace));
            json.key(fieldsKey);
            json.beginObject();
            for (size_t i = 0; i < keys.size(); ++i) {
                json.key(keys[i]);
                const int field = fields.at(int(i));
                if (field >= TraceHeaderFieldCount)
                    json.fieldValue(traceHeader ? segy.fieldValue(traceHeader, commandTraceField(field)) : FieldValue());
                else
                    json.value(qint64(traceHeader ? traceHeader->valueAt(table.offsets[field], table.kinds[field]) : 0));
            }
            json.endObject();
            if (m_decoded && traceHeader) {
                json.key(decodedKey);
                json.beginObject();
                for (size_t i = 0; i < keys.size(); ++i) {
                    const int field = fields.at(int(i));
                    if (field >= TraceHeaderFieldCount || table.specs[field].decoder == DecoderKind::None)
                        continue;
                    json.key(keys[i]);
                    json.value(traceHeader->fieldText(field));
                }
                json.endObject();
            }
            json.endObject();
        }
        json.endArray();
    }
    json.endObject();
    json.finish();
}
