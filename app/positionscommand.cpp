#include "positionscommand.h"

#include "commandsupport.h"
#include "delimitedtext.h"
#include "positioning.h"
#include "segy.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegExp>
#include <QStringList>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLine", text);
}

const char* const TextOptions[] = {"positions", "src",      "rcv",      "cdp",     "delim",    "start-line",
                                   "skip-prefix", "unit",   "in-epsg",  "out-epsg", "in-proj", "out-proj",
                                   "in-unit",   "out-unit"};

// Each character of the --delim text is one delimiter, as the wizard's check
// boxes make them: a blank stands for any white space.
TextSplitOptions splitOptions(const QMap<QString, QVariant>& options)
{
    TextSplitOptions split;
    QString delimiters = options.value(QStringLiteral("delim")).toString();
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
    split.startLine = options.value(QStringLiteral("start-line"), 1).toInt();
    split.skipPrefix = options.value(QStringLiteral("skip-prefix")).toString();
    split.removeEmptyRows = options.value(QStringLiteral("skip-empty")).toBool();
    return split;
}

// A units code option: 1, 2 or 3.
bool unitsOption(const QMap<QString, QVariant>& options, const QString& name, int* code)
{
    bool ok = false;
    *code = options.value(name).toString().toInt(&ok, 10);
    return ok && *code >= 1 && *code <= 3;
}

}  // namespace

void addImportPositionsOptions(QCommandLineParser& parser)
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
    parser.addOption({QStringLiteral("in-epsg"), QStringLiteral("Input epsg id."), QStringLiteral("epsg-id")});
    parser.addOption({QStringLiteral("out-epsg"), QStringLiteral("Output epsg id."), QStringLiteral("epsg-id")});
    parser.addOption({QStringLiteral("in-proj"), QStringLiteral("Input projection string."),
                      QStringLiteral("proj4-string")});
    parser.addOption({QStringLiteral("out-proj"), QStringLiteral("Output projection string."),
                      QStringLiteral("proj4-string")});
    parser.addOption({QStringLiteral("in-unit"),
                      QStringLiteral("Unit of the values in the text file (default: the input system's)."), units});
    parser.addOption({QStringLiteral("out-unit"),
                      QStringLiteral("Unit of the values written (default: the output system's)."), units});
    parser.addOption({QStringLiteral("saveas"), QStringLiteral("Output SEG-Y file"), QStringLiteral("file-name")});
}

void readImportPositionsOptions(const QCommandLineParser& parser, QMap<QString, QVariant>* options)
{
    for (const char* name : TextOptions) {
        const QString key = QLatin1String(name);
        const QString value = parser.value(key);
        if (!value.isEmpty())
            options->insert(key, value);
    }
    if (parser.isSet(QStringLiteral("skip-empty")))
        options->insert(QStringLiteral("skip-empty"), true);
}

