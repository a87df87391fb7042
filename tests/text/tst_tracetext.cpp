#include "textsupport.h"
#include "tracetext.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {

const char* const AllLabels =
    "1-4,5-8,9-12,13-16,17-20,21-24,25-28,29-30,31-32,33-34,35-36,37-40,41-44,45-48,49-52,"
    "53-56,57-60,61-64,65-68,69-70,71-72,73-76,77-80,81-84,85-88,89-90,91-92,93-94,95-96,"
    "97-98,99-100,101-102,103-104,105-106,107-108,109-110,111-112,113-114,115-116,117-118,"
    "119-120,121-122,123-124,125-126,127-128,129-130,131-132,133-134,135-136,137-138,139-140,"
    "141-142,143-144,145-146,147-148,149-150,151-152,153-154,155-156,157-158,159-160,161-162,"
    "163-164,165-166,167-168,169-170,171-172,173-174,175-176,177-178,179-180,181-184,185-188,"
    "189-192,193-196,197-200,201-202,203-204,205-208,209-210,211-212,213-214,215-216,217-218,"
    "219-222,223-224,225-228,229-230,231-232,233-236,237-240,";

const QString SamplesMessage = QStringLiteral(
    "It appears that for some traces the new number of samples (offset [115-116]) is different "
    "from the old one.\n\rTo avoid the definition of inconsistent headers the old number of samples "
    "has been restored in those traces.");

int field(int startByte)
{
    return traceHeaderFieldIndex(QString::number(startByte));
}

// Real files, and the byte order segyio needs to read them the way the
// loader does (empty where segyio sees other traces: it steps by the binary
// header's sample count, the loader by each trace's own).
const QList<QPair<QString, QString>>& realFiles()
{
    static const QList<QPair<QString, QString>> files = {
        {"small.sgy", "big"},   {"small-lsb.sgy", "little"}, {"shot-gather.sgy", "big"},
        {"1xN.sgy", "big"},     {"delay-scalar.sgy", "big"}, {"small-ps.sgy", "big"},
        {"multi-text.sgy", "big"}, {QString::fromUtf8("小文件.sgy"), "big"},
        {"f3.sgy", ""},         {"viking_small.segy", ""},   {"long.sgy", ""},
    };
    return files;
}

}  // namespace

class TestTraceText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportLayout();
    void exportWindowSeparator();
    void exportMatchesSegyio_data();
    void exportMatchesSegyio();
    void roundTripReal_data();
    void roundTripReal();
    void roundTripGenerated_data();
    void roundTripGenerated();
    void refusals();
    void failedWriteKeepsEarlierFile();
    void columnsAnyOrderAndSubset();
    void headerCellsMustMatchExactly();
    void wrongSeparator();
    void rowCounts();
    void importSaysWhatItSkipped_data();
    void importSaysWhatItSkipped();
    void shortAndLongLines();
    void cellsAsTheEditRuleReadsThem_data();
    void cellsAsTheEditRuleReadsThem();
    void sampleCountProtected();
    void lineEndsAndByteOrderMark();
    void crLineEndAtChunkBoundary();
    void numberSeparatorsRefused_data();
    void numberSeparatorsRefused();
    void storingNothingFails_data();
    void storingNothingFails();
    void blankSeparatorTrimsLineEnds();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    std::unique_ptr<SEGY> generated(int traces, quint32 seed, const QString& name);
    QByteArray csv(const QByteArray& text) const { return QByteArray(text).replace("\n", "\r\n"); }

    QTemporaryDir m_dir;
};

void TestTraceText::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (QLocale().decimalPoint() != QLatin1Char('.'))
        qInfo("running under a locale with the decimal point '%s'", qPrintable(QString(QLocale().decimalPoint())));
}

std::unique_ptr<SEGY> TestTraceText::generated(int traces, quint32 seed, const QString& name)
{
    const QString file = path(name);
    if (!randomSurvey(traces, seed).writeTo(file))
        return nullptr;
    return loadSegy(file);
}

