#include "commandline.h"

#include "commandsupport.h"
#include "decoders.h"
#include "headerexpression.h"
#include "headerfields.h"
#include "positionscommand.h"
#include "jsonwriter.h"
#include "progressline.h"
#include "reprojection.h"
#include "segy.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QObject>
#include <QPair>
#include <QRegularExpression>
#include <cstdio>

namespace {

const char* const Context = "CommandLine";

QString tr(const char* text)
{
    return QCoreApplication::translate(Context, text);
}

}  // namespace

CommandLine::CommandLine() = default;

const QStringList& CommandLine::commandNames()
{
    static const QStringList names{
        QStringLiteral("edit"),
        QStringLiteral("reproject"),
        QStringLiteral("import-headers"),
        QStringLiteral("export-headers"),
        QStringLiteral("info"),
        QStringLiteral("import-positions"),
        QStringLiteral("stats"),
        QStringLiteral("dump"),
    };
    return names;
}

const QStringList& CommandLine::commandDescriptions()
{
    static const QStringList descriptions{
        QObject::tr("Edit binary and trace headers."),
        QObject::tr("Reproject positioning data in trace headers."),
        QObject::tr("Import trace headers from ASCII file in CSV format."),
        QObject::tr("Export trace headers to ASCII file in CSV format."),
        QObject::tr("Print a summary of the file."),
        QObject::tr("Import source, receiver and CDP positions from a delimited text file."),
        QObject::tr("Print what the trace header fields hold: ranges, distinct values, first and last."),
        QObject::tr("Print the textual, binary and trace headers as text or JSON."),
    };
    return descriptions;
}

namespace {

QString programDescription()
{
    return QObject::tr("A graphical and command line tool to edit SEG-Y files.");
}

}  // namespace

void CommandLine::declareProgramArguments(QCommandLineParser& parser)
{
    // The program's help lists every command with its description; a
    // command's options are the help of "trevalon COMMAND".
    QString description = programDescription() + QLatin1Char('\n');
    description += QLatin1Char('\n') + QObject::tr("Commands (\"%1 COMMAND\" alone lists a command's options):")
                                          .arg(QCoreApplication::applicationName().toLower());
    int width = 0;
    for (const QString& name : commandNames())
        width = qMax(width, name.size());
    for (int i = 0; i < commandNames().size(); ++i)
        description += QStringLiteral("\n  %1  %2").arg(commandNames().at(i), -width).arg(commandDescriptions().at(i));
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QCoreApplication::translate("main", "Input SEG-Y file name."),
                                 QString());
    parser.addPositionalArgument(QStringLiteral("command"), commandNames().join(QStringLiteral(", ")) + QLatin1Char('.'),
                                 QString());
}

bool CommandLine::wantsWindow(const QStringList& arguments)
{
    QCommandLineParser parser;
    declareProgramArguments(parser);
    const bool parsed = parser.parse(arguments);
    const QStringList positional = parser.positionalArguments();
    switch (positional.size()) {
    case 0:
        // Any option here is help, version or an error, which the parser
        // answers on the terminal.
        return parsed && parser.optionNames().isEmpty();
    case 1:
        return !commandNames().contains(positional.first());
    default:
        return false;
    }
}

int CommandLine::setup(QCoreApplication& app)
{
    declareProgramArguments(m_parser);
    // No command option is declared yet, so this first pass may well fail;
    // only its positional arguments matter.
    m_parser.parse(QCoreApplication::arguments());
    const QStringList positional = m_parser.positionalArguments();

    if (positional.isEmpty()) {
        m_parser.process(app);
        return 0;
    }
    if (positional.size() == 1) {
        if (commandNames().contains(positional.first())) {
            addCommandOptions(positional.first());
            m_parser.showHelp(0);
        }
        m_inputFileName = positional.first();
        return 1;
    }

    m_commandMode = true;
    if (commandNames().contains(positional.first())) {
        qDebug() << QObject::tr("Error: missing input SEG-Y file name.");
        m_parser.showHelp(0);
    }
    m_inputFileName = positional.at(0);
    const QString command = positional.at(1);
    if (!addCommandOptions(command))
        return 2;
    m_parser.process(app);
    return readCommandOptions(command) ? 1 : 2;
}