bool runImportPositions(const QString& segyFile, const QString& saveAsFile, const QMap<QString, QVariant>& options,
                        const std::function<void(const QString&)>& printError)
{
    int errors = 0;
    auto fail = [&](const QString& message) {
        ++errors;
        printError(message);
    };
    auto has = [&options](const char* name) { return options.contains(QLatin1String(name)); };
    auto text = [&options](const char* name) { return options.value(QLatin1String(name)).toString(); };

    // Everything that can be checked without the files comes first.
    QMap<QString, int> mapping;
    const QString positions = text("positions");
    if (positions.isEmpty())
        fail(tr("Error: no positions file."));
    const char* const pairs[3][3] = {{"src", "SRC_X", "SRC_Y"}, {"rcv", "RCV_X", "RCV_Y"}, {"cdp", "CDP_X", "CDP_Y"}};
    for (const auto& pair : pairs) {
        if (!has(pair[0]))
            continue;
        const QStringList parts = text(pair[0]).split(QLatin1Char(','));
        bool okX = false, okY = false;
        const int x = parts.value(0).toInt(&okX, 10);
        const int y = parts.value(1).toInt(&okY, 10);
        if (parts.size() != 2 || !okX || !okY || x < 1 || y < 1 || x > 1000 || y > 1000) {
            fail(tr("Error: %1 is not a valid pair of columns for --%2; give two column numbers from 1 to 1000, "
                    "as in 3,4.")
                     .arg(text(pair[0]), QLatin1String(pair[0])));
            continue;
        }
        mapping.insert(QLatin1String(pair[1]), x - 1);
        mapping.insert(QLatin1String(pair[2]), y - 1);
    }
    if (!has("src") && !has("rcv") && !has("cdp"))
        fail(tr("Error: no position columns; give --src, --rcv or --cdp."));
    if (has("start-line") && text("start-line").toInt() < 1)
        fail(tr("Error: %1 is not a valid line number for --start-line.").arg(text("start-line")));

    const int inputEpsg = text("in-epsg").toInt();
    const int outputEpsg = text("out-epsg").toInt();
    const QString inputProj = text("in-proj");
    const QString outputProj = text("out-proj");
    const bool transform = has("in-epsg") || has("out-epsg") || has("in-proj") || has("out-proj") || has("in-unit")
        || has("out-unit");
    int unit = 0;
    if (has("unit") == transform) {
        fail(tr("Error: give either --unit, or the input and output reference systems of a transform."));
    } else if (has("unit")) {
        if (unitsOption(options, QStringLiteral("unit"), &unit))
            mapping.insert(QStringLiteral("AS_IS_UNIT"), unit);
        else
            fail(tr("Error: %1 is not a valid coordinate unit for --%2; use 1, 2 or 3.").arg(text("unit"), QStringLiteral("unit")));
    } else {
        if (inputEpsg == 0 && inputProj.isEmpty())
            fail(tr("Error: no input coordinate reference system."));
        if (outputEpsg == 0 && outputProj.isEmpty())
            fail(tr("Error: no output coordinate reference system."));
        mapping.insert(QStringLiteral("IN_EPSG"), inputEpsg);
        mapping.insert(QStringLiteral("OUT_EPSG"), outputEpsg);
        for (const char* side : {"in-unit", "out-unit"}) {
            const QString name = QLatin1String(side);
            if (!has(side))
                continue;
            if (unitsOption(options, name, &unit))
                mapping.insert(name == QLatin1String("in-unit") ? QStringLiteral("IN_UNIT") : QStringLiteral("OUT_UNIT"), unit);
            else
                fail(tr("Error: %1 is not a valid coordinate unit for --%2; use 1, 2 or 3.").arg(text(side), name));
        }
    }
    if (errors > 0)
        return false;

    QFile positionsFile(positions);
    if (!positionsFile.open(QIODevice::ReadOnly)) {
        fail(tr("Error: could not open positions file %1.").arg(positions));
        return false;
    }
    SEGY segy;
    if (!openForCommand(segy, segyFile, fail))
        return false;

    {
        PositionImport import(&segy, mapping, inputProj, outputProj);
        if (!import.error().isEmpty()) {
            fail(tr("Error: %1").arg(import.error()));
        } else {
            const int kept = importPositionsFromText(import, &positionsFile, splitOptions(options));
            import.finish();
            // Lines that could not be written left their own traces as they
            // were; the others are saved. Only an import that wrote nothing
            // is a failure.
            if (kept == 0)
                fail(tr("Error: the positions file %1 holds no line to import.").arg(positions));
            else if (import.writtenLines() == 0)
                fail(tr("Error: %1").arg(import.report()));
            else if (!import.report().isEmpty())
                printWarning(import.report());
        }
    }

    // Nothing is written once something went wrong.
    if (errors == 0)
        saveForCommand(segy, segyFile, saveAsFile, fail);
    segy.close();
    return errors == 0;
}
