// The commands that edit headers, exchange them with text files, reproject
// coordinates or summarise a file.

#include "command.h"
#include "commandsupport.h"
#include "dumpcommand.h"
#include "filesummary.h"
#include "headeredit.h"
#include "jsonwriter.h"
#include "positionscommand.h"
#include "reprojection.h"
#include "segy.h"
#include "statscommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLine", text);
}

const QString SeparatorValue = QStringLiteral("separator");
const QString SeparatorText = QStringLiteral("Char separator for CSV file");

// The --delim text, or one blank when none was given.
QString separatorOr(const QString& separator)
{
    return separator.isEmpty() ? QStringLiteral(" ") : separator;
}

// ---------------------------------------------------------------- edit

class EditCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("edit"); }
    QString description() const override { return QObject::tr("Edit binary and trace headers."); }

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
        return readSaveAs(parser, &m_saveAs, error)
               && !(m_binaryEdits.isEmpty() && m_traceEdits.isEmpty() && m_intervals.isEmpty());
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
        const QString equals = QStringLiteral("=");
        HeaderEdit edit;
        for (const QString& text : m_binaryEdits) {
            const QStringList parts = text.split(equals, Qt::KeepEmptyParts);
            if (parts.size() != 2) {
                fail(tr("Error: %1 is not a valid sytax to edit binary header fields.").arg(text));
                continue;
            }
            const int index = binaryHeaderFieldIndex(parts.at(0));
            if (index == -1)
                fail(tr("Error: %1 is not a valid offset for SEG-Y binary header.").arg(parts.at(0)));
            else
                report(edit.setBinaryValue(index, parts.at(1)), fail);
        }
        for (const QString& text : m_traceEdits) {
            const QStringList parts = text.split(equals, Qt::KeepEmptyParts);
            if (parts.size() != 2) {
                fail(tr("Error: %1 is not a valid sytax to edit trace header fields.").arg(text));
                continue;
            }
            const int index = traceHeaderFieldIndex(parts.at(0));
            if (index == -1)
                fail(tr("Error: %1 is not a valid offset for SEG-Y trace headers.").arg(parts.at(0)));
            else
                report(edit.setTraceExpression(index, parts.at(1)), fail);
        }
        const int traceCount = segy.traceCount();
        int start = 0;
        int end = traceCount;
        if ((!m_intervals.isEmpty() && !parseInterval(m_intervals.first(), &start, &end)) || start < 0
            || start >= end || end > traceCount) {
            fail(tr("Error: no valid trace index values."));
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
        switch (result.failure) {
        case HeaderEdit::Failure::None:
            break;
        case HeaderEdit::Failure::InvalidValue:
            fail(tr("Error: %1 is not a valid value for field %2.").arg(result.text, label));
            break;
        case HeaderEdit::Failure::BadOffset:
            fail(tr("Error: %1 is not a valid offset for SEG-Y trace headers.").arg(result.text));
            break;
        case HeaderEdit::Failure::OutOfRange:
            fail(tr("Error: %1 gives %2 at trace index %3, which is not a valid value for field %4.")
                     .arg(result.text)
                     .arg(result.value)
                     .arg(result.trace)
                     .arg(label));
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
    QStringList m_intervals;  // only the first counts
    QString m_saveAs;
};

// ---------------------------------------------------------------- reproject

class ReprojectCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("reproject"); }
    QString description() const override { return QObject::tr("Reproject positioning data in trace headers."); }

    void addOptions(QCommandLineParser& parser) const override
    {
        addReferenceSystemOptions(parser);
        addSaveAsOption(parser);
    }

    bool readOptions(const QCommandLineParser& parser, QString* error) override
    {
        // A code that is not a number reads as 0: no system.
        const QString inputEpsg = parser.value(QStringLiteral("in-epsg"));
        const QString outputEpsg = parser.value(QStringLiteral("out-epsg"));
        m_inputEpsg = inputEpsg.toInt();
        m_outputEpsg = outputEpsg.toInt();
        m_inputProj = parser.value(QStringLiteral("in-proj"));
        m_outputProj = parser.value(QStringLiteral("out-proj"));
        return readSaveAs(parser, &m_saveAs, error)
               && !(inputEpsg.isEmpty() && outputEpsg.isEmpty() && m_inputProj.isEmpty() && m_outputProj.isEmpty());
    }

    bool run(const QString& fileName, const ErrorSink& error) override
    {
        return changeFile(fileName, m_saveAs, tr("Reprojecting"), error,
                          [this, &error](SEGY& segy) { return reproject(segy, error); });
    }

