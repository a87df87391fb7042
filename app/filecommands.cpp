// The commands that edit headers, exchange them with text files, reproject
// coordinates or summarise a file.

#include "command.h"
#include "commandsupport.h"
#include "filesummary.h"
#include "headeredit.h"
#include "jsonwriter.h"
#include "progressline.h"
#include "reprojection.h"
#include "segy.h"
#include "tracetext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

QString (*const tr)(const char*) = commandTr;

// ---------------------------------------------------------------- edit

class EditCommand : public Command
{
public:
    EditCommand() : Command("edit", QT_TRANSLATE_NOOP("QObject", "Edit binary and trace headers.")) {}

    void addOptions(QCommandLineParser& parser) const override
    {
        parser.addOption({{QStringLiteral("b"), QStringLiteral("bin-header")},
                          QStringLiteral("Binary header field to be edited."),
                          QStringLiteral("byte_offset=new_value")});
        parser.addOption({{QStringLiteral("t"), QStringLiteral("trace-header")},
                          QStringLiteral("Trace header field to be edited."),
                          QStringLiteral("byte_offset=new_value")});
        parser.addOption({QStringLiteral("interval"), QStringLiteral("Trace index interval, end excluded."),
                          QStringLiteral("start_index-end_index")});
        addSaveAsOption(parser);
    }

    bool readOptions(const QCommandLineParser& parser, QString* error) override
    {
        m_binaryEdits = parser.values(QStringLiteral("bin-header"));
        m_traceEdits = parser.values(QStringLiteral("trace-header"));
        m_intervals = parser.values(QStringLiteral("interval"));
        if (m_intervals.size() > 1) {
            *error = tr("Error: --interval is given %1 times; give one interval.").arg(m_intervals.size());
            return false;
        }
        if (!readSaveAs(parser, &m_saveAs, error))
            return false;
        if (m_binaryEdits.isEmpty() && m_traceEdits.isEmpty() && m_intervals.isEmpty())
            return missingOptions(tr("--bin-header or --trace-header"), error);
        return true;
    }

    bool run(const QString& fileName, const ErrorSink& error) override
    {
        return changeFile(fileName, m_saveAs, QString(), error, [this, &error](SEGY& segy) { return edit(segy, error); });
    }

private:
    // Every value is checked, and computed for every trace, before any is
    // stored; the binary and trace values are stored together.
    bool edit(SEGY& segy, const ErrorSink& error) const
    {
        int errors = 0;
        auto fail = [&](const QString& message) {
            ++errors;
            error(message);
        };
        HeaderEdit edit;
        edit.setCustomFields(segy.extraFields(HeaderBlock::Trace), segy.fieldReader());
        for (const bool binary : {true, false}) {
            for (const QString& text : binary ? m_binaryEdits : m_traceEdits) {
                const QStringList parts = text.split(QLatin1Char('='), Qt::KeepEmptyParts);
                if (parts.size() != 2) {
                    fail((binary ? tr("Error: %1 is not a valid syntax to edit binary header fields.")
                                 : tr("Error: %1 is not a valid syntax to edit trace header fields."))
                             .arg(text));
                    continue;
                }
                const int index = binary ? binaryHeaderFieldIndex(parts.at(0)) : traceHeaderFieldIndex(parts.at(0));
                FieldDescription named;
                const FieldDescription* custom =
                    index == -1 && segy.findField(parts.at(0), binary ? HeaderBlock::Binary : HeaderBlock::Trace, &named)
                        ? &named
                        : nullptr;
                if (custom) {
                    const HeaderEdit::Result result = edit.setFieldValue(*custom, parts.at(1));
                    if (!result.ok())
                        fail(tr("Error: %1 is not a valid value for field %2 (%3).")
                                 .arg(parts.at(1), custom->name, valueTypeRange(custom->type)));
                    else if (result.rounded)
                        printWarning(tr("field %1 (%2) cannot hold %3 exactly; %4 is stored.")
                                         .arg(custom->name, valueTypeName(custom->type), parts.at(1), result.stored.text()));
                } else if (index == -1)
                    fail((binary ? tr("Error: %1 is not a valid offset for SEG-Y binary header.")
                                 : tr("Error: %1 is not a valid offset for SEG-Y trace headers."))
                             .arg(parts.at(0)));
                else
                    report(binary ? edit.setBinaryValue(index, parts.at(1))
                                  : edit.setTraceExpression(index, parts.at(1)),
                           fail);
            }
        }
        const int traceCount = segy.traceCount();
        int start = 0;
        int end = traceCount;
        if ((!m_intervals.isEmpty() && !parseInterval(m_intervals.first(), &start, &end)) || start < 0
            || start >= end || end > traceCount) {
            fail(tr("Error: no valid trace index values: --interval %1 for a file of %2 traces; give "
                    "start-end with 0 <= start < end <= %2.")
                     .arg(m_intervals.first())
                     .arg(traceCount));
            return false;
        }
        if (errors == 0)
            report(edit.apply(segy, traceRange(start, end)), fail);
        return errors == 0;
    }

