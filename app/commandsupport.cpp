#include "commandsupport.h"

#include "fieldlayout.h"
#include "headerfields.h"
#include "progressline.h"
#include "samplecodec.h"
#include "segy.h"
#include "segyfileio.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <cstring>

QString commandTr(const char* text)
{
    return QCoreApplication::translate("CommandLine", text);
}

namespace {

int firstOutputError = 0;  // errno of the first failed write

}  // namespace

bool writeOutput(FILE* stream, const char* data, size_t size)
{
    if (std::fwrite(data, 1, size, stream) == size)
        return true;
    if (firstOutputError == 0)
        firstOutputError = errno != 0 ? errno : EIO;
    return false;
}

QString outputFailure()
{
    if (std::fflush(stdout) != 0 && firstOutputError == 0)
        firstOutputError = errno != 0 ? errno : EIO;
    if (firstOutputError == 0 && std::ferror(stdout))
        firstOutputError = EIO;
    return firstOutputError == 0 ? QString() : QString::fromLocal8Bit(std::strerror(firstOutputError));
}

void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    writeOutput(stream, bytes.constData(), size_t(bytes.size()));
}

bool parseInterval(const QString& text, int* start, int* end)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,10})-([0-9]{1,10})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    bool startOk = false;
    bool endOk = false;
    if (match.hasMatch()) {
        *start = match.captured(1).toInt(&startOk);
        *end = match.captured(2).toInt(&endOk);
    }
    return startOk && endOk;
}

bool parseTraceFieldList(const QString& text, QList<int>* fields, QString* badItem)
{
    fields->clear();
    for (const QString& item : text.split(QLatin1Char(','))) {
        const QString startByte = item.trimmed();
        int index = traceHeaderFieldIndex(startByte);
        const QList<FieldDescription> extra = extension1Fields() + commandFieldLayout().fields(HeaderBlock::Trace);
        for (int k = 0; index < 0 && k < extra.size(); ++k)
            if (extra[k].name.compare(startByte, Qt::CaseInsensitive) == 0)
                index = TraceHeaderFieldCount + k;
        if (index < 0) {
            *badItem = startByte;
            return false;
        }
        if (!fields->contains(index))
            fields->append(index);
    }
    return true;
}

QList<int> allTraceFields(bool withExtension1)
{
    QList<int> fields;
    const int extension = extension1Fields().size();
    const int count = TraceHeaderFieldCount + extension + commandFieldLayout().fields(HeaderBlock::Trace).size();
    for (int i = 0; i < count; ++i)
        if (withExtension1 || i < TraceHeaderFieldCount || i >= TraceHeaderFieldCount + extension)
            fields.append(i);
    return fields;
}

FieldDescription commandTraceField(int index)
{
    if (index < TraceHeaderFieldCount)
        return FieldDescription::standard(HeaderBlock::Trace, index);
    index -= TraceHeaderFieldCount;
    return index < extension1Fields().size() ? extension1Fields().at(index)
                                             : commandFieldLayout().fields(HeaderBlock::Trace).at(index - extension1Fields().size());
}

bool readTraceFieldsOption(const QCommandLineParser& parser, QList<int>* fields, QString* error)
{
    const QString option = QStringLiteral("fields");
    QString bad;
    fields->clear();
    if (!parser.isSet(option) || parseTraceFieldList(parser.value(option), fields, &bad))
        return true;
    *error = commandTr("Error: %1 is not a valid offset for SEG-Y trace headers.").arg(bad);
    return false;
}

namespace {

FieldLayout& layoutOfCommands()
{
    static FieldLayout layout;
    return layout;
}

ReadingOverrides& overridesOfCommands()
{
    static ReadingOverrides overrides;
    return overrides;
}

}  // namespace

const FieldLayout& commandFieldLayout()
{
    return layoutOfCommands();
}

void addFieldLayoutOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("layout"), QStringLiteral("Layout file naming custom header fields (JSON)."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("field"),
                      QStringLiteral("Custom header field, repeatable (TYPE: int8, int16, int32, int64, uint8, "
                                     "uint16, uint32, uint64, ibm32, ieee32, ieee64)."),
                      QStringLiteral("NAME=BYTE:TYPE")});
}

