// End-to-end runs of the commands for inspecting many traces at once (stats,
// dump, info --json), computed trace header edits, the progress line and the
// help, checked against python3-segyio's reading of the same files.

#include "clitest.h"
#include "commandline.h"
#include "headerfields.h"
#include "jsonwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <set>

namespace {

QList<int> allTraceStartBytes()
{
    return traceHeaderStartBytes();
}

// segyio's textual headers (it reads every block as EBCDIC), and the raw
// blocks, as Latin-1 text.
QStringList segyioTextHeaders(const QString& path, bool littleEndian, bool raw)
{
    static const char* script = R"(
import json, sys, segyio
path, endian, raw = sys.argv[1], sys.argv[2], sys.argv[3] == "raw"
with segyio.open(path, ignore_geometry=True, endian=endian) as f:
    count = len(f.text)
with open(path, "rb") as data:
    blocks = [data.read(3200)]
    data.seek(3600)
    blocks += [data.read(3200) for _ in range(count - 1)]
if not raw:
    with segyio.open(path, ignore_geometry=True, endian=endian) as f:
        blocks = [bytes(f.text[i]) for i in range(count)]
print(json.dumps([b.decode("latin-1") for b in blocks]))
)";
    QProcess python;
    python.start(QString::fromLocal8Bit(qgetenv("TREVALON_PYTHON")),
                 {QStringLiteral("-c"), QString::fromUtf8(script), path,
                  littleEndian ? QStringLiteral("little") : QStringLiteral("big"),
                  raw ? QStringLiteral("raw") : QStringLiteral("ebcdic")});
    python.waitForFinished(-1);
    QStringList blocks;
    for (const QJsonValue& v : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        blocks.append(v.toString());
    return blocks;
}

// A segyio block as our cards: up to the first zero byte, 40 cards of 80,
// characters outside ASCII as '?'.
QStringList expectedCards(QString block)
{
    block.truncate(block.indexOf(QChar(0)) < 0 ? block.size() : block.indexOf(QChar(0)));
    QStringList cards;
    for (int i = 0; i < 40; ++i)
        cards.append(block.mid(80 * i, 80));
    return cards;
}

QString asciiOnly(QString text)
{
    for (QChar& c : text)
        if (c.unicode() > 0x7E)
            c = QLatin1Char('?');
    return text;
}

// Runs the program with standard error on a pseudo-terminal; returns what
// the terminal showed and standard output.
bool runOnTerminal(const QStringList& arguments, QByteArray* terminal, QByteArray* out)
{
    static const char* script = R"(
import json, os, pty, subprocess, sys
master, slave = pty.openpty()
p = subprocess.Popen(sys.argv[1:], stdout=subprocess.PIPE, stderr=slave)
os.close(slave)
tty = b""
while True:
    try:
        data = os.read(master, 65536)
    except OSError:
        break
    if not data:
        break
    tty += data
out = p.stdout.read()
print(json.dumps({"status": p.wait(), "tty": tty.decode("latin-1"), "out": out.decode("latin-1")}))
)";
    QProcess python;
    python.start(QString::fromLocal8Bit(qgetenv("TREVALON_PYTHON")),
                 QStringList{QStringLiteral("-c"), QString::fromUtf8(script), executable()} + arguments);
    python.waitForFinished(-1);
    const QJsonObject o = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    *terminal = o.value(QStringLiteral("tty")).toString().toLatin1();
    *out = o.value(QStringLiteral("out")).toString().toLatin1();
    return o.value(QStringLiteral("status")).toInt(-1) == 0;
}

// Every way the statistics count distinct values, over several chunks of
// traces: fields that vary only late, or early and then hold the first value
// again, over a range too wide for a bitmap, up and down over a range wider
// than its first guess, only rising, only falling.
SegyFixture wideFixture()
{
    SegyFixture f;
    f.geometry(1, 1, 4000);
    for (int t = 0; t < 700; ++t) {
        f.addTrace(1, 1, [](int) { return 1.0; });
        f.tr32(t, 9, t < 600 ? 0 : t % 7);
        f.tr32(t, 13, t < 256 ? t / 100 * 10 : (t < 512 ? 0 : 10));  // back to the first value for a while
        f.tr32(t, 73, qint32((qint64(t) * 2654435761) % 2000000000) - 1000000000);
        f.tr32(t, 77, (t * 7919) % 150000 - 70000);
        f.tr32(t, 189, t / 3);
        f.tr16(t, 215, qint16(-t / 5));
    }
    return f;
}

}  // namespace