    static void report(const HeaderEdit::Result& result, const ErrorSink& fail)
    {
        const QString label = result.field < 0 ? QString()
                              : result.binary  ? binaryHeaderLabels().value(result.field)
                                               : traceHeaderLabels().value(result.field);
        // "71-72 (-32768 to 32767)": the field and the values it holds.
        QString field = label;
        qint64 low = 0;
        qint64 high = 0;
        const HeaderTable& table = result.binary ? binaryHeaderTable() : traceHeaderTable();
        if (result.field >= 0 && result.field < table.count && HeaderField::kindRange(table.kinds[result.field], &low, &high))
            field = tr("%1 (%2 to %3)").arg(label).arg(low).arg(high);
        switch (result.failure) {
        case HeaderEdit::Failure::None:
            break;
        case HeaderEdit::Failure::InvalidValue:
            fail(tr("Error: %1 is not a valid value for field %2.").arg(result.text, field));
            break;
        case HeaderEdit::Failure::BadOffset:
            fail(tr("Error: %1 is not a valid offset for SEG-Y trace headers.").arg(result.text));
            break;
        case HeaderEdit::Failure::OutOfRange:
            fail(tr("Error: %1 gives %2 at trace index %3, which is not a valid value for field %4.")
                     .arg(result.text)
                     .arg(result.value)
                     .arg(result.trace)
                     .arg(field));
            break;
        case HeaderEdit::Failure::DivisionByZero:
            fail(tr("Error: %1 divides by zero at trace index %2.").arg(result.text).arg(result.trace));
            break;
        case HeaderEdit::Failure::Overflow:
            fail(tr("Error: %1 overflows at trace index %2.").arg(result.text).arg(result.trace));
            break;
        case HeaderEdit::Failure::Refused:
            fail(tr("Error: %1").arg(result.text));
            break;
        case HeaderEdit::Failure::Layout:
            fail(tr("Error: %1 would change the layout of the file.").arg(result.layoutFields.join(QStringLiteral(", "))));
            break;
        }
    }

    QStringList m_binaryEdits;
    QStringList m_traceEdits;
    QStringList m_intervals;  // at most one
    QString m_saveAs;
};

// ---------------------------------------------------------------- reproject

class ReprojectCommand : public Command
{
public:
    ReprojectCommand()
        : Command("reproject", QT_TRANSLATE_NOOP("QObject", "Reproject positioning data in trace headers."))
    {
    }

    void addOptions(QCommandLineParser& parser) const override
    {
        addReferenceSystemOptions(parser);
        addSaveAsOption(parser);
    }

    bool readOptions(const QCommandLineParser& parser, QString* error) override
    {
        const QString inputEpsg = parser.value(QStringLiteral("in-epsg"));
        const QString outputEpsg = parser.value(QStringLiteral("out-epsg"));
        m_inputProj = parser.value(QStringLiteral("in-proj"));
        m_outputProj = parser.value(QStringLiteral("out-proj"));
        if (!readSaveAs(parser, &m_saveAs, error))
            return false;
        if (inputEpsg.isEmpty() && outputEpsg.isEmpty() && m_inputProj.isEmpty() && m_outputProj.isEmpty())
            return missingOptions(tr("--in-epsg or --in-proj, and --out-epsg or --out-proj"), error);
        return readEpsgCode(inputEpsg, true, &m_inputEpsg, error)
               && readEpsgCode(outputEpsg, false, &m_outputEpsg, error);
    }