void TestTraceText::exportLayout()
{
    SegyFixture fixture;
    fixture.geometry(2, 1);
    for (int t = 0; t < 3; ++t)
        fixture.addTrace(2, 1, [](int) { return 1.0; });
    fixture.tr32(0, 1, 1).tr32(0, 5, -2147483647).tr32(0, 237, 2147483647);
    fixture.tr16(1, 29, -32768).tr16(1, 31, 32767).tr32(1, 233, -1);
    fixture.tr32(2, 181, 1000000).tr16(2, 71, -100);
    QVERIFY(fixture.writeTo(path("layout.sgy")));
    auto segy = loadSegy(path("layout.sgy"));
    QVERIFY(segy);

    QVERIFY(segy->exportTraceHeadersToASCIIFile(path("layout.csv"), QStringLiteral(",")));

    auto row = [](std::initializer_list<QPair<int, const char*>> cells) {
        QList<QByteArray> values;
        for (int i = 0; i < TraceHeaderFieldCount; ++i)
            values << "0";
        values[38] = "2";  // samples in the trace
        for (const auto& cell : cells)
            values[field(cell.first)] = cell.second;
        return values.join(',') + ",\r\n";
    };
    const QByteArray expected = QByteArray(AllLabels) + "\r\n"
        + row({{1, "1"}, {5, "-2147483647"}, {237, "2147483647"}})
        + row({{29, "-32768"}, {31, "32767"}, {233, "-1"}})
        + row({{181, "1000000"}, {71, "-100"}});
    QCOMPARE(readAll(path("layout.csv")), expected);

    // An existing file is replaced.
    QVERIFY(writeAll(path("layout.csv"), QByteArray(100000, 'x')));
    QVERIFY(segy->exportTraceHeadersToASCIIFile(path("layout.csv"), QStringLiteral(",")));
    QCOMPARE(readAll(path("layout.csv")), expected);
}

void TestTraceText::exportWindowSeparator()
{
    auto segy = generated(2, 7, QStringLiteral("window.sgy"));
    QVERIFY(segy);
    QVERIFY(segy->exportTraceHeadersToASCIIFile(path("window.csv"), QStringLiteral(", ")));
    const QByteArray text = readAll(path("window.csv"));
    QVERIFY(text.startsWith("1-4, 5-8, 9-12, "));
    const QList<QByteArray> lines = text.split('\n');
    QCOMPARE(lines.size(), 4);  // three lines and what follows the last line end
    QCOMPARE(lines.last(), QByteArray());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(lines[i].endsWith(", \r"));
        QCOMPARE(lines[i].count(", "), TraceHeaderFieldCount);
    }
    QCOMPARE(lines[0], QByteArray(AllLabels).replace(",", ", ") + "\r");

    // A separator outside ASCII is written as UTF-8, without a byte-order mark.
    const QString section = QString::fromUtf8("§");
    QVERIFY(segy->exportTraceHeadersToASCIIFile(path("section.csv"), section));
    const QByteArray utf8 = readAll(path("section.csv"));
    QVERIFY(utf8.startsWith("1-4\xC2\xA7" "5-8\xC2\xA7"));
}

void TestTraceText::exportMatchesSegyio_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("endian");
    for (const auto& file : realFiles()) {
        if (!file.second.isEmpty())
            QTest::newRow(file.first.toUtf8().constData()) << file.first << file.second;
    }
    QTest::newRow("generated") << QString() << QStringLiteral("big");
}

void TestTraceText::exportMatchesSegyio()
{
    QFETCH(QString, name);
    QFETCH(QString, endian);
    const QString python = QString::fromLocal8Bit(qgetenv("TREVALON_PYTHON"));
    if (python.isEmpty() || !QFile::exists(python))
        QSKIP("no Python with segyio");

    QString file = name.isEmpty() ? path("oracle.sgy") : sharedSample(name);
    if (name.isEmpty())
        QVERIFY(randomSurvey(40, 99).writeTo(file));
    auto segy = loadSegy(file);
    QVERIFY(segy);
    QVERIFY(segy->exportTraceHeadersToASCIIFile(path("oracle.csv"), QStringLiteral(",")));

    QProcess process;
    process.start(python, {QFINDTESTDATA("segyio_headers.py"), file, endian});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QList<QByteArray> oracle = process.readAllStandardOutput().trimmed().split('\n');
    const QList<QByteArray> ours = readAll(path("oracle.csv")).split('\n');

    QCOMPARE(oracle.size(), segy->traceCount() + 1);
    QCOMPARE(ours.size(), segy->traceCount() + 2);
    const QList<QByteArray> bytes = oracle[0].split(',');
    QVERIFY(bytes.size() >= 89);
    for (int t = 0; t < segy->traceCount(); ++t) {
        const QList<QByteArray> expected = oracle[t + 1].split(',');
        const QList<QByteArray> cells = ours[t + 1].split(',');
        QCOMPARE(cells.size(), TraceHeaderFieldCount + 1);
        for (int k = 0; k < bytes.size(); ++k) {
            const int f = field(bytes[k].toInt());
            QVERIFY2(f >= 0, bytes[k].constData());
            // segyio 1.8 reads the 4-byte water depth at source as 2 bytes.
            if (bytes[k] == "61")
                continue;
            if (cells[f] != expected[k])
                QFAIL(qPrintable(QStringLiteral("trace %1 byte %2: %3, segyio %4")
                                     .arg(t).arg(QString::fromLatin1(bytes[k]), QString::fromLatin1(cells[f]),
                                          QString::fromLatin1(expected[k]))));
        }
    }
}