using Expected = QMap<int, QList<int>>;  // trace byte -> value of every trace
Q_DECLARE_METATYPE(Expected)

class TestPowerCommands : public QObject
{
    Q_OBJECT

private slots:
    void jsonEscapes();
    void init();

    void help_data();
    void help();
    void stats_data();
    void stats();
    void dump_data();
    void dump();
    void infoJson();
    void computedEdit_data();
    void computedEdit();
    void progress_data();
    void progress();

private:
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestPowerCommands::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestPowerCommands::help_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("program") << QString() << QStringList();
    QTest::newRow("info") << "info" << QStringList{"--json", "--quiet"};
    QTest::newRow("stats") << "stats" << QStringList{"--fields <byte_offset,...>", "--all", "--json", "--quiet"};
    QTest::newRow("dump") << "dump"
                          << QStringList{"--text", "--binary", "--traces <start_index-end_index>",
                                         "--fields <byte_offset,...>", "--decoded", "--json", "--quiet"};
    QTest::newRow("edit") << "edit" << QStringList{"--bin-header", "--quiet"};
}

// The program's help has one line per command; a command alone, its options.
void TestPowerCommands::help()
{
    QFETCH(QString, command);
    QFETCH(QStringList, options);
    const Result r = runProgram({command.isEmpty() ? QStringLiteral("--help") : command});
    QCOMPARE(r.status, 0);
    const QString help = QString::fromUtf8(r.rawOut);
    if (command.isEmpty()) {
        for (int i = 0; i < CommandLine::commandNames().size(); ++i) {
            const QRegularExpression line(QStringLiteral("\n  %1 +%2\n").arg(CommandLine::commandNames().at(i),
                                                                           QRegularExpression::escape(CommandLine::commandDescriptions().at(i))));
            QVERIFY2(help.contains(line), qPrintable(help));
        }
    }
    for (const QString& option : options)
        QVERIFY2(help.contains(option), qPrintable(option + QStringLiteral(" missing from\n") + help));
}

// ---------------------------------------------------------------- stats

void TestPowerCommands::stats_data()
{
    QTest::addColumn<QString>("name");  // shared sample, or empty for the survey
    QTest::addColumn<bool>("littleEndian");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("small, populated fields") << "small.sgy" << false << QStringList();
    QTest::newRow("small little-endian, all fields") << "small-lsb.sgy" << true << QStringList{"--all"};
    QTest::newRow("f3, all fields") << "f3.sgy" << false << QStringList{"--all"};
    QTest::newRow("shot gather") << "shot-gather.sgy" << false << QStringList();
    QTest::newRow("2-D pre-stack line") << "viking_small.segy" << false << QStringList();
    QTest::newRow("fields of the survey") << QString() << false << QStringList{"--fields", "193, 1,189,29"};
    QTest::newRow("wide, late and ordered fields") << "wide" << false << QStringList();
}