    bool run(const QString& fileName, const ErrorSink& error) override
    {
        return changeFile(fileName, m_saveAs, tr("Reprojecting"), error,
                          [this, &error](SEGY& segy) { return reproject(segy, error); });
    }

private:
    bool reproject(SEGY& segy, const ErrorSink& error) const
    {
        const bool noInput = m_inputEpsg == 0 && m_inputProj.isEmpty();
        const bool noOutput = m_outputEpsg == 0 && m_outputProj.isEmpty();
        if (noInput)
            error(tr("Error: no input coordinate reference system."));
        if (noOutput)
            error(tr("Error: no output coordinate reference system."));
        if (noInput || noOutput)
            return false;
        ReprojectionReport report;
        // The working out of the new values shows on the progress line too.
        const auto progress = [](int percent) { ProgressLine::show(tr("Reprojecting"), percent); };
        if (reprojectTraceCoordinates(&segy, m_inputEpsg, m_outputEpsg, m_inputProj, m_outputProj, &report,
                                      progress)
            >= 0)
            return true;
        // The general line, then why when the run knows.
        if (report.failedTraces == 0)
            error(tr("Error: no valid input and/or output coordinate reference systems."));
        if (report.failedTraces > 0 || !report.error.isEmpty())
            error(tr("Error: %1").arg(report.text()));
        return false;
    }

    int m_inputEpsg = 0;
    int m_outputEpsg = 0;
    QString m_inputProj;
    QString m_outputProj;
    QString m_saveAs;
};

// ---------------------------------------------------------------- trace headers as text

// Trace headers to (export) or from (import) a text file in CSV format.
class HeadersTextCommand : public Command
{
public:
    explicit HeadersTextCommand(bool import)
        : Command(import ? "import-headers" : "export-headers",
                  import ? QT_TRANSLATE_NOOP("QObject", "Import trace headers from ASCII file in CSV format.")
                         : QT_TRANSLATE_NOOP("QObject", "Export trace headers to ASCII file in CSV format.")),
          m_import(import),
          m_fileOption(import ? QStringLiteral("ascii-in") : QStringLiteral("ascii-out"))
    {
    }

    void addOptions(QCommandLineParser& parser) const override
    {
        parser.addOption({m_fileOption,
                          m_import ? QStringLiteral("ASCII input file") : QStringLiteral("ASCII output file"),
                          QStringLiteral("marker")});
        parser.addOption({QStringLiteral("delim"), QStringLiteral("Char separator for CSV file"),
                          QStringLiteral("separator")});
        if (m_import)
            addSaveAsOption(parser);
    }

    bool readOptions(const QCommandLineParser& parser, QString* error) override
    {
        m_file = parser.value(m_fileOption);
        m_separator = parser.value(QStringLiteral("delim"));
        if (m_import && !readSaveAs(parser, &m_saveAs, error))
            return false;
        if (m_file.isEmpty() && m_separator.isEmpty())
            return missingOptions(QStringLiteral("--") + m_fileOption, error);
        return true;
    }

    // An export only reads the file: nothing is saved.
    bool run(const QString& fileName, const ErrorSink& error) override
    {
        // No --delim: one blank.
        const QString separator = m_separator.isEmpty() ? QStringLiteral(" ") : m_separator;
        // A separator that cuts numbers is refused before any file is touched.
        const QString refusal = delimiterRefusal(separator);
        if (!refusal.isEmpty()) {
            error(tr("Error: %1").arg(refusal));
            return false;
        }
        const auto transfer = [this, &error, &separator](SEGY& segy) {
            if (m_file.isEmpty())
                error(m_import ? tr("Error: no input ASCII file.") : tr("Error: no output ASCII file."));
            else if (m_import ? segy.importTraceHeadersFromASCIIFile(m_file, separator)
                              : segy.exportTraceHeadersToASCIIFile(m_file, separator))
                return true;
            else if (!m_import && !segy.lastError().isEmpty())
                error(QStringLiteral("Error: ") + segy.lastError());
            else
                error((m_import ? tr("Error: an error occurred importing trace headers from ASCII file %1.")
                                : tr("Error: an error occurred exporting trace headers to ASCII file %1."))
                          .arg(m_file));
            return false;
        };
        if (m_import)
            return changeFile(fileName, m_saveAs, tr("Importing"), error, transfer);
        return readFile(fileName, error, transfer, tr("Exporting"));
    }

private:
    const bool m_import;
    const QString m_fileOption;
    QString m_file;
    QString m_separator;
    QString m_saveAs;
};