bool CommandLine::addCommandOptions(const QString& command)
{
    const int i = commandNames().indexOf(command);
    if (i < 0) {
        qDebug() << QObject::tr("Error: unrecognized command %1").arg(command);
        return false;
    }
    m_command = i;

    m_parser.setApplicationDescription(programDescription());
    m_parser.clearPositionalArguments();
    m_parser.addPositionalArgument(QStringLiteral("file"), QCoreApplication::translate("main", "Input SEG-Y file name."),
                                   QString());
    m_parser.addPositionalArgument(commandNames().at(i), commandDescriptions().at(i), QString());

    const QString saveAsValue = QStringLiteral("file-name");
    const QString saveAsText = QStringLiteral("Output SEG-Y file");
    const QString separatorValue = QStringLiteral("separator");
    const QString separatorText = QStringLiteral("Char separator for CSV file");
    switch (i) {
    case Edit:
        m_parser.addOption({{QStringLiteral("b"), QStringLiteral("bin-header")},
                            QStringLiteral("Binary header field to be edited."),
                            QStringLiteral("byte_offset=new_value")});
        m_parser.addOption({{QStringLiteral("t"), QStringLiteral("trace-header")},
                            QStringLiteral("Trace header field to be edited."),
                            QStringLiteral("byte_offset=new_value")});
        m_parser.addOption({QStringLiteral("interval"),
                            QStringLiteral("Trace index interval, end excluded."),
                            QStringLiteral("start_index-end_index")});
        m_parser.addOption({QStringLiteral("saveas"), saveAsText, saveAsValue});
        break;
    case Reproject:
        m_parser.addOption({QStringLiteral("in-epsg"), QStringLiteral("Input epsg id."), QStringLiteral("epsg-id")});
        m_parser.addOption({QStringLiteral("out-epsg"), QStringLiteral("Output epsg id."), QStringLiteral("epsg-id")});
        m_parser.addOption({QStringLiteral("in-proj"), QStringLiteral("Input projection string."),
                            QStringLiteral("proj4-string")});
        m_parser.addOption({QStringLiteral("out-proj"), QStringLiteral("Output projection string."),
                            QStringLiteral("proj4-string")});
        m_parser.addOption({QStringLiteral("saveas"), saveAsText, saveAsValue});
        break;
    case ImportHeaders:
        m_parser.addOption({QStringLiteral("ascii-in"), QStringLiteral("ASCII input file"), QStringLiteral("marker")});
        m_parser.addOption({QStringLiteral("delim"), separatorText, separatorValue});
        m_parser.addOption({QStringLiteral("saveas"), saveAsText, saveAsValue});
        break;
    case ExportHeaders:
        m_parser.addOption({QStringLiteral("ascii-out"), QStringLiteral("ASCII output file"), QStringLiteral("marker")});
        m_parser.addOption({QStringLiteral("delim"), separatorText, separatorValue});
        break;
    case ImportPositions:
        addImportPositionsOptions(m_parser);
        break;
    case Info:
        m_parser.addOption({QStringLiteral("json"), QStringLiteral("Print the summary as one JSON document.")});
        break;
    case Stats:
        StatsCommand::addOptions(m_parser);
        break;
    case Dump:
        DumpCommand::addOptions(m_parser);
        break;
    default:
        break;
    }
    m_parser.addOption({QStringLiteral("quiet"), QStringLiteral("Show no progress line on a terminal.")});
    return true;
}

bool CommandLine::readCommandOptions(const QString& command)
{
    const int i = commandNames().indexOf(command);
    ProgressLine::enable(m_parser.isSet(QStringLiteral("quiet")));
    QString error;
    switch (i) {
    case Info:
        m_json = m_parser.isSet(QStringLiteral("json"));
        return true;
    case Stats:
    case Dump:
        if ((i == Stats && m_stats.readOptions(m_parser, &error)) || (i == Dump && m_dump.readOptions(m_parser, &error)))
            return true;
        qDebug() << error;
        return false;
    case ImportHeaders:
    case ImportPositions:
        ProgressLine::setEditLabel(tr("Importing"));
        break;
    case ExportHeaders:
        ProgressLine::setEditLabel(tr("Exporting"));
        break;
    case Reproject:
        ProgressLine::setEditLabel(tr("Reprojecting"));
        break;
    default:
        break;
    }
    if (m_parser.optionNames().isEmpty())
        return false;

    auto storeText = [this](QMap<QString, QVariant>& map, const QString& name) {
        const QString value = m_parser.value(name);
        if (!value.isEmpty())
            map.insert(name, value);
    };

    switch (i) {
    case Edit:
        for (const char* name : {"bin-header", "trace-header", "interval"}) {
            const QString key = QLatin1String(name);
            const QStringList values = m_parser.values(key);
            if (!values.isEmpty())
                m_editOptions.insert(key, values);
        }
        return readSaveAs() && !m_editOptions.isEmpty();
    case Reproject:
        for (const char* name : {"in-epsg", "out-epsg"}) {
            const QString key = QLatin1String(name);
            const QString value = m_parser.value(key);
            if (!value.isEmpty())
                m_reprojectOptions.insert(key, value.toInt());
        }
        storeText(m_reprojectOptions, QStringLiteral("in-proj"));
        storeText(m_reprojectOptions, QStringLiteral("out-proj"));
        return readSaveAs() && !m_reprojectOptions.isEmpty();
    case ImportHeaders:
        storeText(m_importOptions, QStringLiteral("ascii-in"));
        storeText(m_importOptions, QStringLiteral("delim"));
        return readSaveAs() && !m_importOptions.isEmpty();
    case ExportHeaders:
        storeText(m_exportOptions, QStringLiteral("ascii-out"));
        storeText(m_exportOptions, QStringLiteral("delim"));
        return !m_exportOptions.isEmpty();
    case ImportPositions:
        readImportPositionsOptions(m_parser, &m_positionsOptions);
        return readSaveAs() && !m_positionsOptions.isEmpty();
    default:
        return false;
    }
}

