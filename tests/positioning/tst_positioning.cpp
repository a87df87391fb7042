// Positioning import without a window: the splitting and filter rules, the
// text reader, the routine in both modes against cs2cs, and the
// import-positions command end to end, read back through segyio.

#include "delimitedtext.h"
#include "fixture.h"
#include "headerfields.h"
#include "positioning.h"
#include "segy.h"
#include "segyiooracle.h"

#include <QBuffer>
#include <QJsonArray>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>

namespace {

const char* const Fields[] = {"71", "89", "73", "77", "81", "85", "181", "185"};
const QList<int> Before = {-100, 1, 11, 12, 21, 22, 31, 32};  // every trace's values at start

QList<int> traceValues(const SEGY& segy, int trace)
{
    QList<int> out;
    for (const char* f : Fields)
        out << segy.traceHeaderValue(trace, traceHeaderFieldIndex(QLatin1String(f)));
    return out;
}

QString writeSurvey(const QTemporaryDir& dir, int traces)
{
    SegyFixture fx;
    fx.geometry(2, 1);
    for (int t = 0; t < traces; ++t) {
        fx.addTrace(2, 1, [t](int s) { return t + s * 0.5; });
        fx.tr16(t, 71, qint16(Before[0])).tr16(t, 89, qint16(Before[1]));
        for (int k = 2; k < 8; ++k)
            fx.tr32(t, QByteArray(Fields[k]).toInt(), Before[k]);
    }
    const QString path = dir.filePath(QStringLiteral("survey%1.sgy").arg(traces));
    return fx.writeTo(path) ? path : QString();
}

QMap<QString, int> mapping(const QString& text)  // "SRC_X=0 SRC_Y=1 AS_IS_UNIT=1"
{
    QMap<QString, int> m;
    for (const QString& pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        m.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1).toInt());
    return m;
}

// PROJ's cs2cs on one point, full precision.
QPointF cs2cs(const QString& from, const QString& to, double x, double y)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/cs2cs"), QStringList{QStringLiteral("-f"), QStringLiteral("%.10f")}
                                                  + from.split(QLatin1Char(' ')) + QStringList{QStringLiteral("+to")}
                                                  + to.split(QLatin1Char(' ')));
    p.waitForStarted();
    p.write(QByteArray::number(x, 'g', 17) + ' ' + QByteArray::number(y, 'g', 17) + '\n');
    p.closeWriteChannel();
    p.waitForFinished();
    const QList<QByteArray> cells = p.readAllStandardOutput().simplified().split(' ');
    return cells.size() >= 2 ? QPointF(cells[0].toDouble(), cells[1].toDouble()) : QPointF(qQNaN(), qQNaN());
}

QString proj(int epsg)
{
    const QList<CrsDefinition> found = CrsCatalogue().byId(epsg).definitions;
    return found.isEmpty() ? QString() : found.first().proj();
}

struct Run {
    int status = -1;
    QStringList err;
};

Run runCommand(const QStringList& arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(QString::fromLocal8Bit(qgetenv("TREVALON_BIN_DIR")) + QStringLiteral("/trevalon"), arguments);
    Run r;
    if (p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit)
        r.status = p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return r;
}

}  // namespace