// Every figure against values computed from segyio's reading of the file,
// in JSON and as text.
void TestPowerCommands::stats()
{
    QFETCH(QString, name);
    QFETCH(bool, littleEndian);
    QFETCH(QStringList, options);
    QString file = m_dir->filePath(QStringLiteral("survey.sgy"));
    if (name.isEmpty())
        QVERIFY(surveyFixture().writeTo(file));
    else if (name == QLatin1String("wide"))
        QVERIFY(wideFixture().writeTo(file));
    else
        file = sharedSample(name);

    const Oracle o = readWithSegyio(file, {}, allTraceStartBytes(), littleEndian);
    QVERIFY2(o.ok, qPrintable(o.error));
    const Result json = runProgram(QStringList{file, QStringLiteral("stats"), QStringLiteral("--json")} + options);
    QCOMPARE(json.status, 0);
    const Result text = runProgram(QStringList{file, QStringLiteral("stats")} + options);
    QCOMPARE(text.status, 0);
    const QJsonObject doc = parseJson(json);
    QCOMPARE(doc.value(QStringLiteral("traceCount")).toInt(), o.traces.size());

    QList<int> chosen;
    const int fieldsOption = options.indexOf(QStringLiteral("--fields"));
    for (const QString& b : fieldsOption < 0 ? QStringList() : options.at(fieldsOption + 1).split(QLatin1Char(',')))
        chosen.append(traceHeaderFieldIndex(b.trimmed()));
    if (chosen.isEmpty())
        for (int i = 0; i < TraceHeaderFieldCount; ++i)
            chosen.append(i);
    const bool onlyPopulated = options.isEmpty();

    QStringList rows;
    QStringList zeroFields;
    QStringList textRows;
    for (int field : chosen) {
        const int startByte = traceHeaderStartBytes().at(field);
        std::vector<qint64> values;
        for (const auto& trace : o.traces) {
            const int v = trace.value(startByte);
            values.push_back(traceHeaderTable().kinds[field] == FieldKindUShort ? quint16(v) : v);
        }
        const qint64 minimum = *std::min_element(values.begin(), values.end());
        const qint64 maximum = *std::max_element(values.begin(), values.end());
        const qint64 distinct = std::set<qint64>(values.begin(), values.end()).size();
        const QString label = traceHeaderLabels().at(field);
        if (minimum == 0 && maximum == 0)
            zeroFields.append(label);
        if (onlyPopulated && minimum == 0 && maximum == 0)
            continue;
        rows.append(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(label).arg(minimum).arg(maximum).arg(values.front())
                        .arg(values.back()).arg(distinct));
        textRows.append(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(label).arg(minimum).arg(maximum).arg(distinct)
                            .arg(values.front()).arg(values.back()).arg(traceHeaderDescriptions().at(field).simplified()));
    }
    QStringList got;
    for (const QJsonValue& v : doc.value(QStringLiteral("fields")).toArray()) {
        const QJsonObject f = v.toObject();
        got.append(QStringLiteral("%1 %2 %3 %4 %5 %6").arg(f.value(QStringLiteral("bytes")).toString())
                       .arg(f.value(QStringLiteral("minimum")).toInt()).arg(f.value(QStringLiteral("maximum")).toInt())
                       .arg(f.value(QStringLiteral("first")).toInt()).arg(f.value(QStringLiteral("last")).toInt())
                       .arg(f.value(QStringLiteral("distinct")).toInt()));
    }
    QCOMPARE(got, rows);
    QStringList gotZero;
    for (const QJsonValue& v : doc.value(QStringLiteral("zeroFields")).toArray())
        gotZero.append(v.toString());
    QCOMPARE(gotZero, zeroFields);

    // Text: two heading lines, a column heading, the rows, the fields 0 everywhere.
    QCOMPARE(text.out.value(1), QStringLiteral("Trace count: %1").arg(o.traces.size()));
    QStringList gotText;
    for (const QString& line : text.out.mid(3, textRows.size()))
        gotText.append(line.simplified());
    QCOMPARE(gotText, textRows);
    QCOMPARE(text.out.size(), 3 + textRows.size() + (zeroFields.isEmpty() ? 0 : 1));
    if (!zeroFields.isEmpty())
        QCOMPARE(text.out.last(), QStringLiteral("0 in every trace: ") + zeroFields.join(QStringLiteral(", ")));
}

// ---------------------------------------------------------------- dump