bool CommandLine::readSaveAs()
{
    const QString option = QStringLiteral("saveas");
    m_saveAsFileName = m_parser.value(option);
    if (m_parser.isSet(option) && m_saveAsFileName.isEmpty()) {
        // An empty name would otherwise mean an in-place save nobody asked for.
        qDebug() << tr("Error: no output file name given to --saveas.");
        return false;
    }
    return true;
}

void CommandLine::printError(const QString& message)
{
    ++m_errorCount;
    ProgressLine::clear();
    qDebug() << message;
}

bool CommandLine::run()
{
    if (m_inputFileName.isEmpty())
        return true;
    if (m_command == Info || m_command == Stats || m_command == Dump)
        return runReadOnly();
    if (m_command == ImportPositions)
        return runImportPositions(m_inputFileName, m_saveAsFileName, m_positionsOptions,
                                  [this](const QString& message) { printError(message); });

    const auto error = [this](const QString& message) { printError(message); };
    SEGY segy;
    if (!openForCommand(segy, m_inputFileName, error))
        return false;

    editHeaders(segy);
    importHeaders(segy);
    exportHeaders(segy);
    reproject(segy);

    // An export only reads the file; every other command writes it, unless
    // it failed: a command that reported an error leaves the file as it was.
    if (m_command != ExportHeaders && m_errorCount == 0)
        saveForCommand(segy, m_inputFileName, m_saveAsFileName, error);

    ProgressLine::clear();  // an export or import has no closing signal
    segy.close();
    return m_errorCount == 0;
}


namespace {

// A new trace header value: one number for every trace, or an expression
// that gives each trace its own, all computed before anything is stored.
struct TraceEdit {
    qint32 value = 0;
    QString expressionText;  // empty for a number
    HeaderExpression expression;
    std::vector<qint32> values;  // the expression's, from the interval's first trace on

    // False for an expression that could not be computed for every trace.
    bool ready() const { return expressionText.isEmpty() || !values.empty(); }
    qint32 valueFor(int trace, int start) const { return values.empty() ? value : values[size_t(trace - start)]; }
};

}  // namespace