class TestPositioning : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void split_data()
    {
        QTest::addColumn<QString>("delimiters");  // , ; s t, o<fragment>, m = merge
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("semicolon keeps empty") << ";" << "1;2;;4" << QStringList{"1", "2", "", "4"};
        QTest::newRow("semicolon merged") << ";m" << "1;2;;4" << QStringList{"1", "2", "4"};
        QTest::newRow("comma and semicolon merged") << ",;m" << "a,;b;,c" << QStringList{"a", "b", "c"};
        QTest::newRow("blanks stay") << "," << "1, 2 ,3" << QStringList{"1", " 2 ", "3"};
        QTest::newRow("ends give empty fields") << ",m" << ",a,,b," << QStringList{"", "a", "b", ""};
        QTest::newRow("space is any white space") << "s" << "a\tb  c" << QStringList{"a", "b", "", "c"};
        QTest::newRow("tab only") << "t" << "a\tb c" << QStringList{"a", "b c"};
        QTest::newRow("no delimiter: one field") << "" << "a,b c" << QStringList{"a,b c"};
        QTest::newRow("empty line") << ",m" << "" << QStringList{""};
        QTest::newRow("other plain character") << "ox" << "1x2xx3" << QStringList{"1", "2", "", "3"};
        QTest::newRow("other fragment") << "o\\s*:\\s*" << "1 : 2:3" << QStringList{"1", "2", "3"};
        QTest::newRow("other with comma merged") << ",mo\\|" << "1|,2" << QStringList{"1", "2"};
        QTest::newRow("invalid fragment: one field") << ",o(" << "1,2" << QStringList{"1,2"};
        QTest::newRow("blanks at the ends are no fields") << "sm" << "   100   2000  30000  "
                                                          << QStringList{"100", "2000", "30000"};
        QTest::newRow("white space at the ends, unmerged") << "s" << "\t 1 2 \t" << QStringList{"1", "2"};
        QTest::newRow("blank line with space") << "sm" << "   " << QStringList{""};
        QTest::newRow("ends trimmed with a fragment") << "smo:" << "  1:2  3 " << QStringList{"1", "2", "3"};
    }

    // The fields, and the same as Qt's classic expression engine gives for
    // the wizard's pattern.
    void split()
    {
        QFETCH(QString, delimiters);
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        TextSplitOptions o;
        const int other = delimiters.indexOf(QLatin1Char('o'));
        const QString flags = other < 0 ? delimiters : delimiters.left(other);
        o.comma = flags.contains(QLatin1Char(','));
        o.semicolon = flags.contains(QLatin1Char(';'));
        o.space = flags.contains(QLatin1Char('s'));
        o.tab = flags.contains(QLatin1Char('t'));
        o.mergeDelimiters = flags.contains(QLatin1Char('m'));
        o.other = other < 0 ? QString() : delimiters.mid(other + 1);
        QStringList got;
        LineSplitter(o).split(line, &got);
        QCOMPARE(got, fields);
        // White space delimits: it is first taken off both ends.
        const QString ends = o.space ? line.trimmed() : line;
        const QRegExp expression(delimiterPattern(o));
        if (expression.isValid() && !expression.isEmpty())
            QCOMPARE(got, ends.split(expression, Qt::KeepEmptyParts));
    }

    void refusedDelimiters_data()
    {
        QTest::addColumn<QString>("other");
        QTest::addColumn<bool>("refused");
        for (const char* other : {"0", "9", "+", "-", ".", "\\d", "[0-9]", "a|-", "\\+", "\\.", "x|0"})
            QTest::newRow(other) << QString::fromLatin1(other) << true;
        for (const char* other : {"", "x", "x+", "\\s*:\\s*"})
            QTest::newRow(other[0] ? other : "none") << QString::fromLatin1(other) << false;
    }

    // An other delimiter that matches a digit, a sign or a decimal point
    // would cut numbers apart: refused, and the import reads nothing.
    void refusedDelimiters()
    {
        QFETCH(QString, other);
        QFETCH(bool, refused);
        TextSplitOptions o;
        o.space = true;
        o.other = other;
        const QString reason = delimiterRefusal(o);
        QCOMPARE(!reason.isEmpty(), refused);
        if (refused)
            QCOMPARE(reason, QStringLiteral("\"%1\" cannot be a delimiter: digits, signs and decimal points are "
                                            "parts of numbers.").arg(other));

        const QString survey = writeSurvey(dir, 2);
        SEGY segy;
        segy.setDevice(new QFile(survey));
        QVERIFY(segy.open());
        QByteArray text("1 2\n3 4\n");
        QBuffer buffer(&text);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        PositionImport import(&segy, mapping(QStringLiteral("SRC_X=0 SRC_Y=1 AS_IS_UNIT=1")));
        QString error;
        const int kept = importPositionsFromText(import, &buffer, o, &error);
        import.finish();
        QCOMPARE(error, reason);
        QCOMPARE(kept, refused ? -1 : 2);
        QCOMPARE(buffer.pos(), qint64(refused ? 0 : text.size()));
        QCOMPARE(traceValues(segy, 0) == Before, refused);
    }

    void filters_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("removeEmpty");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("kept");
        QTest::newRow("prefix drops") << "#" << false << "# shot,x,y" << false;
        QTest::newRow("prefix after a blank kept") << "#" << false << " # shot" << true;
        QTest::newRow("prefix is case-sensitive") << "Sp" << false << "sp 1,2" << true;
        QTest::newRow("one value and commas dropped") << "" << true << "7,,," << false;
        QTest::newRow("lone value dropped") << "" << true << "7" << false;
        QTest::newRow("two values kept") << "" << true << "7,,8" << true;
        // Removing empty rows removes empty rows.
        QTest::newRow("commas only dropped") << "" << true << ",,," << false;
        QTest::newRow("empty line dropped") << "" << true << "" << false;
        QTest::newRow("empty line kept without the option") << "" << false << "" << true;
    }

    void filters()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, removeEmpty);
        QFETCH(QString, line);
        QFETCH(bool, kept);
        TextSplitOptions o;
        o.comma = true;
        o.mergeDelimiters = false;
        o.skipPrefix = prefix;
        o.removeEmptyRows = removeEmpty;
        QStringList fields;
        QCOMPARE(LineSplitter(o).keep(line, &fields), kept);
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bom");
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("LF") << QByteArray() << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray() << QByteArray("\r\n");
        QTest::newRow("BOM, LF") << QByteArray("\xEF\xBB\xBF") << QByteArray("\n");
        QTest::newRow("BOM, CR LF, no final end") << QByteArray("\xEF\xBB\xBF") << QByteArray("\r\n");
        QTest::newRow("CR") << QByteArray() << QByteArray("\r");
        QTest::newRow("BOM, CR, no final end") << QByteArray("\xEF\xBB\xBF") << QByteArray("\r");
    }

    // The same lines, fields and line numbers whatever the encoding details;
    // the start line counts the file's lines and the first kept line is 0.
    void encodings()
    {
        QFETCH(QByteArray, bom);
        QFETCH(QByteArray, end);
        QByteArray text = bom + "x;y" + end + "1;2" + end + "Zürich;3" + end + "4;5";
        if (!QByteArray(QTest::currentDataTag()).contains("no final"))
            text += end;
        QBuffer buffer(&text);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        TextSplitOptions o;
        o.semicolon = true;
        o.startLine = 2;
        DelimitedTextReader reader(&buffer, o);
        QStringList fields;
        QList<QStringList> rows;
        QList<qint64> numbers;
        while (reader.readFields(&fields)) {
            rows << fields;
            numbers << reader.lineNumber();
        }
        QCOMPARE(rows, (QList<QStringList>{{"1", "2"}, {QStringLiteral("Zürich"), "3"}, {"4", "5"}}));
        QCOMPARE(numbers, (QList<qint64>{2, 3, 4}));
        QCOMPARE(reader.percentRead(), 100);
    }

    // The reader takes the file in chunks of 64 KiB: a line end on the
    // border is still one line end, whichever form it has.
    void lineEndOnChunkBorder_data()
    {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("CR LF split") << QByteArray("\r\n");
        QTest::newRow("CR last") << QByteArray("\r");
        QTest::newRow("LF first") << QByteArray("\n");
    }

    void lineEndOnChunkBorder()
    {
        QFETCH(QByteArray, end);
        const int chunk = 64 * 1024;
        QByteArray text = "#" + QByteArray(chunk - 2, 'x') + end + "1;2" + end + "3;4" + end;
        QBuffer buffer(&text);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        TextSplitOptions o;
        o.semicolon = true;
        DelimitedTextReader reader(&buffer, o);
        QStringList fields;
        QList<QStringList> rows;
        while (reader.readFields(&fields))
            rows << fields;
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].first().size(), chunk - 1);
        QCOMPARE(rows.mid(1), (QList<QStringList>{{"1", "2"}, {"3", "4"}}));
        QCOMPARE(reader.lineNumber(), 3);
    }

    void asIs_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<int>>("after");  // 71 89 73 77 81 85 181 185; empty: unchanged
        QTest::newRow("source, metres") << "SRC_X=2 SRC_Y=3 AS_IS_UNIT=1" << "a,b,4321,-98765"
                                        << QList<int>{-100, 1, 4321, -98765, 21, 22, 31, 32};
        QTest::newRow("all three, degrees") << "SRC_X=0 SRC_Y=1 RCV_X=2 RCV_Y=3 CDP_X=4 CDP_Y=5 AS_IS_UNIT=3"
                                            << " 1, 2 ,3,4,5,6" << QList<int>{-10000, 3, 1, 2, 3, 4, 5, 6};
        QTest::newRow("decimal point") << "SRC_X=0 SRC_Y=1 CDP_X=2 CDP_Y=3 AS_IS_UNIT=1" << "1,2,3.5,4" << QList<int>();
        QTest::newRow("field missing") << "SRC_X=0 SRC_Y=1 CDP_X=2 CDP_Y=3 AS_IS_UNIT=2" << "1,2,3" << QList<int>();
        QTest::newRow("empty field") << "SRC_X=0 SRC_Y=1 AS_IS_UNIT=1" << "1," << QList<int>();
        QTest::newRow("beyond 32 bits") << "SRC_X=0 SRC_Y=1 AS_IS_UNIT=1" << "1,2147483648" << QList<int>();
        QTest::newRow("most negative int") << "SRC_X=0 SRC_Y=1 AS_IS_UNIT=1" << "-2147483648,1" << QList<int>{-100, 1, -2147483647 - 1, 1, 21, 22, 31, 32};
    }

    // A line is written whole, units and scalar with it, or not at all.
    void asIs()
    {
        QFETCH(QString, map);
        QFETCH(QString, line);
        QFETCH(QList<int>, after);
        SEGY segy;
        segy.setDevice(new QFile(writeSurvey(dir, 2)));
        QVERIFY(segy.open());
        QSignalSpy started(&segy, &SEGY::editStarted);
        QSignalSpy completed(&segy, &SEGY::editCompleted);
        PositionImport import(&segy, mapping(map));
        QCOMPARE(import.error(), QString());
        import.addLine(0, line.split(QLatin1Char(',')), 5);
        import.finish();
        QCOMPARE(traceValues(segy, 0), after.isEmpty() ? Before : after);
        QCOMPARE(traceValues(segy, 1), Before);
        QCOMPARE(import.unchangedLines(), after.isEmpty() ? 1 : 0);
        QCOMPARE(started.count(), 1);
        QCOMPARE(completed.count(), 1);
    }

    void transform_data()
    {
        QTest::addColumn<int>("in");
        QTest::addColumn<int>("out");
        QTest::addColumn<int>("inUnit");
        QTest::addColumn<int>("outUnit");
        QTest::addColumn<double>("x");  // in the input unit
        QTest::addColumn<double>("y");
        QTest::newRow("same system: every unit kept") << 4326 << 4326 << 3 << 3 << 1.13 << 41.13;
        QTest::newRow("ED50 UTM 31N to WGS 84 UTM 31N") << 23031 << 32631 << 1 << 1 << 432150.25 << 4581320.75;
        QTest::newRow("degrees to metres") << 4326 << 32631 << 3 << 1 << 2.5 << 41.25;
        QTest::newRow("metres to seconds of arc") << 23031 << 4326 << 1 << 2 << 432150.0 << 4581320.0;
        QTest::newRow("seconds of arc to degrees") << 4230 << 4326 << 2 << 3 << 9000.0 << 148500.0;
    }

    // Stored values: cs2cs's result in the output unit times 100, 1000 or
    // 10000, rounded; scalar the negated factor, units the output unit.
    void transform()
    {
        QFETCH(int, in);
        QFETCH(int, out);
        QFETCH(int, inUnit);
        QFETCH(int, outUnit);
        QFETCH(double, x);
        QFETCH(double, y);
        SEGY segy;
        segy.setDevice(new QFile(writeSurvey(dir, 1)));
        QVERIFY(segy.open());
        PositionImport import(&segy, mapping(QStringLiteral("RCV_X=1 RCV_Y=0 IN_EPSG=%1 OUT_EPSG=%2 IN_UNIT=%3 OUT_UNIT=%4")
                                                 .arg(in).arg(out).arg(inUnit).arg(outUnit)));
        QCOMPARE(import.error(), QString());
        import.addLine(0, {QString::number(y, 'f', 6), QString::number(x, 'f', 6)}, 1);
        import.finish();

        const double toDegrees = inUnit == 2 ? 1.0 / 3600 : 1.0;
        QPointF expected = cs2cs(proj(in), proj(out), x * toDegrees, y * toDegrees);
        const int multiplier = outUnit == 1 ? 100 : outUnit == 2 ? 1000 : 10000;
        if (outUnit == 2)
            expected *= 3600;
        const QList<int> got = traceValues(segy, 0);
        QCOMPARE(got.mid(0, 2), (QList<int>{-multiplier, outUnit}));
        if (in == out) {
            QCOMPARE(got[4], qRound(x * multiplier));
            QCOMPARE(got[5], qRound(y * multiplier));
        }
        QVERIFY2(std::abs(got[4] - std::round(expected.x() * multiplier)) <= 1, qPrintable(QString::number(got[4])));
        QVERIFY2(std::abs(got[5] - std::round(expected.y() * multiplier)) <= 1, qPrintable(QString::number(got[5])));
        QCOMPARE(got.mid(2, 2) + got.mid(6), Before.mid(2, 2) + Before.mid(6));
    }

    // Text that is no number, a point PROJ cannot transform, or a result too
    // large for the field leaves the whole trace as it was.
    void transformFailures_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("not a number") << "2.5;41;abc;41";
        QTest::newRow("infinite") << "2.5;41;inf;41";
        QTest::newRow("latitude beyond the pole") << "2.5;41;2.5;95";
        QTest::newRow("Y missing") << "2.5;41;2.5";
    }

    void transformFailures()
    {
        QFETCH(QString, line);
        SEGY segy;
        segy.setDevice(new QFile(writeSurvey(dir, 1)));
        QVERIFY(segy.open());
        PositionImport import(&segy, mapping(QStringLiteral("SRC_X=0 SRC_Y=1 CDP_X=2 CDP_Y=3 IN_EPSG=4326 OUT_EPSG=32631")));
        QCOMPARE(import.error(), QString());
        import.addLine(0, line.split(QLatin1Char(';')), 7);
        QCOMPARE(traceValues(segy, 0), Before);
        QCOMPARE(import.firstUnchangedLine(), qint64(7));
    }

    void setupErrors_data()
    {
        QTest::addColumn<QString>("map");
        QTest::addColumn<QString>("error");
        QTest::newRow("no column") << "AS_IS_UNIT=1" << "No position columns were chosen.";
        QTest::newRow("half a pair") << "SRC_X=0 AS_IS_UNIT=1" << "The X and Y columns of a position go together.";
        QTest::newRow("unknown code") << "SRC_X=0 SRC_Y=1 IN_EPSG=4326 OUT_EPSG=99999"
                                      << "output coordinate reference system: EPSG code 99999 is not in the catalogue.";
        QTest::newRow("bad unit") << "SRC_X=0 SRC_Y=1 AS_IS_UNIT=4" << "4 is not a coordinate unit code (1, 2 or 3).";
    }

    // An import that cannot run writes nothing and announces no edit.
    void setupErrors()
    {
        QFETCH(QString, map);
        QFETCH(QString, error);
        SEGY segy;
        segy.setDevice(new QFile(writeSurvey(dir, 1)));
        QVERIFY(segy.open());
        QSignalSpy started(&segy, &SEGY::editStarted);
        PositionImport import(&segy, mapping(map));
        QCOMPARE(import.error(), error);
        import.addLine(0, {"1", "2"}, 1);
        QCOMPARE(traceValues(segy, 0), Before);
        QCOMPARE(started.count(), 0);
    }

    // One report names the lines left unchanged and the lines beyond the last trace.
    void report()
    {
        SEGY segy;
        segy.setDevice(new QFile(writeSurvey(dir, 3)));
        QVERIFY(segy.open());
        QByteArray text = "# header\n5 6\nbad 7\n8 9\n10 11\n12\n";
        QBuffer buffer(&text);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        PositionImport import(&segy, mapping(QStringLiteral("SRC_X=0 SRC_Y=1 AS_IS_UNIT=1")));
        TextSplitOptions o;
        o.space = true;
        o.skipPrefix = QStringLiteral("#");
        QCOMPARE(importPositionsFromText(import, &buffer, o), 5);
        QCOMPARE(traceValues(segy, 2), Before);  // stored together, by finish
        import.finish();
        QCOMPARE(import.changedTraces(), qint64(2));
        QCOMPARE(traceValues(segy, 2).mid(2, 2), (QList<int>{8, 9}));
        QCOMPARE(traceValues(segy, 1), Before);
        QCOMPARE(import.report(),
                 QStringLiteral("1 line(s) of the positioning file could not be written and left their traces "
                                "unchanged (the first is line 3 of the file); 2 line(s) lay beyond the last trace "
                                "and were not imported."));
    }

    // ---- the command ----

    void commandImports()
    {
        const QString survey = writeSurvey(dir, 4);
        const QString positions = dir.filePath(QStringLiteral("p.csv"));
        QFile f(positions);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBFshot;sx;sy;cx;cy\r\n"
                "1;100;200;432150.5;4581320.5\r\n2;101;201;432175.5;4581333.0\r\n\r\n"
                "3;102;202;432200.5;4581345.5\r\n4;103;203;432225.5;4581358.0\r\n");
        f.close();
        const QString out = dir.filePath(QStringLiteral("out.sgy"));
        Run r = runCommand({survey, "import-positions", "--positions", positions, "--src", "2,3", "--unit", "1",
                            "--delim", ";", "--start-line", "2", "--skip-empty", "--saveas", out});
        QCOMPARE(r.err, QStringList());
        QCOMPARE(r.status, 0);
        const QJsonObject o = segyioDump(out, false);
        QVERIFY2(o.value("ok").toBool(), qPrintable(o.value("error").toString()));
        const QJsonArray traces = o.value("traces").toArray();
        QCOMPARE(traces.size(), 4);
        for (int t = 0; t < 4; ++t) {
            const QJsonObject fields = traces[t].toObject().value("fields").toObject();
            QCOMPARE(fields.value("73").toInt(), 100 + t);
            QCOMPARE(fields.value("77").toInt(), 200 + t);
            QCOMPARE(fields.value("181").toInt(), Before[6]);
            QCOMPARE(fields.value("71").toInt(), -100);
        }

        // The CDP columns transformed in place, against cs2cs.
        r = runCommand({survey, "import-positions", "--positions", positions, "--cdp", "4,5", "--in-epsg", "23031",
                        "--out-epsg", "32631", "--delim", ";", "--skip-prefix", "shot", "--skip-empty"});
        QCOMPARE(r.err, QStringList());
        QCOMPARE(r.status, 0);
        const QJsonObject t3 = segyioDump(survey, false).value("traces").toArray()[3].toObject().value("fields").toObject();
        const QPointF expected = cs2cs(proj(23031), proj(32631), 432225.5, 4581358.0);
        QVERIFY(std::abs(t3.value("181").toInt() - std::trunc(expected.x() * 100)) <= 1);
        QVERIFY(std::abs(t3.value("185").toInt() - std::trunc(expected.y() * 100)) <= 1);
        QCOMPARE(t3.value("89").toInt(), 1);
        QCOMPARE(t3.value("73").toInt(), Before[2]);
    }

    void commandFailures_data()
    {
        QTest::addColumn<QStringList>("options");  // %p: a positions file of 3 good lines
        QTest::addColumn<QString>("error");
        const QString p = QStringLiteral("%p");
        QTest::newRow("column 0") << QStringList{"--positions", p, "--src", "0,1", "--unit", "1"}
                                  << "Error: 0,1 is not a valid pair of columns for --src; give two column numbers "
                                     "from 1 to 1000, as in 3,4.";
        QTest::newRow("one column") << QStringList{"--positions", p, "--cdp", "3", "--unit", "1"}
                                    << "Error: 3 is not a valid pair of columns for --cdp; give two column numbers "
                                       "from 1 to 1000, as in 3,4.";
        QTest::newRow("no columns") << QStringList{"--positions", p, "--unit", "1"}
                                    << "Error: no position columns; give --src, --rcv or --cdp.";
        QTest::newRow("missing positions file") << QStringList{"--positions", "%d/none.txt", "--rcv", "1,2", "--unit", "1"}
                                                << "Error: could not open positions file %d/none.txt: No such file or directory.";
        QTest::newRow("unknown code") << QStringList{"--positions", p, "--src", "1,2", "--in-epsg", "4326",
                                                     "--out-epsg", "123456"}
                                      << "Error: output coordinate reference system: EPSG code 123456 is not in the catalogue.";
        QTest::newRow("both modes") << QStringList{"--positions", p, "--src", "1,2", "--unit", "1", "--in-epsg", "4326"}
                                    << "Error: give either --unit, or the input and output reference systems of a "
                                       "transform.";
        QTest::newRow("no output system") << QStringList{"--positions", p, "--src", "1,2", "--in-epsg", "4326"}
                                          << "Error: no output coordinate reference system.";
        for (const char* delimiter : {"0", "+", ".", "-", ";5"})
            QTest::newRow(qPrintable(QStringLiteral("delimiter %1").arg(QLatin1String(delimiter))))
                << QStringList{"--positions", p, "--src", "1,2", "--unit", "1", "--delim", delimiter}
                << QStringLiteral("Error: \\\"%1\\\" cannot be a delimiter: digits, signs and decimal points are parts "
                                  "of numbers.")
                       .arg(QString(QLatin1Char(delimiter[qstrlen(delimiter) - 1])));
        QTest::newRow("no line can be written")
            << QStringList{"--positions", p, "--src", "3,2", "--unit", "1"}
            << "Error: 2 line(s) of the positioning file could not be written and left their traces unchanged (the "
               "first is line 1 of the file); 1 line(s) lay beyond the last trace and were not imported. Line 1: 3.5 has "
               "decimals; with --unit the values must be integers in the unit's storage (metres x 100, arc seconds x "
               "10000, degrees x 10000).";
    }

    // A clear error, exit status 1, and nothing written.
    void commandFailures()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, error);
        const QString survey = writeSurvey(dir, 2);
        const QString positions = dir.filePath(QStringLiteral("three.txt"));
        QFile f(positions);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("1 2 3.5\n4 5 6.5\n7 8 9\n");
        f.close();
        for (QString& o : options)
            o.replace(QStringLiteral("%p"), positions).replace(QStringLiteral("%d"), dir.path());
        error.replace(QStringLiteral("%d"), dir.path());
        const QByteArray checksum = fileChecksum(survey);
        const Run r = runCommand(QStringList{survey, "import-positions"} + options);
        QCOMPARE(r.err, QStringList{QLatin1Char('"') + error + QLatin1Char('"')});
        QCOMPARE(r.status, 1);
        QCOMPARE(fileChecksum(survey), checksum);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.sgy"))));
    }

    void commandRightAligned_data()
    {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("CR") << QByteArray("\r");
    }

    // Right-aligned columns begin with blanks, which are no field: the
    // line number stays in the first column and the coordinates land in
    // their own.
    void commandRightAligned()
    {
        QFETCH(QByteArray, end);
        const QString survey = writeSurvey(dir, 3);
        const QString positions = dir.filePath(QStringLiteral("aligned.txt"));
        QFile f(positions);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int line = 1; line <= 3; ++line)
            f.write(QString::asprintf("%6d %12d %12d", line, 500000 + line, -4000000 - line).toLatin1() + end);
        f.close();
        const Run r = runCommand({survey, "import-positions", "--positions", positions, "--src", "2,3", "--unit", "1"});
        QCOMPARE(r.err, QStringList());
        QCOMPARE(r.status, 0);
        SEGY segy;
        segy.setDevice(new QFile(survey));
        QVERIFY(segy.open());
        for (int t = 0; t < 3; ++t)
            QCOMPARE(traceValues(segy, t), (QList<int>{-100, 1, 500001 + t, -4000001 - t, 21, 22, 31, 32}));
    }

    // Lines that cannot be written leave their own traces alone and are
    // reported; the other lines are saved.
    void commandPartialImport()
    {
        const QString survey = writeSurvey(dir, 2);
        const QString positions = dir.filePath(QStringLiteral("partial.txt"));
        QFile f(positions);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("1 2 3\n4 5 6.5\n7 8 9\n");
        f.close();
        const Run r = runCommand({survey, "import-positions", "--positions", positions, "--src", "1,3", "--unit", "1"});
        QCOMPARE(r.err, QStringList{"Warning: 1 line(s) of the positioning file could not be written and left their "
                                    "traces unchanged (the first is line 2 of the file); 1 line(s) lay beyond the "
                                    "last trace and were not imported. Line 2: 6.5 has decimals; with --unit the values must be "
                                    "integers in the unit's storage (metres x 100, arc seconds x 10000, degrees x 10000)."});
        QCOMPARE(r.status, 0);
        SEGY segy;
        segy.setDevice(new QFile(survey));
        QVERIFY(segy.open());
        QCOMPARE(segy.traceHeaderValue(0, traceHeaderFieldIndex(QStringLiteral("73"))), 1);
        QCOMPARE(segy.traceHeaderValue(0, traceHeaderFieldIndex(QStringLiteral("77"))), 3);
        QCOMPARE(traceValues(segy, 1), Before);
    }
};

QTEST_GUILESS_MAIN(TestPositioning)
#include "tst_positioning.moc"