void TestPowerCommands::dump_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("littleEndian");
    QTest::addColumn<QStringList>("encodings");  // of the textual header and each extended one
    QTest::addColumn<QString>("traces");          // --traces, empty for all
    QTest::addColumn<QString>("fields");          // --fields, empty for all
    QTest::newRow("small") << "small.sgy" << false << QStringList{"EBCDIC"} << QString() << QString();
    QTest::newRow("little-endian, some traces and fields")
        << "small-lsb.sgy" << true << QStringList{"EBCDIC"} << "3-11" << "189,193,1";
    QTest::newRow("ASCII textual header") << "delay-scalar.sgy" << false << QStringList{"ASCII"} << "0-1" << "109,215";
    QTest::newRow("zero byte in the text") << "text-embed-null.sgy" << false << QStringList{"EBCDIC"} << "24-25"
                                           << QString();
    QTest::newRow("extended headers") << "multi-text.sgy" << false << QStringList{"EBCDIC", "EBCDIC", "EBCDIC", "EBCDIC", "EBCDIC"}
                                      << QString() << QString();
    QTest::newRow("extended headers in both codes")
        << "stanzas-known-count.sgy" << false << QStringList{"EBCDIC", "ASCII", "EBCDIC", "ASCII"} << QString()
        << "1,5,9";
}

// JSON parsed back and text read back, both against segyio.
void TestPowerCommands::dump()
{
    QFETCH(QString, name);
    QFETCH(bool, littleEndian);
    QFETCH(QStringList, encodings);
    QFETCH(QString, traces);
    QFETCH(QString, fields);
    const QString file = sharedSample(name);
    QList<int> binBytes = binaryHeaderStartBytes();
    const Oracle o = readWithSegyio(file, binBytes, allTraceStartBytes(), littleEndian);
    QVERIFY2(o.ok, qPrintable(o.error));

    QStringList selection;
    int start = 0;
    int end = o.traces.size();
    if (!traces.isEmpty()) {
        selection << QStringLiteral("--traces") << traces;
        start = traces.section(QLatin1Char('-'), 0, 0).toInt();
        end = traces.section(QLatin1Char('-'), 1, 1).toInt();
    }
    QList<int> traceBytes = allTraceStartBytes();
    if (!fields.isEmpty()) {
        selection << QStringLiteral("--fields") << fields;
        traceBytes.clear();
        for (const QString& b : fields.split(QLatin1Char(',')))
            traceBytes.append(b.toInt());
    }

    // Without a selection, every part of the file.
    const QStringList parts = selection.isEmpty() ? QStringList() : QStringList{"--text", "--binary"};
    const Result json = runProgram(QStringList{file, QStringLiteral("dump"), QStringLiteral("--json")} + parts + selection);
    QCOMPARE(json.status, 0);
    const QJsonObject doc = parseJson(json);

    // Textual headers: EBCDIC ones as segyio decodes them, ASCII ones as stored.
    QList<QJsonObject> blocks{doc.value(QStringLiteral("textHeader")).toObject()};
    for (const QJsonValue& v : doc.value(QStringLiteral("extendedTextHeaders")).toArray())
        blocks.append(v.toObject());
    QCOMPARE(blocks.size(), encodings.size());
    const QStringList decoded = segyioTextHeaders(file, littleEndian, false);
    const QStringList raw = segyioTextHeaders(file, littleEndian, true);
    QCOMPARE(decoded.size(), encodings.size());
    for (int b = 0; b < blocks.size(); ++b) {
        QCOMPARE(blocks[b].value(QStringLiteral("encoding")).toString(), encodings[b]);
        const QStringList cards = expectedCards(encodings[b] == QLatin1String("ASCII") ? raw[b] : decoded[b]);
        const QJsonArray lines = blocks[b].value(QStringLiteral("lines")).toArray();
        QCOMPARE(lines.size(), 40);
        for (int i = 0; i < 40; ++i)
            QCOMPARE(asciiOnly(lines[i].toString()), asciiOnly(cards[i]));
    }

    const QJsonArray binary = doc.value(QStringLiteral("binaryHeader")).toArray();
    QCOMPARE(binary.size(), binBytes.size());
    for (int i = 0; i < binBytes.size(); ++i) {
        const QJsonObject f = binary[i].toObject();
        QCOMPARE(f.value(QStringLiteral("bytes")).toString(), binaryHeaderLabels().at(i));
        QCOMPARE(qint16(f.value(QStringLiteral("value")).toInt()), qint16(o.bin.value(binBytes[i])));
    }

    const QJsonArray headers = doc.value(QStringLiteral("traceHeaders")).toArray();
    QCOMPARE(headers.size(), end - start);
    for (int t = start; t < end; ++t) {
        const QJsonObject trace = headers[t - start].toObject();
        QCOMPARE(trace.value(QStringLiteral("trace")).toInt(), t);
        const QJsonObject values = trace.value(QStringLiteral("fields")).toObject();
        QCOMPARE(values.size(), traceBytes.size());
        for (int b : traceBytes) {
            const QString label = traceHeaderLabels().at(traceHeaderFieldIndex(QString::number(b)));
            QCOMPARE(qint16(values.value(label).toInt()), qint16(o.traces[t].value(b)));
            if (b != 115)  // segyio reads the sample count signed
                QCOMPARE(values.value(label).toInt(), o.traces[t].value(b));
        }
    }

    // Text: the trace part alone is a heading and one tab-separated line per trace.
    const Result text = runProgram(QStringList{file, QStringLiteral("dump")} + (selection.isEmpty() ? QStringList{"--traces", QStringLiteral("0-%1").arg(end)} : selection));
    QCOMPARE(text.status, 0);
    QCOMPARE(text.out.size(), 1 + end - start);
    QStringList heading{QStringLiteral("trace")};
    for (int b : traceBytes)
        heading.append(traceHeaderLabels().at(traceHeaderFieldIndex(QString::number(b))));
    QCOMPARE(text.out.first(), heading.join(QLatin1Char('\t')));
    for (int t = start; t < end; ++t) {
        QStringList row{QString::number(t)};
        for (int b : traceBytes)
            row.append(QString::number(b == 115 ? quint16(o.traces[t].value(b)) : o.traces[t].value(b)));
        QCOMPARE(text.out.at(1 + t - start), row.join(QLatin1Char('\t')));
    }
}

