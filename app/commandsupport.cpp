#include "commandsupport.h"

#include "headerfields.h"
#include "progressline.h"
#include "segy.h"

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
        const int index = traceHeaderFieldIndex(startByte);
        if (index < 0) {
            *badItem = startByte;
            return false;
        }
        if (!fields->contains(index))
            fields->append(index);
    }
    return true;
}

const QList<int>& allTraceFields()
{
    static const QList<int> fields = [] {
        QList<int> list;
        for (int i = 0; i < TraceHeaderFieldCount; ++i)
            list.append(i);
        return list;
    }();
    return fields;
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
