#include "command.h"
#include "commandsupport.h"
#include "delimitedtext.h"
#include "positioning.h"
#include "segy.h"
#include "tracetext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegExp>
#include <QStringList>

namespace {

QString (*const tr)(const char*) = commandTr;

// Each character of the --delim text is one delimiter, as the wizard's check
// boxes make them: a blank stands for any white space.
TextSplitOptions splitOptions(QString delimiters, const QString& startLine, const QString& skipPrefix,
                              bool skipEmpty)
{
    TextSplitOptions split;
    if (delimiters.isEmpty())
        delimiters = QStringLiteral(" ");
    QStringList others;
    for (const QChar c : qAsConst(delimiters)) {
        if (c == QLatin1Char(','))
            split.comma = true;
        else if (c == QLatin1Char(';'))
            split.semicolon = true;
        else if (c == QLatin1Char(' '))
            split.space = true;
        else if (c == QLatin1Char('\t'))
            split.tab = true;
        else
            others << QRegExp::escape(QString(c));
    }
    split.other = others.join(QLatin1Char('|'));
    split.startLine = startLine.isEmpty() ? 1 : startLine.toInt();
    split.skipPrefix = skipPrefix;
    split.removeEmptyRows = skipEmpty;
    return split;
}

// The import's report, then why its first unwritten line was refused.
QString withFirstReason(const PositionImport& import)
{
    if (import.unchangedLines() == 0)
        return import.report();
    const PositionLine& line = import.firstUnchanged();
    const QString reason =
        line.problem == PositionLine::HasDecimals
            ? tr("Line %1: %2 has decimals; with --unit the values must be integers in the unit's storage "
                 "(metres x 100, arc seconds x 10000, degrees x 10000).")
                  .arg(import.firstUnchangedLine())
                  .arg(line.text)
            : import.firstUnchangedReason();
    return import.report() + QLatin1Char(' ') + reason;
}

// A units code option: 1, 2 or 3.
bool unitsOption(const QString& text, int* code)
{
    bool ok = false;
    *code = text.toInt(&ok, 10);
    return ok && *code >= 1 && *code <= 3;
}

// The import-positions command: source, receiver and CDP positions from a
// delimited text file into the trace headers, as they are or transformed
// between reference systems, with the text import wizard's splitting and
// filter rules. The file is saved only when nothing went wrong.
class ImportPositionsCommand : public Command
{
public:
    ImportPositionsCommand()
        : Command("import-positions", QT_TRANSLATE_NOOP("QObject", "Import source, receiver and CDP positions from "
                                                                     "a delimited text file."))
    {
    }
    void addOptions(QCommandLineParser& parser) const override;
    bool readOptions(const QCommandLineParser& parser, QString* error) override;
    bool run(const QString& fileName, const ErrorSink& error) override;

private:
    // The options as given; an empty text was not given.
    QString m_positions;
    QString m_columns[3];  // --src, --rcv, --cdp
    QString m_delimiters;
    QString m_startLine;
    QString m_skipPrefix;
    bool m_skipEmpty = false;
    QString m_unit;
    QString m_inputEpsg;
    QString m_outputEpsg;
    QString m_inputProj;
    QString m_outputProj;
    QString m_inputUnit;
    QString m_outputUnit;
    QString m_saveAs;
};

}  // namespace

std::unique_ptr<Command> createImportPositionsCommand()
{
    return std::make_unique<ImportPositionsCommand>();
}