void TestPowerCommands::infoJson()
{
    const QString file = sharedSample(QStringLiteral("small-lsb.sgy"));
    const Result r = runProgram({file, QStringLiteral("info"), QStringLiteral("--json")});
    QCOMPARE(r.status, 0);
    const QJsonObject doc = parseJson(r);
    const Oracle o = readWithSegyio(file, {3217, 3221, 3225}, {}, true);
    QVERIFY2(o.ok, qPrintable(o.error));
    QCOMPARE(doc.value(QStringLiteral("file")).toString(), file);
    QCOMPARE(doc.value(QStringLiteral("sampleFormat")).toString(), QStringLiteral("4-byte IBM floating-point"));
    QCOMPARE(doc.value(QStringLiteral("sampleFormatCode")).toInt(), o.bin.value(3225));
    QCOMPARE(doc.value(QStringLiteral("sampleIntervalMicroseconds")).toInt(), o.bin.value(3217));
    QCOMPARE(doc.value(QStringLiteral("traceCount")).toInt(), o.traces.size());
    QCOMPARE(doc.value(QStringLiteral("samplesCount")).toInt(), o.bin.value(3221));
    QCOMPARE(doc.value(QStringLiteral("byteOrder")).toString(), QStringLiteral("Little Endian"));
}

// ---------------------------------------------------------------- computed edits