void TestTraceText::roundTripReal_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("separator");
    const QStringList separators = {",", ", ", ";", "\t", " ", "||", QString::fromUtf8("§")};
    for (const auto& file : realFiles()) {
        for (const QString& separator : separators)
            QTest::addRow("%s [%s]", file.first.toUtf8().constData(), separator.toUtf8().constData())
                << file.first << separator;
    }
}

void TestTraceText::roundTripReal()
{
    QFETCH(QString, name);
    QFETCH(QString, separator);
    auto source = loadSegy(sharedSample(name));
    QVERIFY(source);
    QVERIFY(source->traceCount() > 0);
    QVERIFY(source->exportTraceHeadersToASCIIFile(path("real.csv"), separator));

    // Into a second copy whose headers were all changed first.
    auto target = loadSegy(sharedSample(name));
    QVERIFY(target);
    for (int t = 0; t < target->traceCount(); ++t) {
        for (int f = 0; f < TraceHeaderFieldCount; ++f) {
            if (f != 38)
                QVERIFY(target->setTraceHeaderValue(t, f, (t + f) % 100 + 1));
        }
    }
    QSignalSpy messages(target.get(), &SEGY::errorMessage);
    QVERIFY(target->importTraceHeadersFromASCIIFile(path("real.csv"), separator));
    QCOMPARE(allTraceValues(*target), allTraceValues(*source));
    // Counts above 32767 are written in their signed form, which reads back
    // as no unsigned number: the counts stay, and the import says so once.
    bool anyAbove32767 = false;
    for (int t = 0; t < source->traceCount(); ++t)
        anyAbove32767 = anyAbove32767 || source->traceSamplesCount(t) < 0;
    QCOMPARE(messages.count(), anyAbove32767 ? 1 : 0);
}

void TestTraceText::roundTripGenerated_data()
{
    QTest::addColumn<int>("traces");
    QTest::addColumn<bool>("littleEndian");
    QTest::addColumn<QString>("separator");
    QTest::newRow("1 trace") << 1 << false << ",";
    QTest::newRow("500 traces") << 500 << false << ", ";
    QTest::newRow("500 traces little-endian") << 500 << true << ";";
    QTest::newRow("6000 traces, more than a read chunk") << 6000 << false << "~~";
}

void TestTraceText::roundTripGenerated()
{
    QFETCH(int, traces);
    QFETCH(bool, littleEndian);
    QFETCH(QString, separator);
    const auto order = littleEndian ? QDataStream::LittleEndian : QDataStream::BigEndian;
    QVERIFY(randomSurvey(traces, 1234, order).writeTo(path("source.sgy")));
    QVERIFY(randomSurvey(traces, 4321, order).writeTo(path("target.sgy")));
    auto source = loadSegy(path("source.sgy"));
    auto target = loadSegy(path("target.sgy"));
    QVERIFY(source && target);
    QCOMPARE(target->traceCount(), traces);
    QVERIFY(allTraceValues(*source) != allTraceValues(*target));

    QVERIFY(source->exportTraceHeadersToASCIIFile(path("generated.csv"), separator));
    QSignalSpy messages(target.get(), &SEGY::errorMessage);
    QVERIFY(target->importTraceHeadersFromASCIIFile(path("generated.csv"), separator));
    QCOMPARE(allTraceValues(*target), allTraceValues(*source));
    QCOMPARE(messages.count(), 0);

    // Exporting the imported headers gives the same text.
    QVERIFY(target->exportTraceHeadersToASCIIFile(path("again.csv"), separator));
    QCOMPARE(readAll(path("again.csv")), readAll(path("generated.csv")));
}