// ---------------------------------------------------------------- info

class InfoCommand : public Command
{
public:
    InfoCommand() : Command("info", QT_TRANSLATE_NOOP("QObject", "Print a summary of the file.")) {}

    void addOptions(QCommandLineParser& parser) const override
    {
        parser.addOption({QStringLiteral("json"), QStringLiteral("Print the summary as one JSON document.")});
    }

    bool readOptions(const QCommandLineParser& parser, QString*) override
    {
        m_json = parser.isSet(QStringLiteral("json"));
        return true;
    }

    bool run(const QString& fileName, const ErrorSink& error) override
    {
        return readFile(fileName, error, [this, &fileName](const SEGY& segy) {
            print(fileSummary(segy), fileName);
            return true;
        });
    }

private:
    void print(const FileSummary& summary, const QString& fileName) const
    {
        if (m_json) {
            JsonWriter json(stdout);
            json.beginObject();
            json.member("file", fileName);
            json.member("sampleFormat", summary.sampleFormat);
            json.member("sampleFormatCode", qint64(summary.sampleFormatCode));
            json.member("sampleIntervalMicroseconds", qint64(summary.sampleInterval));
            json.member("samplingFrequency", summary.samplingFrequency);
            json.member("traceCount", qint64(summary.traceCount));
            json.member("samplesCount", qint64(summary.samplesCount));
            json.member("extendedTextHeaders", qint64(summary.extendedTextHeaders));
            json.member("byteOrder", summary.byteOrder());
            if (!summary.revision2.isEmpty()) {
                json.member("revision", summary.revision2);
                json.key(QStringLiteral("traceHeaderExtensions"));
                json.beginArray(true);
                for (const QString& name : summary.traceHeaderExtensions)
                    json.value(name);
                json.endArray();
                json.member("trailerStanzas", qint64(summary.trailerStanzas));
            }
            json.endObject();
            json.finish();
            return;
        }
        const QStringList lines{
            tr("File: %1").arg(fileName),
            tr("Sample format: %1").arg(summary.sampleFormat),
            tr("Sample interval: %1 ms").arg(summary.sampleIntervalMilliseconds()),
            tr("Sampling freq.: %1").arg(summary.samplingFrequency),
            tr("Trace count: %1").arg(summary.traceCount),
            tr("Samples count: %1").arg(summary.samplesCount),
            tr("Extended text headers: %1").arg(summary.extendedTextHeaders),
            tr("Byte order: %1").arg(summary.byteOrder()),
        };
        QStringList revision2;
        if (!summary.revision2.isEmpty())
            revision2 << tr("Revision: %1").arg(summary.revision2)
                      << tr("Trace header extensions: %1")
                             .arg(summary.traceHeaderExtensions.isEmpty() ? tr("none")
                                                                          : summary.traceHeaderExtensions.join(QStringLiteral(", ")))
                      << tr("Trailer stanzas: %1").arg(summary.trailerStanzas);
        for (const QString& line : lines + revision2)
            printLine(stdout, line);
    }

    bool m_json = false;
};

}  // namespace

std::vector<std::unique_ptr<Command>> createCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<EditCommand>());
    commands.push_back(std::make_unique<ReprojectCommand>());
    commands.push_back(std::make_unique<HeadersTextCommand>(true));
    commands.push_back(std::make_unique<HeadersTextCommand>(false));
    commands.push_back(std::make_unique<InfoCommand>());
    commands.push_back(createImportPositionsCommand());
    commands.push_back(createStatsCommand());
    commands.push_back(createDumpCommand());
    commands.push_back(createScanCommand());
    commands.push_back(createGeometryCommand());
    return commands;
}