void TestPowerCommands::computedEdit_data()
{
    QTest::addColumn<QStringList>("arguments");  // after "FILE edit"
    QTest::addColumn<QStringList>("errors");     // unquoted; any error leaves the file as it was
    QTest::addColumn<Expected>("expected");      // values afterwards

    auto each = [](const std::function<int(int)>& f) {
        QList<int> values;
        for (int t = 0; t < SurveyTraces; ++t)
            values.append(f(t));
        return values;
    };
    QTest::newRow("trace index") << QStringList{"-t", "189=1000 + i / 4"} << QStringList()
                                 << Expected{{189, each([](int t) { return 1000 + t / 4; })}};
    QTest::newRow("fields and precedence") << QStringList{"-t", "193=[189]*2+[1] - 3 * (2 + 1) - 100 / 10 / 5"}
                                           << QStringList()
                                           << Expected{{193, each([](int t) { return (100 + t) * 2 + t + 1 - 9 - 2; })}};
    // -50t / 7 and its remainder by 4, truncated toward zero: t = 1 gives -7 and -3.
    QTest::newRow("negative division truncates") << QStringList{"-t", "193=[193] / 7", "-t", "189=[193] / 7 % 4"}
                                                 << QStringList()
                                                 << Expected{{193, each([](int t) { return -50 * t / 7; })},
                                                             {189, each([](int t) { return -50 * t / 7 % 4; })}};
    // % binds as * and / do: 7 % 4 * 2 is 6, not (i + 7) % 8.
    QTest::newRow("remainder binds like a product") << QStringList{"-t", "189=i + 7 % 4 * 2"} << QStringList()
                                                    << Expected{{189, each([](int t) { return t + 6; })}};
    QTest::newRow("count and unary minus") << QStringList{"-t", "189=-(n - i) * -1 + -[29]"} << QStringList()
                                           << Expected{{189, each([](int t) { return 12 - t - 1; })}};
    QTest::newRow("fields read before any change") << QStringList{"-t", "189=[193]", "-t", "193=[189]"} << QStringList()
                                                   << Expected{{189, each([](int t) { return -50 * t; })},
                                                               {193, each([](int t) { return 100 + t; })}};
    QTest::newRow("index within an interval") << QStringList{"-t", "189=i", "--interval", "3-6"} << QStringList()
                                              << Expected{{189, each([](int t) { return t >= 3 && t < 6 ? t : 100 + t; })}};
    QTest::newRow("sample count within its range") << QStringList{"-b", "3503=1", "-t", "115=i + 65524"} << QStringList()
                                                   << Expected{{115, each([](int t) { return 65524 + t; })}};

    const Expected unchanged{{189, each([](int t) { return 100 + t; })}, {29, each([](int) { return 1; })}};
    QTest::newRow("2-byte field overflows")
        << QStringList{"-t", "29=i * 4000", "-t", "189=i"}
        << QStringList{"Error: i * 4000 gives 36000 at trace index 9, which is not a valid value for field 29-30 (-32768 to 32767)."} << unchanged;
    QTest::newRow("sample count below 0")
        << QStringList{"-t", "115=4 - i", "--interval", "2-12"}
        << QStringList{"Error: 4 - i gives -1 at trace index 5, which is not a valid value for field 115-116 (0 to 65535)."} << unchanged;
    QTest::newRow("division by zero") << QStringList{"-t", "189=100 / (i - 5)"}
                                      << QStringList{"Error: 100 / (i - 5) divides by zero at trace index 5."} << unchanged;
    QTest::newRow("remainder by zero") << QStringList{"-t", "189=i % [29 ] % 0"}
                                       << QStringList{"Error: i % [29 ] % 0 divides by zero at trace index 0."} << unchanged;
    QTest::newRow("beyond 64 bits") << QStringList{"-t", "189=(i + 1) * 4000000000 * 4000000000"}
                                    << QStringList{"Error: (i + 1) * 4000000000 * 4000000000 overflows at trace index 0."}
                                    << unchanged;
    QTest::newRow("lowest 64-bit value divided by -1")
        << QStringList{"-t", "189=(-9223372036854775807 - 1 - i) / -1"}
        << QStringList{"Error: (-9223372036854775807 - 1 - i) / -1 overflows at trace index 0."} << unchanged;
    QTest::newRow("no field at that byte") << QStringList{"-t", "189=[190] + 1"}
                                           << QStringList{"Error: 190 is not a valid offset for SEG-Y trace headers."}
                                           << unchanged;
    QTest::newRow("not an expression") << QStringList{"-t", "189=2 + (i"}
                                       << QStringList{"Error: 2 + (i is not a valid value for field 189-192 (-2147483648 to 2147483647)."} << unchanged;
}