private:
    bool reproject(SEGY& segy, const ErrorSink& error) const
    {
        bool usable = true;
        if (m_inputEpsg == 0 && m_inputProj.isEmpty()) {
            error(tr("Error: no input coordinate reference system."));
            usable = false;
        }
        if (m_outputEpsg == 0 && m_outputProj.isEmpty()) {
            error(tr("Error: no output coordinate reference system."));
            usable = false;
        }
        if (!usable)
            return false;
        ReprojectionReport report;
        if (reprojectTraceCoordinates(&segy, m_inputEpsg, m_outputEpsg, m_inputProj, m_outputProj, &report) >= 0)
            return true;
        if (report.failedTraces > 0)
            error(tr("Error: %1").arg(report.text()));
        else
            error(tr("Error: no valid input and/or output coordinate reference systems."));
        return false;
    }

    int m_inputEpsg = 0;
    int m_outputEpsg = 0;
    QString m_inputProj;
    QString m_outputProj;
    QString m_saveAs;
};

// ---------------------------------------------------------------- trace headers as text

class ImportHeadersCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("import-headers"); }
    QString description() const override { return QObject::tr("Import trace headers from ASCII file in CSV format."); }

    void addOptions(QCommandLineParser& parser) const override
    {
        parser.addOption({QStringLiteral("ascii-in"), QStringLiteral("ASCII input file"), QStringLiteral("marker")});
        parser.addOption({QStringLiteral("delim"), SeparatorText, SeparatorValue});
        addSaveAsOption(parser);
    }

    bool readOptions(const QCommandLineParser& parser, QString* error) override
    {
        m_file = parser.value(QStringLiteral("ascii-in"));
        m_separator = parser.value(QStringLiteral("delim"));
        return readSaveAs(parser, &m_saveAs, error) && !(m_file.isEmpty() && m_separator.isEmpty());
    }

    bool run(const QString& fileName, const ErrorSink& error) override
    {
        return changeFile(fileName, m_saveAs, tr("Importing"), error, [this, &error](SEGY& segy) {
            if (m_file.isEmpty()) {
                error(tr("Error: no input ASCII file."));
                return false;
            }
            if (segy.importTraceHeadersFromASCIIFile(m_file, separatorOr(m_separator)))
                return true;
            error(tr("Error: an error occurred importing trace headers from ASCII file %1.").arg(m_file));
            return false;
        });
    }

private:
    QString m_file;
    QString m_separator;
    QString m_saveAs;
};

class ExportHeadersCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("export-headers"); }
    QString description() const override { return QObject::tr("Export trace headers to ASCII file in CSV format."); }

    void addOptions(QCommandLineParser& parser) const override
    {
        parser.addOption({QStringLiteral("ascii-out"), QStringLiteral("ASCII output file"), QStringLiteral("marker")});
        parser.addOption({QStringLiteral("delim"), SeparatorText, SeparatorValue});
    }

    bool readOptions(const QCommandLineParser& parser, QString*) override
    {
        m_file = parser.value(QStringLiteral("ascii-out"));
        m_separator = parser.value(QStringLiteral("delim"));
        return !(m_file.isEmpty() && m_separator.isEmpty());
    }

    // Only reads the file: nothing is saved.
    bool run(const QString& fileName, const ErrorSink& error) override
    {
        SEGY segy;
        if (!openForCommand(segy, fileName, error, tr("Exporting")))
            return false;
        bool exported = false;
        if (m_file.isEmpty())
            error(tr("Error: no output ASCII file."));
        else if (!(exported = segy.exportTraceHeadersToASCIIFile(m_file, separatorOr(m_separator))))
            error(tr("Error: an error occurred exporting trace headers to ASCII file %1.").arg(m_file));
        segy.close();
        return exported;
    }

private:
    QString m_file;
    QString m_separator;
};

// ---------------------------------------------------------------- info

class InfoCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("info"); }
    QString description() const override { return QObject::tr("Print a summary of the file."); }

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
            auto text = [&json](const char* key, const QString& value) {
                json.key(QByteArray(key));
                json.value(value);
            };
            auto number = [&json](const char* key, qint64 value) {
                json.key(QByteArray(key));
                json.value(value);
            };
            text("file", fileName);
            text("sampleFormat", summary.sampleFormat);
            number("sampleFormatCode", summary.sampleFormatCode);
            number("sampleIntervalMicroseconds", summary.sampleInterval);
            text("samplingFrequency", summary.samplingFrequency);
            number("traceCount", summary.traceCount);
            number("samplesCount", summary.samplesCount);
            number("extendedTextHeaders", summary.extendedTextHeaders);
            text("byteOrder", summary.byteOrder());
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
        for (const QString& line : lines)
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
    commands.push_back(std::make_unique<ImportHeadersCommand>());
    commands.push_back(std::make_unique<ExportHeadersCommand>());
    commands.push_back(std::make_unique<InfoCommand>());
    commands.push_back(std::make_unique<ImportPositionsCommand>());
    commands.push_back(std::make_unique<StatsCommand>());
    commands.push_back(std::make_unique<DumpCommand>());
    return commands;
}