bool readFieldLayoutOptions(const QCommandLineParser& parser, QString* error)
{
    FieldLayout layout;
    QString reason;
    const QString file = parser.value(QStringLiteral("layout"));
    bool ok = file.isEmpty() || layout.load(file, &reason);
    for (const QString& definition : parser.values(QStringLiteral("field")))
        ok = ok && layout.addDefinition(definition, &reason);
    if (!ok) {
        *error = QStringLiteral("Error: ") + reason;
        return false;
    }
    layoutOfCommands() = layout;
    return true;
}

void addReadingOverrideOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("byte-order"), QStringLiteral("Read the file as big- or little-endian."),
                      QStringLiteral("big|little")});
    parser.addOption({QStringLiteral("format"), QStringLiteral("Read the samples in this format code."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("text-encoding"), QStringLiteral("Read the textual headers as EBCDIC or ASCII."),
                      QStringLiteral("ebcdic|ascii")});
}

bool readReadingOverrideOptions(const QCommandLineParser& parser, QString* error)
{
    ReadingOverrides overrides;
    const QString order = parser.value(QStringLiteral("byte-order")).toLower();
    const QString format = parser.value(QStringLiteral("format"));
    const QString text = parser.value(QStringLiteral("text-encoding")).toLower();
    if (!order.isEmpty() && order != QLatin1String("big") && order != QLatin1String("little")) {
        *error = commandTr("Error: %1 is no byte order; give big or little.").arg(order);
        return false;
    }
    if (!text.isEmpty() && text != QLatin1String("ebcdic") && text != QLatin1String("ascii")) {
        *error = commandTr("Error: %1 is no textual header encoding; give ebcdic or ascii.").arg(text);
        return false;
    }
    bool ok = format.isEmpty();
    const int code = format.toInt(&ok);
    if (!format.isEmpty() && (!ok || bytesPerSampleForFormat(code) == 0)) {
        *error = commandTr("Error: %1 is no sample format code with a known sample size.").arg(format);
        return false;
    }
    if (!order.isEmpty())
        overrides.byteOrder = order == QLatin1String("big") ? ReadingOverrides::Order::BigEndian
                                                            : ReadingOverrides::Order::LittleEndian;
    overrides.formatCode = format.isEmpty() ? 0 : code;
    if (!text.isEmpty())
        overrides.textEncoding = text == QLatin1String("ascii") ? ReadingOverrides::Text::Ascii
                                                                : ReadingOverrides::Text::Ebcdic;
    overridesOfCommands() = overrides;
    return true;
}

void printWarning(const QString& message)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    ProgressLine::clear();
    printLine(stderr, QStringLiteral("Warning: ") + QString(message).replace(breaks, QStringLiteral(" ")));
}

void followFileObject(SEGY& segy, const QString& editLabel)
{
    ProgressLine::follow(segy, editLabel);
    // A save's reason for failing is printed once, as its error line.
    QObject::connect(&segy, &SEGY::errorMessage, [&segy](const QString& message) {
        if (message != segy.lastError())
            printWarning(message);
    });
}

namespace {

// Why a file could not be loaded, in the system's words or in plain ones.
QString openFailureReason(const SEGY& segy, const QFile& file, bool noTrace)
{
    const QFileInfo info(file.fileName());
    if (info.isDir())
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    if (!info.exists() || !info.isReadable())
        return file.error() != QFileDevice::NoError ? file.errorString() : commandTr("it cannot be read");
    if (info.size() == 0)
        return commandTr("the file is empty");
    if (info.size() < 3600)
        return commandTr("the file holds %1 bytes, fewer than the 3600 bytes of its textual and binary headers")
            .arg(info.size());
    if (noTrace)
        return commandTr("the file holds a header but no traces");
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return segy.lastError();
}

}  // namespace

bool openForCommand(SEGY& segy, const QString& fileName, const ErrorSink& printError, const QString& editLabel)
{
    followFileObject(segy, editLabel);
    segy.setFieldLayout(commandFieldLayout());
    segy.setReadingOverrides(overridesOfCommands());
    auto* file = new QFile(fileName);
    segy.setDevice(file);
    bool noTrace = false;
    const auto connection = QObject::connect(&segy, &SEGY::errorLoading, [&noTrace]() { noTrace = true; });
    const bool opened = segy.open();
    QObject::disconnect(connection);
    if (opened)
        return true;
    printError(commandTr("Error: could not open file %1: %2.").arg(fileName, openFailureReason(segy, *file, noTrace)));
    segy.setDevice(nullptr);  // the file object keeps an unopened device otherwise
    return false;
}