void CommandLine::editHeaders(SEGY& segy)
{
    // Every value is checked before any is set, so that a refused one
    // leaves the headers as they were.
    const QString equals = QStringLiteral("=");
    QList<QPair<int, qint32>> binaryEdits;
    for (const QString& edit : m_editOptions.value(QStringLiteral("bin-header"))) {
        const QStringList parts = edit.split(equals, Qt::KeepEmptyParts);
        if (parts.size() != 2) {
            printError(tr("Error: %1 is not a valid sytax to edit binary header fields.").arg(edit));
            continue;
        }
        const int index = binaryHeaderFieldIndex(parts.at(0));
        if (index == -1) {
            printError(tr("Error: %1 is not a valid offset for SEG-Y binary header.").arg(parts.at(0)));
            continue;
        }
        HeaderField field = segy.mainHeader()->field(index);
        if (!field.setValue(parts.at(1)))
            printError(tr("Error: %1 is not a valid value for field %2.").arg(parts.at(1), binaryHeaderLabels().at(index)));
        else if (segy.mainHeaderEditChangesLayout(index, field.value))
            printError(tr("Error: %1 would change the layout of the file.").arg(binaryHeaderLabels().at(index)));
        else
            binaryEdits.append({index, field.value});
    }

    QMap<int, TraceEdit> traceEdits;
    for (const QString& edit : m_editOptions.value(QStringLiteral("trace-header"))) {
        const QStringList parts = edit.split(equals, Qt::KeepEmptyParts);
        if (parts.size() != 2) {
            printError(tr("Error: %1 is not a valid sytax to edit trace header fields.").arg(edit));
            continue;
        }
        const int index = traceHeaderFieldIndex(parts.at(0));
        if (index == -1) {
            printError(tr("Error: %1 is not a valid offset for SEG-Y trace headers.").arg(parts.at(0)));
            continue;
        }
        const QString& text = parts.at(1);
        const QString invalid = tr("Error: %1 is not a valid value for field %2.").arg(text, traceHeaderLabels().at(index));
        TraceEdit traceEdit;
        if (HeaderExpression::isPlainInteger(text)) {
            HeaderField field{traceHeaderTable().kinds[index], 0};
            if (!field.setValue(text)) {
                printError(invalid);
                continue;
            }
            traceEdit.value = field.value;
        } else {
            QString badOffset;
            if (!traceEdit.expression.compile(text, &badOffset)) {
                printError(badOffset.isEmpty()
                               ? invalid
                               : tr("Error: %1 is not a valid offset for SEG-Y trace headers.").arg(badOffset));
                continue;
            }
            traceEdit.expressionText = text;
        }
        traceEdits.insert(index, traceEdit);
    }

    const int traceCount = segy.traceCount();
    int start = 0;
    int end = traceCount;
    const QStringList intervals = m_editOptions.value(QStringLiteral("interval"));
    if ((!intervals.isEmpty() && !parseInterval(intervals.first(), &start, &end)) || start < 0 || start >= end
        || end > traceCount) {
        printError(tr("Error: no valid trace index values."));
        return;
    }
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    for (auto it = traceEdits.begin(); it != traceEdits.end(); ++it) {
        TraceEdit& edit = it.value();
        if (edit.expressionText.isEmpty())
            continue;
        const HeaderExpression::Outcome outcome =
            edit.expression.evaluate(headers, start, end, traceHeaderTable().kinds[it.key()], &edit.values);
        switch (outcome.failure) {
        case HeaderExpression::Failure::None:
            break;
        case HeaderExpression::Failure::OutOfRange:
            printError(tr("Error: %1 gives %2 at trace index %3, which is not a valid value for field %4.")
                           .arg(edit.expressionText)
                           .arg(outcome.value)
                           .arg(outcome.trace)
                           .arg(traceHeaderLabels().at(it.key())));
            break;
        case HeaderExpression::Failure::DivisionByZero:
            printError(tr("Error: %1 divides by zero at trace index %2.").arg(edit.expressionText).arg(outcome.trace));
            break;
        case HeaderExpression::Failure::Overflow:
            printError(tr("Error: %1 overflows at trace index %2.").arg(edit.expressionText).arg(outcome.trace));
            break;
        }
    }
    for (auto it = traceEdits.cbegin(); it != traceEdits.cend(); ++it) {
        for (int trace = start; trace < end && it.value().ready(); ++trace) {
            if (segy.traceHeaderEditChangesLayout(trace, it.key(), it.value().valueFor(trace, start))) {
                printError(tr("Error: %1 would change the layout of the file.").arg(traceHeaderLabels().at(it.key())));
                break;
            }
        }
    }
    if (m_errorCount > 0)
        return;

    for (const auto& edit : qAsConst(binaryEdits))
        segy.setMainHeaderValue(edit.first, edit.second);
    for (auto it = traceEdits.cbegin(); it != traceEdits.cend(); ++it) {
        for (int trace = start; trace < end; ++trace)
            headers[trace]->storeValue(it.key(), it.value().valueFor(trace, start));
    }
}

namespace {

// The --delim text, or one blank when none was given.
QString separatorOf(const QMap<QString, QVariant>& options)
{
    const QString separator = options.value(QStringLiteral("delim")).toString();
    return separator.isEmpty() ? QStringLiteral(" ") : separator;
}

}  // namespace

void CommandLine::importHeaders(SEGY& segy)
{
    if (m_importOptions.isEmpty())
        return;
    const QString separator = separatorOf(m_importOptions);
    const QString file = m_importOptions.value(QStringLiteral("ascii-in")).toString();
    if (file.isEmpty())
        printError(tr("Error: no input ASCII file."));
    else if (!segy.importTraceHeadersFromASCIIFile(file, separator))
        printError(tr("Error: an error occurred importing trace headers from ASCII file %1.").arg(file));
}

void CommandLine::exportHeaders(SEGY& segy)
{
    if (m_exportOptions.isEmpty())
        return;
    const QString separator = separatorOf(m_exportOptions);
    const QString file = m_exportOptions.value(QStringLiteral("ascii-out")).toString();
    if (file.isEmpty())
        printError(tr("Error: no output ASCII file."));
    else if (!segy.exportTraceHeadersToASCIIFile(file, separator))
        printError(tr("Error: an error occurred exporting trace headers to ASCII file %1.").arg(file));
}