void ImportPositionsCommand::addOptions(QCommandLineParser& parser) const
{
    const QString columns = QStringLiteral("x,y");
    const QString units = QStringLiteral("1|2|3");
    parser.addOption({QStringLiteral("positions"), QStringLiteral("Delimited text file of positions, one line per trace."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("src"), QStringLiteral("Columns (from 1) of the source X and Y."), columns});
    parser.addOption({QStringLiteral("rcv"), QStringLiteral("Columns (from 1) of the receiver group X and Y."), columns});
    parser.addOption({QStringLiteral("cdp"), QStringLiteral("Columns (from 1) of the CDP X and Y."), columns});
    parser.addOption({QStringLiteral("delim"),
                      QStringLiteral("Delimiter characters, a blank for any white space (default); consecutive "
                                     "delimiters count as one."),
                      QStringLiteral("characters")});
    parser.addOption({QStringLiteral("start-line"), QStringLiteral("First line of the text file to read (default 1)."),
                      QStringLiteral("n")});
    parser.addOption({QStringLiteral("skip-prefix"), QStringLiteral("Skip the lines starting with this text."),
                      QStringLiteral("text")});
    parser.addOption({QStringLiteral("skip-empty"), QStringLiteral("Skip the lines holding at most one value.")});
    parser.addOption({QStringLiteral("unit"),
                      QStringLiteral("Write the integers as they are, in this coordinate unit: 1 = Meters, "
                                     "2 = Seconds of Arc, 3 = Decimal degrees."),
                      units});
    addReferenceSystemOptions(parser);
    parser.addOption({QStringLiteral("in-unit"),
                      QStringLiteral("Unit of the values in the text file (default: the input system's)."), units});
    parser.addOption({QStringLiteral("out-unit"),
                      QStringLiteral("Unit of the values written (default: the output system's)."), units});
    addSaveAsOption(parser);
}

bool ImportPositionsCommand::readOptions(const QCommandLineParser& parser, QString* error)
{
    const std::pair<const char*, QString*> texts[] = {
        {"positions", &m_positions}, {"src", &m_columns[0]},      {"rcv", &m_columns[1]},
        {"cdp", &m_columns[2]},      {"delim", &m_delimiters},    {"start-line", &m_startLine},
        {"skip-prefix", &m_skipPrefix}, {"unit", &m_unit},        {"in-epsg", &m_inputEpsg},
        {"out-epsg", &m_outputEpsg}, {"in-proj", &m_inputProj},   {"out-proj", &m_outputProj},
        {"in-unit", &m_inputUnit},   {"out-unit", &m_outputUnit},
    };
    m_skipEmpty = parser.isSet(QStringLiteral("skip-empty"));
    bool any = m_skipEmpty;
    for (const auto& [name, text] : texts) {
        *text = parser.value(QLatin1String(name));
        any = any || !text->isEmpty();
    }
    if (!readSaveAs(parser, &m_saveAs, error))
        return false;
    if (!any)
        return missingOptions(tr("--positions, --src, --rcv or --cdp, and --unit or the reference systems "
                                 "(--in-epsg or --in-proj, --out-epsg or --out-proj)"),
                              error);
    int code = 0;
    return readEpsgCode(m_inputEpsg, true, &code, error) && readEpsgCode(m_outputEpsg, false, &code, error);
}

bool ImportPositionsCommand::run(const QString& segyFile, const ErrorSink& printError)
{
    int errors = 0;
    auto fail = [&](const QString& message) {
        ++errors;
        printError(message);
    };

    // Everything that can be checked without the files comes first.
    QMap<QString, int> mapping;
    if (m_positions.isEmpty())
        fail(tr("Error: no positions file."));
    const char* const pairs[3][3] = {{"src", "SRC_X", "SRC_Y"}, {"rcv", "RCV_X", "RCV_Y"}, {"cdp", "CDP_X", "CDP_Y"}};
    for (int k = 0; k < 3; ++k) {
        if (m_columns[k].isEmpty())
            continue;
        const QStringList parts = m_columns[k].split(QLatin1Char(','));
        bool okX = false, okY = false;
        const int x = parts.value(0).toInt(&okX, 10);
        const int y = parts.value(1).toInt(&okY, 10);
        if (parts.size() != 2 || !okX || !okY || x < 1 || y < 1 || x > 1000 || y > 1000) {
            fail(tr("Error: %1 is not a valid pair of columns for --%2; give two column numbers from 1 to 1000, "
                    "as in 3,4.")
                     .arg(m_columns[k], QLatin1String(pairs[k][0])));
            continue;
        }
        mapping.insert(QLatin1String(pairs[k][1]), x - 1);
        mapping.insert(QLatin1String(pairs[k][2]), y - 1);
    }
    if (m_columns[0].isEmpty() && m_columns[1].isEmpty() && m_columns[2].isEmpty())
        fail(tr("Error: no position columns; give --src, --rcv or --cdp."));
    for (const QChar c : qAsConst(m_delimiters)) {
        if (isNumberCharacter(c)) {
            fail(tr("Error: %1").arg(numberDelimiterMessage(QString(c))));
            break;
        }
    }
    if (!m_startLine.isEmpty() && m_startLine.toInt() < 1)
        fail(tr("Error: %1 is not a valid line number for --start-line.").arg(m_startLine));

    const int inputEpsg = m_inputEpsg.toInt();
    const int outputEpsg = m_outputEpsg.toInt();
    const bool transform = !(m_inputEpsg.isEmpty() && m_outputEpsg.isEmpty() && m_inputProj.isEmpty()
                             && m_outputProj.isEmpty() && m_inputUnit.isEmpty() && m_outputUnit.isEmpty());
    const QString badUnit = tr("Error: %1 is not a valid coordinate unit for --%2; use 1, 2 or 3.");
    int unit = 0;
    if (m_unit.isEmpty() != transform) {
        fail(tr("Error: give either --unit, or the input and output reference systems of a transform."));
    } else if (!m_unit.isEmpty()) {
        if (unitsOption(m_unit, &unit))
            mapping.insert(QStringLiteral("AS_IS_UNIT"), unit);
        else
            fail(badUnit.arg(m_unit, QStringLiteral("unit")));
    } else {
        if (inputEpsg == 0 && m_inputProj.isEmpty())
            fail(tr("Error: no input coordinate reference system."));
        if (outputEpsg == 0 && m_outputProj.isEmpty())
            fail(tr("Error: no output coordinate reference system."));
        mapping.insert(QStringLiteral("IN_EPSG"), inputEpsg);
        mapping.insert(QStringLiteral("OUT_EPSG"), outputEpsg);
        const std::pair<const QString*, const char*> sides[] = {{&m_inputUnit, "in-unit"}, {&m_outputUnit, "out-unit"}};
        for (const auto& [text, name] : sides) {
            if (text->isEmpty())
                continue;
            if (unitsOption(*text, &unit))
                mapping.insert(text == &m_inputUnit ? QStringLiteral("IN_UNIT") : QStringLiteral("OUT_UNIT"), unit);
            else
                fail(badUnit.arg(*text, QLatin1String(name)));
        }
    }
    if (errors > 0)
        return false;

    QFile positionsFile(m_positions);
    if (!positionsFile.open(QIODevice::ReadOnly)) {
        fail(tr("Error: could not open positions file %1: %2.").arg(m_positions, positionsFile.errorString()));
        return false;
    }
    // Loaded and saved as every editing command does: under the file's
    // write lock, in place only into a layout known for certain.
    return changeFile(segyFile, m_saveAs, tr("Importing"), fail, [&](SEGY& segy) {
        PositionImport import(&segy, mapping, m_inputProj, m_outputProj);
        if (!import.error().isEmpty()) {
            fail(tr("Error: %1").arg(import.error()));
            return false;
        }
        QString refusal;
        const int kept = importPositionsFromText(import, &positionsFile,
                                                 splitOptions(m_delimiters, m_startLine, m_skipPrefix, m_skipEmpty),
                                                 &refusal);
        import.finish();
        // Lines that could not be written left their own traces as they
        // were; the others are saved. Only an import that wrote nothing
        // is a failure.
        if (kept < 0)
            fail(tr("Error: %1").arg(refusal));
        else if (kept == 0)
            fail(tr("Error: the positions file %1 holds no line to import.").arg(m_positions));
        else if (import.writtenLines() == 0)
            fail(tr("Error: %1").arg(withFirstReason(import)));
        else if (!import.report().isEmpty())
            printWarning(withFirstReason(import));
        return errors == 0;
    });
}