void TestTraceText::refusals()
{
    SEGY unloaded;
    QVERIFY(writeAll(path("plain.csv"), csv("1-4,\n5,\n")));
    QVERIFY(!unloaded.exportTraceHeadersToASCIIFile(path("never.csv"), QStringLiteral(",")));
    QVERIFY(!QFile::exists(path("never.csv")));
    QVERIFY(!unloaded.importTraceHeadersFromASCIIFile(path("plain.csv"), QStringLiteral(",")));

    auto segy = generated(3, 5, QStringLiteral("refusals.sgy"));
    QVERIFY(segy);
    const auto before = allTraceValues(*segy);
    QVERIFY(!segy->exportTraceHeadersToASCIIFile(QString(), QStringLiteral(",")));
    QVERIFY(!segy->exportTraceHeadersToASCIIFile(path("no/such/dir/out.csv"), QStringLiteral(",")));
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(QString(), QStringLiteral(",")));
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("missing.csv"), QStringLiteral(",")));

    // A first line that names no field imports nothing, and says so.
    QSignalSpy messages(segy.get(), &SEGY::errorMessage);
    QVERIFY(writeAll(path("empty-first.csv"), csv("\n1-4,\n5,\n")));
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("empty-first.csv"), QStringLiteral(",")));
    QVERIFY(writeAll(path("empty.csv"), QByteArray()));
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("empty.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 2);
    QCOMPARE(allTraceValues(*segy), before);
}

void TestTraceText::failedWriteKeepsEarlierFile()
{
    auto segy = generated(2000, 11, QStringLiteral("big.sgy"));
    QVERIFY(segy);
    const QString destination = path("keep.csv");
    const QByteArray earlier = "an earlier good export\r\n";
    QVERIFY(writeAll(destination, earlier));

    // A file size limit makes the write fail as a full disk would.
    struct rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool result = segy->exportTraceHeadersToASCIIFile(destination, QStringLiteral(","));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!result);
    QCOMPARE(readAll(destination), earlier);
    const QStringList left = QDir(m_dir.path()).entryList({"keep*"}, QDir::Files);
    QCOMPARE(left, QStringList{"keep.csv"});
}

void TestTraceText::columnsAnyOrderAndSubset()
{
    auto segy = generated(3, 21, QStringLiteral("subset.sgy"));
    QVERIFY(segy);
    auto expected = allTraceValues(*segy);
    QVERIFY(writeAll(path("subset.csv"),
                     csv("unknown;185-188;17-20;nonsense;\n"
                         "x;-5;100;y;\n"
                         "x;7;-200;y;\n"
                         "x;8;300;y;\n")));
    QSignalSpy messages(segy.get(), &SEGY::errorMessage);
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("subset.csv"), QStringLiteral(";")));
    const int cdpY = field(185), sourcePoint = field(17);
    expected[0][cdpY] = -5; expected[0][sourcePoint] = 100;
    expected[1][cdpY] = 7;  expected[1][sourcePoint] = -200;
    expected[2][cdpY] = 8;  expected[2][sourcePoint] = 300;
    QCOMPARE(allTraceValues(*segy), expected);
    QCOMPARE(messages.count(), 0);

    // A field named twice takes the later column.
    QVERIFY(writeAll(path("twice.csv"), csv("1-4,1-4,\n10,20,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("twice.csv"), QStringLiteral(",")));
    QCOMPARE(segy->traceHeaderValue(0, 0), 20);
    QVERIFY(writeAll(path("twice.csv"), csv("1-4,1-4,\n10,x,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("twice.csv"), QStringLiteral(",")));
    QCOMPARE(segy->traceHeaderValue(0, 0), 10);
}

void TestTraceText::headerCellsMustMatchExactly()
{
    auto segy = generated(2, 22, QStringLiteral("exact.sgy"));
    QVERIFY(segy);
    const auto before = allTraceValues(*segy);
    for (const QByteArray& header : {QByteArray("1-4 ,"), QByteArray(" 1-4,"), QByteArray("01-4,"),
                                     QByteArray("1-04,"), QByteArray("1 - 4,"), QByteArray("1-5,")}) {
        QVERIFY(writeAll(path("exact.csv"), csv(header + "\n42,\n43,\n")));
        QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("exact.csv"), QStringLiteral(",")));
        QCOMPARE(allTraceValues(*segy), before);
    }
    // Labels are case-sensitive text; "1-4" itself does match.
    QVERIFY(writeAll(path("exact.csv"), csv("1-4,\n42,\n43,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("exact.csv"), QStringLiteral(",")));
    QCOMPARE(segy->traceHeaderValue(0, 0), 42);
    QCOMPARE(segy->traceHeaderValue(1, 0), 43);
}

void TestTraceText::wrongSeparator()
{
    auto segy = generated(4, 23, QStringLiteral("wrongsep.sgy"));
    auto other = generated(4, 24, QStringLiteral("wrongsep-other.sgy"));
    QVERIFY(segy && other);
    QVERIFY(other->exportTraceHeadersToASCIIFile(path("commas.csv"), QStringLiteral(",")));
    const auto before = allTraceValues(*segy);
    QSignalSpy messages(segy.get(), &SEGY::errorMessage);
    // No column names a field: a failure that says to check the separator.
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("commas.csv"), QStringLiteral(";")));
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("commas.csv"), QStringLiteral(", ")));
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("commas.csv"), QString()));
    QCOMPARE(allTraceValues(*segy), before);
    QCOMPARE(messages.count(), 3);
    QVERIFY(messages.at(0).at(0).toString().endsWith(QStringLiteral("check the separator.")));
}