void CommandLine::reproject(SEGY& segy)
{
    if (m_reprojectOptions.isEmpty())
        return;
    const int inputEpsg = m_reprojectOptions.value(QStringLiteral("in-epsg")).toInt();
    const int outputEpsg = m_reprojectOptions.value(QStringLiteral("out-epsg")).toInt();
    const QString inputProj = m_reprojectOptions.value(QStringLiteral("in-proj")).toString();
    const QString outputProj = m_reprojectOptions.value(QStringLiteral("out-proj")).toString();

    bool usable = true;
    if (inputEpsg == 0 && inputProj.isEmpty()) {
        printError(tr("Error: no input coordinate reference system."));
        usable = false;
    }
    if (outputEpsg == 0 && outputProj.isEmpty()) {
        printError(tr("Error: no output coordinate reference system."));
        usable = false;
    }
    if (!usable)
        return;
    ReprojectionReport report;
    if (reprojectTraceCoordinates(&segy, inputEpsg, outputEpsg, inputProj, outputProj, &report) >= 0)
        return;
    if (report.failedTraces > 0)
        printError(tr("Error: %1").arg(report.text()));
    else
        printError(tr("Error: no valid input and/or output coordinate reference systems."));
}

bool CommandLine::runReadOnly()
{
    SEGY segy;
    followFileObject(segy);
    segy.setDevice(new QFile(m_inputFileName));
    if (!segy.open()) {
        printError(tr("Error: could not open file %1.").arg(m_inputFileName));
        segy.setDevice(nullptr);
        return false;
    }
    switch (m_command) {
    case Stats:
        m_stats.run(segy, m_inputFileName);
        break;
    case Dump:
        m_dump.run(segy, m_inputFileName, [this](const QString& message) { printError(message); });
        break;
    default:
        printInfo(segy);
        break;
    }
    segy.close();
    return m_errorCount == 0;
}

void CommandLine::printInfo(const SEGY& segy) const
{
    QString formatText;
    QString frequencyText;
    int interval = 0;
    int extendedHeaders = 0;
    if (const SEGYMainHeader* header = segy.mainHeader()) {
        formatText = header->fieldText(binaryHeaderFieldIndex(QStringLiteral("3225")));
        const int intervalField = binaryHeaderFieldIndex(QStringLiteral("3217"));
        frequencyText = header->fieldText(intervalField);
        interval = header->value(intervalField);
        extendedHeaders = header->value(binaryHeaderFieldIndex(QStringLiteral("3505")));
    }
    const bool littleEndian = segy.byteOrder() == 1;

    if (m_json) {
        JsonWriter json(stdout);
        json.beginObject();
        json.key(QStringLiteral("file"));
        json.value(m_inputFileName);
        json.key(QStringLiteral("sampleFormat"));
        json.value(formatText);
        json.key(QStringLiteral("sampleFormatCode"));
        json.value(qint64(segy.mainHeaderValue(binaryHeaderFieldIndex(QStringLiteral("3225")))));
        json.key(QStringLiteral("sampleIntervalMicroseconds"));
        json.value(qint64(interval));
        json.key(QStringLiteral("samplingFrequency"));
        json.value(frequencyText);
        json.key(QStringLiteral("traceCount"));
        json.value(qint64(segy.traceCount()));
        json.key(QStringLiteral("samplesCount"));
        json.value(qint64(segy.samplesPerTrace()));
        json.key(QStringLiteral("extendedTextHeaders"));
        json.value(qint64(extendedHeaders));
        json.key(QStringLiteral("byteOrder"));
        json.value(littleEndian ? tr("Little Endian") : tr("Big Endian"));
        json.endObject();
        json.finish();
        return;
    }

    const QStringList lines{
        tr("File: %1").arg(m_inputFileName),
        tr("Sample format: %1").arg(formatText),
        tr("Sample interval: %1 ms").arg(sampleIntervalMillisecondsText(interval)),
        tr("Sampling freq.: %1").arg(frequencyText),
        tr("Trace count: %1").arg(segy.traceHeaders().size()),
        tr("Samples count: %1").arg(segy.samplesPerTrace()),
        tr("Extended text headers: %1").arg(extendedHeaders),
        tr("Byte order: %1").arg(littleEndian ? tr("Little Endian") : tr("Big Endian")),
    };
    for (const QString& line : lines)
        printLine(stdout, line);
}