bool saveForCommand(SEGY& segy, const QString& fileName, const QString& saveAs, const ErrorSink& printError)
{
    bool saved;
    if (saveAs.isEmpty()) {
        saved = segy.save();
    } else {
        QFile destination(saveAs);
        saved = segy.save(&destination);
    }
    if (saved)
        return true;
    // A failure with a reason of its own says it; only a plain one names the file alone.
    if (!segy.saveFailureReason().isEmpty())
        printError(QStringLiteral("Error: ") + segy.saveFailureReason());
    else
        printError(commandTr("Error: could not save file %1.")
                       .arg(saveAs.isEmpty() ? fileName : saveAs));
    return false;
}

bool readFile(const QString& fileName, const ErrorSink& printError, const std::function<bool(SEGY&)>& use,
              const QString& editLabel)
{
    SEGY segy;
    if (!openForCommand(segy, fileName, printError, editLabel))
        return false;
    const bool ok = use(segy);
    segy.close();
    return ok;
}

bool changeFile(const QString& fileName, const QString& saveAs, const QString& editLabel,
                const ErrorSink& printError, const std::function<bool(SEGY&)>& change)
{
    SEGY segy;
    if (saveAs.isEmpty() && QFileInfo::exists(fileName)) {
        // One writer at a time: held from before the load to the end of the save.
        segy.setDevice(new QFile(fileName));
        if (!segy.takeWriteLock([&fileName]() {
                printLine(stderr, commandTr("Waiting for another process writing %1 to finish.")
                                      .arg(fileName));
            })) {
            printError(QStringLiteral("Error: ") + segy.lastError());
            return false;
        }
    }
    if (!openForCommand(segy, fileName, printError, editLabel))
        return false;
    // Nothing is changed when the save could only write into sample data.
    if (saveAs.isEmpty() && !segy.layout().isCertain()) {
        printError(commandTr("Error: the trace layout of %1 is not certain (%2); saving "
                             "in place could write into sample data. Save as a new file instead.")
                       .arg(fileName, segy.layout().uncertainty()));
        segy.close();
        return false;
    }
    const bool ok = change(segy) && saveForCommand(segy, fileName, saveAs, printError);
    ProgressLine::clear();  // an import has no closing signal
    segy.close();
    return ok;
}

void addSaveAsOption(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("saveas"), QStringLiteral("Output SEG-Y file"), QStringLiteral("file-name")});
}

bool readSaveAs(const QCommandLineParser& parser, QString* saveAs, QString* error)
{
    const QString option = QStringLiteral("saveas");
    *saveAs = parser.value(option);
    if (parser.isSet(option) && saveAs->isEmpty()) {
        *error = commandTr("Error: no output file name given to --saveas.");
        return false;
    }
    return true;
}

void addReferenceSystemOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("in-epsg"), QStringLiteral("Input epsg id."), QStringLiteral("epsg-id")});
    parser.addOption({QStringLiteral("out-epsg"), QStringLiteral("Output epsg id."), QStringLiteral("epsg-id")});
    parser.addOption({QStringLiteral("in-proj"), QStringLiteral("Input projection string."),
                      QStringLiteral("proj4-string")});
    parser.addOption({QStringLiteral("out-proj"), QStringLiteral("Output projection string."),
                      QStringLiteral("proj4-string")});
}

bool readEpsgCode(const QString& text, bool input, int* code, QString* error)
{
    bool ok = true;
    *code = text.isEmpty() ? 0 : text.toInt(&ok, 10);
    if (ok && *code >= 0)
        return true;
    *error = (input ? commandTr("Error: input coordinate reference system: %1 is not an EPSG code (a positive "
                                "number).")
                    : commandTr("Error: output coordinate reference system: %1 is not an EPSG code (a positive "
                                "number)."))
                 .arg(text);
    return false;
}