void TestTraceText::rowCounts()
{
    auto segy = generated(4, 25, QStringLiteral("rows.sgy"));
    QVERIFY(segy);
    auto expected = allTraceValues(*segy);
    // Fewer lines than traces: only the first traces change.
    QVERIFY(writeAll(path("fewer.csv"), csv("5-8,\n11,\n12,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("fewer.csv"), QStringLiteral(",")));
    expected[0][1] = 11;
    expected[1][1] = 12;
    QCOMPARE(allTraceValues(*segy), expected);

    // More lines than traces: the extra ones are not read.
    QVERIFY(writeAll(path("more.csv"), csv("5-8,\n1,\n2,\n3,\n4,\n5,\n6,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("more.csv"), QStringLiteral(",")));
    for (int t = 0; t < 4; ++t)
        expected[t][1] = t + 1;
    QCOMPARE(allTraceValues(*segy), expected);

    // A blank line holds no trace: the rows after it stay on their traces.
    QVERIFY(writeAll(path("gap.csv"), csv("5-8,\n21,\n\n\r\n23,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("gap.csv"), QStringLiteral(",")));
    expected[0][1] = 21;
    expected[1][1] = 23;
    QCOMPARE(allTraceValues(*segy), expected);
}

void TestTraceText::importSaysWhatItSkipped_data()
{
    QTest::addColumn<QByteArray>("text");  // for 3 traces
    QTest::addColumn<QString>("summary");  // after "Not everything in FILE was imported: "; empty: no message
    QTest::newRow("all stored") << QByteArray("1-4,\n1,\n2,\n3,\n") << QString();
    QTest::newRow("refused cells")
        << QByteArray("1-4,29-30,\n5,99999,\nx,7,\n1,,\n")
        << "3 cells were not stored because they are not integers or do not fit their field (the first at line 2, "
           "column 2).";
    QTest::newRow("missing cells count as refused")
        << QByteArray("1-4,29-30,\n5,6,\n\n7\n8,9,\n")
        << "1 cells were not stored because they are not integers or do not fit their field (the first at line 4, "
           "column 2).";
    QTest::newRow("rows beyond the last trace") << QByteArray("1-4,\n1,\n2,\n3,\n4,\n\n5,\n")
                                                << "2 lines lie beyond the last trace.";
    QTest::newRow("traces without a row") << QByteArray("1-4,\n1,\n") << "2 traces had no line and kept their values.";
}

void TestTraceText::importSaysWhatItSkipped()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, summary);
    auto segy = generated(3, 31, QStringLiteral("skipped.sgy"));
    QVERIFY(segy);
    QSignalSpy messages(segy.get(), &SEGY::errorMessage);
    QVERIFY(writeAll(path("skipped.csv"), csv(text)));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("skipped.csv"), QStringLiteral(",")));
    if (summary.isEmpty()) {
        QCOMPARE(messages.count(), 0);
    } else {
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.at(0).at(0).toString(),
                 QStringLiteral("Not everything in %1 was imported: %2").arg(path("skipped.csv"), summary));
    }
    // What could be stored was: the first trace takes the first cell.
    QCOMPARE(segy->traceHeaderValue(0, 0), text.split('\n').at(1).split(',').at(0).toInt());
}

void TestTraceText::shortAndLongLines()
{
    auto segy = generated(3, 26, QStringLiteral("short.sgy"));
    QVERIFY(segy);
    auto expected = allTraceValues(*segy);
    QVERIFY(writeAll(path("short.csv"), csv("1-4,5-8,9-12,\n"
                                            "7,8\n"
                                            "9\n"
                                            "1,2,3,4,5,6,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("short.csv"), QStringLiteral(",")));
    expected[0][0] = 7; expected[0][1] = 8;
    expected[1][0] = 9;
    expected[2][0] = 1; expected[2][1] = 2; expected[2][2] = 3;
    QCOMPARE(allTraceValues(*segy), expected);

    // The last line may lack its line end, and a separator may be longer
    // than one character and overlap itself.
    QVERIFY(writeAll(path("noend.csv"), "1-4~~~5-8~~~\r\n-1~~~2~~~\r\n-3~~~~-4"));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("noend.csv"), QStringLiteral("~~~")));
    expected[0][0] = -1; expected[0][1] = 2;
    expected[1][0] = -3;
    QCOMPARE(allTraceValues(*segy), expected);
}

void TestTraceText::cellsAsTheEditRuleReadsThem_data()
{
    QTest::addColumn<int>("startByte");
    QTest::addColumn<QString>("cell");

    const QStringList cells = {"0", "-0", "007", "-007", "+5", " 5", "5 ", "1.5", "1,5", "1e3", "0x10",
                               "abc", "", "-", "--1", QString::fromUtf8("\xe2\x88\x92" "5"),
                               "2147483647", "-2147483647", "-2147483648", "2147483648",
                               "99999999999999999999", "000000000000000000000042", "32767", "32768",
                               "-32768", "-32769", "65535"};
    for (int startByte : {1, 29}) {  // a 4-byte and a 2-byte field
        for (const QString& cell : cells)
            QTest::addRow("%d: '%s'", startByte, cell.toUtf8().constData()) << startByte << cell;
    }
}

void TestTraceText::cellsAsTheEditRuleReadsThem()
{
    // Each cell changes the field exactly as editing the value would.
    QFETCH(int, startByte);
    QFETCH(QString, cell);
    auto imported = generated(1, 27, QStringLiteral("cell.sgy"));
    auto edited = loadSegy(path("cell.sgy"));
    QVERIFY(imported && edited);
    const int f = field(startByte);
    const int before = imported->traceHeaderValue(0, f);

    QByteArray text = traceHeaderLabels()[f].toUtf8() + ";\r\n" + cell.toUtf8() + ";\r\n";
    QVERIFY(writeAll(path("cell.csv"), text));
    const bool read = imported->importTraceHeadersFromASCIIFile(path("cell.csv"), QStringLiteral(";"));
    const bool accepted = edited->setTraceHeaderValue(0, f, cell);
    // A text whose only cell gives no value imports nothing, and fails.
    QCOMPARE(read, accepted);
    QCOMPARE(imported->traceHeaderValue(0, f), edited->traceHeaderValue(0, f));
    QCOMPARE(imported->traceHeaderValue(0, f) != before, accepted && edited->traceHeaderValue(0, f) != before);
    QCOMPARE(allTraceValues(*imported), allTraceValues(*edited));
}

void TestTraceText::sampleCountProtected()
{
    SegyFixture fixture;
    fixture.geometry(4, 1);
    for (int t = 0; t < 3; ++t)
        fixture.addTrace(4, 1, [](int) { return 0.0; });
    QVERIFY(fixture.writeTo(path("samples.sgy")));
    auto segy = loadSegy(path("samples.sgy"));
    QVERIFY(segy);
    QSignalSpy allMessages(segy.get(), &SEGY::errorMessage);
    // Only the sample count's own message matters here; partial files also
    // draw the import's summary.
    struct {
        QSignalSpy& spy;
        int count() const
        {
            int n = 0;
            for (const QList<QVariant>& m : spy)
                n += m.at(0).toString() == SamplesMessage;
            return n;
        }
        void clear() { spy.clear(); }
    } messages{allMessages};

    // The same counts: no message. Other columns still apply.
    QVERIFY(writeAll(path("same.csv"), csv("115-116,1-4,\n4,1,\n4,2,\n4,3,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("same.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 0);
    QCOMPARE(segy->traceHeaderValue(2, 0), 3);

    // New counts on several traces: all kept, one message at the end.
    QVERIFY(writeAll(path("new.csv"), csv("115-116,1-4,\n8,11,\n4,12,\n100,13,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("new.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 1);
    messages.clear();
    for (int t = 0; t < 3; ++t) {
        QCOMPARE(segy->traceSamplesCount(t), 4);
        QCOMPARE(segy->traceHeaderValue(t, 0), 11 + t);
    }

    // A cell that is no count asks for 0, which differs from 4.
    QVERIFY(writeAll(path("text.csv"), csv("1-4,115-116,\n5,abc,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("text.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 1);
    messages.clear();
    QCOMPARE(segy->traceSamplesCount(0), 4);
    QCOMPARE(segy->traceHeaderValue(0, 0), 5);

    // Named twice, the count is still restored after each column.
    QVERIFY(writeAll(path("twice.csv"), csv("115-116,115-116,\n4,9,\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("twice.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 1);
    messages.clear();
    QCOMPARE(segy->traceSamplesCount(0), 4);

    // A short line has no count cell to compare.
    QVERIFY(writeAll(path("shortcount.csv"), csv("1-4,115-116,\n6\n")));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("shortcount.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 0);
    QCOMPARE(segy->traceHeaderValue(0, 0), 6);

    // Counts above 32767 compare as unsigned words.
    SegyFixture longFixture;
    longFixture.geometry(4, 1);
    longFixture.addTrace(4, 1, [](int) { return 0.0; });
    longFixture.tr16(0, 115, qint16(-5536));  // 60000 as a 16-bit word
    QVERIFY(longFixture.writeTo(path("long.sgy")));
    auto longFile = loadSegy(path("long.sgy"));
    QVERIFY(longFile);
    QCOMPARE(quint16(longFile->traceSamplesCount(0)), quint16(60000));
    QSignalSpy longMessages(longFile.get(), &SEGY::errorMessage);
    QVERIFY(writeAll(path("long.csv"), csv("115-116,\n60000,\n")));
    QVERIFY(longFile->importTraceHeadersFromASCIIFile(path("long.csv"), QStringLiteral(",")));
    QCOMPARE(longMessages.count(), 0);
    // The signed form is no unsigned number: it reads as 0, a different count.
    QVERIFY(writeAll(path("long.csv"), csv("115-116,\n-5536,\n")));
    QVERIFY(longFile->importTraceHeadersFromASCIIFile(path("long.csv"), QStringLiteral(",")));
    QCOMPARE(longMessages.count(), 1);
    QVERIFY(writeAll(path("long.csv"), csv("115-116,\n5536,\n")));
    QVERIFY(longFile->importTraceHeadersFromASCIIFile(path("long.csv"), QStringLiteral(",")));
    QCOMPARE(longMessages.count(), 2);
    QCOMPARE(quint16(longFile->traceSamplesCount(0)), quint16(60000));
}

void TestTraceText::lineEndsAndByteOrderMark()
{
    auto segy = generated(2, 28, QStringLiteral("ends.sgy"));
    QVERIFY(segy);
    QVERIFY(writeAll(path("lf.csv"), "1-4,5-8,\n-1,-2,\n-3,-4,\n"));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("lf.csv"), QStringLiteral(",")));
    QCOMPARE(segy->traceHeaderValue(1, 1), -4);
    QVERIFY(writeAll(path("bom.csv"), "\xEF\xBB\xBF" "1-4,\r\n77,\r\n"));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("bom.csv"), QStringLiteral(",")));
    QCOMPARE(segy->traceHeaderValue(0, 0), 77);
    // A CR alone ends a line too, with or without a final one.
    QVERIFY(writeAll(path("cr.csv"), "1-4,5-8,\r-5,-6,\r-7,-8"));
    QSignalSpy messages(segy.get(), &SEGY::errorMessage);
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("cr.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 0);
    QCOMPARE(segy->traceHeaderValue(0, 0), -5);
    QCOMPARE(segy->traceHeaderValue(0, 1), -6);
    QCOMPARE(segy->traceHeaderValue(1, 0), -7);
    QCOMPARE(segy->traceHeaderValue(1, 1), -8);
}

// The text is read in chunks of 4 MiB: a CR as the last byte of a chunk ends
// its line whatever comes next, and a CR LF split there is one line end.
void TestTraceText::crLineEndAtChunkBoundary()
{
    auto segy = generated(3, 29, QStringLiteral("chunks.sgy"));
    QVERIFY(segy);
    const int chunk = 4 << 20;
    for (const QByteArray& next : {QByteArray("\r"), QByteArray("\r\n")}) {
        QByteArray text = "1-4,";
        text += QByteArray(chunk - 1 - text.size() - 1, 'x') + ',';
        QCOMPARE(text.size(), chunk - 1);
        text += next + "31,\r32,\r\n33,";
        QVERIFY(writeAll(path("chunks.csv"), text));
        QSignalSpy messages(segy.get(), &SEGY::errorMessage);
        QVERIFY(segy->importTraceHeadersFromASCIIFile(path("chunks.csv"), QStringLiteral(",")));
        QCOMPARE(messages.count(), 0);
        for (int t = 0; t < 3; ++t)
            QCOMPARE(segy->traceHeaderValue(t, 0), 31 + t);
    }
}

void TestTraceText::numberSeparatorsRefused_data()
{
    QTest::addColumn<QString>("separator");
    for (const char* separator : {"0", "7", "+", "-", ".", ";0", ", -"})
        QTest::newRow(separator) << QString::fromLatin1(separator);
}

// A separator that belongs to numbers would cut them apart: both directions
// refuse it before reading or writing anything, and say why.
void TestTraceText::numberSeparatorsRefused()
{
    QFETCH(QString, separator);
    auto segy = generated(3, 41, QStringLiteral("numbersep.sgy"));
    QVERIFY(segy);
    const auto before = allTraceValues(*segy);
    const QString reason =
        QStringLiteral("\"%1\" cannot be a delimiter: digits, signs and decimal points are parts of numbers.")
            .arg(separator);
    QCOMPARE(delimiterRefusal(separator), reason);

    const QByteArray earlier = "an earlier export\r\n";
    QVERIFY(writeAll(path("numbersep.csv"), earlier));
    QVERIFY(!segy->exportTraceHeadersToASCIIFile(path("numbersep.csv"), separator));
    QCOMPARE(readAll(path("numbersep.csv")), earlier);
    QVERIFY(!segy->exportTraceHeadersToASCIIFile(path("numbersep-new.csv"), separator));
    QVERIFY(!QFile::exists(path("numbersep-new.csv")));

    // Text that would otherwise store values.
    QByteArray text = "1-4" + separator.toUtf8() + "5-8\r\n";
    for (int t = 0; t < 3; ++t)
        text += "1" + separator.toUtf8() + "2\r\n";
    QVERIFY(writeAll(path("numbersep.csv"), text));
    QSignalSpy messages(segy.get(), &SEGY::errorMessage);
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("numbersep.csv"), separator));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), reason);
    QCOMPARE(allTraceValues(*segy), before);
}

void TestTraceText::storingNothingFails_data()
{
    QTest::addColumn<QByteArray>("text");  // for 3 traces
    QTest::addColumn<QString>("reason");   // %1: the file
    QTest::newRow("labels only") << QByteArray("1-4,5-8,\n")
                                 << "%1 has no data line under its line of field labels; nothing was imported.";
    QTest::newRow("labels and blank lines") << QByteArray("1-4,\n\n  \n")
                                            << "%1 has no data line under its line of field labels; nothing was "
                                               "imported.";
    QTest::newRow("no cell is an integer") << QByteArray("1-4,5-8,\nx,1.5,\n,,\n")
                                           << "No cell of %1 holds a value for a trace header field; nothing was "
                                              "imported.";
    QTest::newRow("values beside the fields") << QByteArray("1-4,other,\n,1,\n,2,\n")
                                              << "No cell of %1 holds a value for a trace header field; nothing "
                                                 "was imported.";
}

// Text that gives no value for any field of any trace is a failure with a
// reason, and changes nothing.
void TestTraceText::storingNothingFails()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    auto segy = generated(3, 42, QStringLiteral("nothing.sgy"));
    QVERIFY(segy);
    const auto before = allTraceValues(*segy);
    QVERIFY(writeAll(path("nothing.csv"), csv(text)));
    QSignalSpy messages(segy.get(), &SEGY::errorMessage);
    QVERIFY(!segy->importTraceHeadersFromASCIIFile(path("nothing.csv"), QStringLiteral(",")));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), reason.arg(path("nothing.csv")));
    QCOMPARE(allTraceValues(*segy), before);

    // The same values as the headers hold count as read: a success.
    QByteArray same = "1-4,\n";
    for (const QList<int>& row : before)
        same += QByteArray::number(row[0]) + ",\n";
    QVERIFY(writeAll(path("same.csv"), csv(same)));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("same.csv"), QStringLiteral(",")));
    QCOMPARE(allTraceValues(*segy), before);
}

// With a separator of white space, blanks before the first and after the
// last cell are no cells: right-aligned columns read as they look.
void TestTraceText::blankSeparatorTrimsLineEnds()
{
    auto segy = generated(2, 43, QStringLiteral("aligned.sgy"));
    QVERIFY(segy);
    QVERIFY(writeAll(path("aligned.txt"), "   1-4 5-8   \n    11 -12\n\t  -13 14\t \n"));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("aligned.txt"), QStringLiteral(" ")));
    QCOMPARE(segy->traceHeaderValue(0, 0), 11);
    QCOMPARE(segy->traceHeaderValue(0, 1), -12);
    QCOMPARE(segy->traceHeaderValue(1, 0), -13);
    QCOMPARE(segy->traceHeaderValue(1, 1), 14);

    // Another separator keeps blanks: the leading one is part of the cell.
    QVERIFY(writeAll(path("aligned.csv"), "1-4;5-8\n 21;22\n"));
    QVERIFY(segy->importTraceHeadersFromASCIIFile(path("aligned.csv"), QStringLiteral(";")));
    QCOMPARE(segy->traceHeaderValue(0, 1), 22);
}

QTEST_GUILESS_MAIN(TestTraceText)
#include "tst_tracetext.moc"