void TestPowerCommands::computedEdit()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, errors);
    QFETCH(Expected, expected);
    const QString survey = m_dir->filePath(QStringLiteral("survey.sgy"));
    QVERIFY(surveyFixture().writeTo(survey));
    const QByteArray before = fileChecksum(survey);

    const Result r = runProgram(QStringList{survey, QStringLiteral("edit")} + arguments);
    QCOMPARE(r.err, quotedAll(errors));
    QCOMPARE(r.status, errors.isEmpty() ? 0 : 1);
    if (!errors.isEmpty())
        QCOMPARE(fileChecksum(survey), before);

    const Oracle o = readWithSegyio(survey, {}, expected.keys());
    QVERIFY2(o.ok, qPrintable(o.error));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QList<int> got;
        for (const auto& trace : o.traces)
            got.append(it.key() == 115 ? quint16(trace.value(it.key())) : trace.value(it.key()));
        QCOMPARE(got, it.value());
    }
}

// Every control character comes out escaped, and reads back as it went in.
void TestPowerCommands::jsonEscapes()
{
    QString text;
    for (int c = 1; c < 0x20; ++c)
        text.append(QChar(c));
    text += QStringLiteral("\x7f\"\\ \u00e9");
    FILE* stream = std::tmpfile();
    QVERIFY(stream);
    {
        JsonWriter json(stream);
        json.beginObject();
        json.member("text", text);
        json.endObject();
        json.finish();
    }
    std::rewind(stream);
    QByteArray written(4096, '\0');
    written.resize(int(std::fread(written.data(), 1, size_t(written.size()), stream)));
    std::fclose(stream);
    for (const char* escape : {"\\u0001", "\\u000f", "\\u0010", "\\u001a", "\\u001f", "\\u007f", "\\t", "\\n"})
        QVERIFY2(written.contains(escape), escape);
    for (char c = 1; c < 0x20; ++c)
        QVERIFY2(c == '\n' || !written.contains(c), qPrintable(QString::number(c)));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(written, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(document.object().value(QStringLiteral("text")).toString(), text);
}

// ---------------------------------------------------------------- progress

void TestPowerCommands::progress_data()
{
    QTest::addColumn<QStringList>("arguments");  // after FILE
    QTest::addColumn<QString>("label");          // shown on the terminal; empty: nothing shown
    QTest::newRow("load") << QStringList{"info"} << "Loading";
    QTest::newRow("save") << QStringList{"edit", "-t", "189=i"} << "Saving";
    QTest::newRow("export") << QStringList{"export-headers", "--ascii-out", "%1/h.csv"} << "Exporting";
    // Shown while the new values are worked out, and again while they are stored.
    QTest::newRow("reproject") << QStringList{"reproject", "--in-proj", "+proj=utm +zone=31 +datum=WGS84",
                                              "--out-proj", "+proj=utm +zone=32 +datum=WGS84"}
                               << "Reprojecting";
    QTest::newRow("quiet") << QStringList{"stats", "--quiet"} << QString();
    QTest::newRow("quiet edit") << QStringList{"edit", "--quiet", "-t", "189=i"} << QString();
}

// Progress goes to standard error only when it is a terminal, and never
// to standard output.
void TestPowerCommands::progress()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, label);
    const QString survey = m_dir->filePath(QStringLiteral("survey.sgy"));
    QVERIFY(surveyFixture(QDataStream::BigEndian, 300).writeTo(survey));
    arguments.replaceInStrings(QStringLiteral("%1"), m_dir->path());

    QByteArray terminal;
    QByteArray out;
    QVERIFY(runOnTerminal(QStringList{survey} + arguments, &terminal, &out));
    QVERIFY2(!out.contains('\r') && !out.contains('%'), out.constData());
    if (label.isEmpty()) {
        QCOMPARE(terminal, QByteArray());
    } else {
        QVERIFY2(terminal.contains("\r" + label.toLatin1() + " 0%\033[K"), terminal.constData());
        if (arguments.first() == QLatin1String("reproject"))
            QVERIFY2(terminal.count("\r" + label.toLatin1() + " 0%\033[K") == 2, terminal.constData());
        QVERIFY2(terminal.endsWith("\r\033[K"), terminal.constData());  // the line is gone at the end
    }

    // Standard error that is no terminal carries no progress.
    QVERIFY(surveyFixture(QDataStream::BigEndian, 300).writeTo(survey));
    const Result r = runProgram(QStringList{survey} + arguments);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QStringList());
}

QTEST_GUILESS_MAIN(TestPowerCommands)
#include "tst_powercommands.moc"
