// End-to-end runs of the trevalon executable in command mode: exact output
// lines, exit statuses and the files it leaves behind, read back through
// python3-segyio where it can open them.

#include "clitest.h"
#include "fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>
#include <cmath>
#include <functional>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writableDespitePermissions(const QString& readOnlyFile)
{
    QFile f(readOnlyFile);
    const bool writable = f.open(QIODevice::ReadWrite);
    return writable;
}

}  // namespace

Q_DECLARE_METATYPE(QList<int>)

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void parsing_data();
    void parsing();
    void commandHelp_data();
    void commandHelp();
    void headlessWithoutFile();
    void messages_data();
    void messages();

    void edit_data();
    void edit();
    void editKeepsSamplesAndOtherFields();
    void saveAsLeavesInputUntouched();
    void saveAsOntoInput_data();
    void saveAsOntoInput();
    void failedSave_data();
    void failedSave();
    void unwritableInPlace();
    void loadWarningsPrinted_data();
    void loadWarningsPrinted();
    void unopenableFile_data();
    void unopenableFile();
    void littleEndianEdit();

    void exportHeaders_data();
    void exportHeaders();
    void exportFailures_data();
    void exportFailures();
    void importRoundTrip_data();
    void importRoundTrip();
    void importFailures_data();
    void importFailures();
    void importKeepsSampleCount();

    void reprojectChecks_data();
    void reprojectChecks();
    void reprojectByProjTexts();
    void reprojectByCodes();
    void reprojectWithoutCatalogue();
    void reprojectAllOrNothing();

    void info_data();
    void info();
    void infoWarningsAndFailure();
    void infoOnBundledSample();
    void infoOnSharedSamples_data();
    void infoOnSharedSamples();
    void jsonOfSharedSamples_data();
    void jsonOfSharedSamples();

private:
    QString makeSurvey(const QString& name = QStringLiteral("survey.sgy"),
                       QDataStream::ByteOrder order = QDataStream::BigEndian);
    QString path(const QString& name) const { return m_dir->filePath(name); }

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestCommandLine::initTestCase()
{
    // Arguments with non-ASCII names reach the child as UTF-8 whatever the
    // locale the tests run under.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QVERIFY2(QFileInfo(executable()).isExecutable(), qPrintable(executable()));
}

void TestCommandLine::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString TestCommandLine::makeSurvey(const QString& name, QDataStream::ByteOrder order)
{
    const QString p = path(name);
    if (!surveyFixture(order).writeTo(p))
        return QString();
    return p;
}

// ---------------------------------------------------------------- parsing

void TestCommandLine::parsing_data()
{
    QTest::addColumn<QStringList>("arguments");  // %1 is the survey file
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("err");  // whole lines
    QTest::addColumn<QString>("outStart");  // beginning of standard output

    const QString usage = QStringLiteral("Usage: ");
    QTest::newRow("unrecognized command") << QStringList{"%1", "frobnicate", "-b", "3217=1"} << 1
                                          << QStringList{quoted("Error: unrecognized command frobnicate")} << QString();
    QTest::newRow("command names are case-sensitive")
        << QStringList{"%1", "EDIT", "-b", "3217=1"} << 1 << QStringList{quoted("Error: unrecognized command EDIT")}
        << QString();
    const QStringList emptySaveAs{quoted("Error: no output file name given to --saveas.")};
    QTest::newRow("edit with an empty save-as")
        << QStringList{"%1", "edit", "-b", "3217=1", "--saveas="} << 1 << emptySaveAs << QString();
    QTest::newRow("import with an empty save-as")
        << QStringList{"%1", "import-headers", "--ascii-in", "h.csv", "--saveas="} << 1 << emptySaveAs << QString();
    QTest::newRow("reproject with an empty save-as")
        << QStringList{"%1", "reproject", "--in-epsg", "4326", "--saveas", ""} << 1 << emptySaveAs << QString();
    QTest::newRow("option word before the file")
        << QStringList{"--bin-header", "3217=2000", "%1", "edit"} << 1
        << QStringList{quoted("Error: unrecognized command %1")} << QString();
    QTest::newRow("short option word before the file")
        << QStringList{"-t", "189=7", "%1", "edit"} << 1 << QStringList{quoted("Error: unrecognized command %1")}
        << QString();
    // An error: its usage follows on standard error.
    QTest::newRow("command before the file") << QStringList{"edit", "%1", "-b", "3217=1"} << 1
                                             << QStringList{quoted("Error: missing input SEG-Y file name."), usage}
                                             << QString();
    QTest::newRow("export has no save-as")
        << QStringList{"%1", "export-headers", "--ascii-out", "h.csv", "--saveas", "x.sgy"} << 1
        << QStringList{"Trevalon: Unknown option 'saveas'."} << QString();
    QTest::newRow("undeclared option") << QStringList{"%1", "edit", "-b", "3217=1", "--frob"} << 1
                                       << QStringList{"Trevalon: Unknown option 'frob'."} << QString();
    QTest::newRow("option of another command") << QStringList{"%1", "edit", "--in-epsg", "4326"} << 1
                                               << QStringList{"Trevalon: Unknown option 'in-epsg'."} << QString();
    QTest::newRow("missing option value") << QStringList{"%1", "edit", "-b"} << 1
                                          << QStringList{"Trevalon: Missing value after '-b'."} << QString();
    QTest::newRow("help with a command") << QStringList{"%1", "edit", "-b", "3217=1", "--help"} << 0
                                         << QStringList() << usage;
    QTest::newRow("version with a command") << QStringList{"%1", "edit", "-b", "3217=1", "--version"} << 0
                                            << QStringList() << QStringLiteral("Trevalon");
    QTest::newRow("info takes no option") << QStringList{"%1", "info", "--saveas", "x.sgy"} << 1
                                          << QStringList{"Trevalon: Unknown option 'saveas'."} << QString();
}

// None of these runs may write the survey.
void TestCommandLine::parsing()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, err);
    QFETCH(QString, outStart);

    const QString survey = makeSurvey();
    const QByteArray before = fileChecksum(survey);
    for (QString& a : arguments)
        a.replace(QStringLiteral("%1"), survey);
    for (QString& e : err)
        e.replace(QStringLiteral("%1"), survey);

    const Result r = runProgram(arguments, executable(), m_dir->path());
    // An expected line "Usage: " stands for the whole usage from there on.
    if (!err.isEmpty() && err.last() == QLatin1String("Usage: ")) {
        QCOMPARE(r.err.mid(0, err.size() - 1), err.mid(0, err.size() - 1));
        QVERIFY(r.err.value(err.size() - 1).startsWith(err.last()));
    } else {
        QCOMPARE(r.err, err);
    }
    QCOMPARE(r.status, status);
    if (outStart.isEmpty())
        QCOMPARE(r.out, QStringList());
    else
        QVERIFY2(!r.out.isEmpty() && r.out.first().startsWith(outStart), r.rawOut.constData());
    QCOMPARE(fileChecksum(survey), before);
    QVERIFY(!QFile::exists(path(QStringLiteral("out.sgy"))));
    QVERIFY(!QFile::exists(path(QStringLiteral("x.sgy"))));
}

void TestCommandLine::commandHelp_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("present");  // substrings of the help
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("edit") << "edit"
                          << QStringList{"Usage: ", "[options] file edit", "-b, --bin-header <byte_offset=new_value>",
                                         "Binary header field to be edited.",
                                         "-t, --trace-header <byte_offset=new_value>",
                                         "Trace header field to be edited.",
                                         "--interval <start_index-end_index>", "Trace index interval, end excluded.",
                                         "--saveas <file-name>", "Output SEG-Y file", "Input SEG-Y file name.",
                                         "Edit binary and trace headers."}
                          << QStringList{"--in-epsg", "--ascii-in"};
    QTest::newRow("reproject") << "reproject"
                               << QStringList{"[options] file reproject", "--in-epsg <epsg-id>", "Input epsg id.",
                                              "--out-epsg <epsg-id>", "Output epsg id.", "--in-proj <proj4-string>",
                                              "Input projection string.", "--out-proj <proj4-string>",
                                              "Output projection string.", "--saveas <file-name>",
                                              "Reproject positioning data in trace headers."}
                               << QStringList{"--bin-header"};
    QTest::newRow("import-headers") << "import-headers"
                                    << QStringList{"--ascii-in <marker>", "ASCII input file", "--delim <separator>",
                                                   "Char separator for CSV file", "--saveas <file-name>",
                                                   "Import trace headers from ASCII file in CSV format."}
                                    << QStringList{"--ascii-out"};
    QTest::newRow("export-headers") << "export-headers"
                                    << QStringList{"--ascii-out <marker>", "ASCII output file", "--delim <separator>",
                                                   "Export trace headers to ASCII file in CSV format."}
                                    << QStringList{"--saveas", "ASCII input file"};
    QTest::newRow("info") << "info" << QStringList{"[options] file info", "Input SEG-Y file name."}
                          << QStringList{"--saveas", "--delim"};
}

// A command name alone prints that command's help, with no display.
void TestCommandLine::commandHelp()
{
    QFETCH(QString, command);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);

    const Result r = runProgram({command});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QStringList());
    const QString help = QString::fromUtf8(r.rawOut);
    const QString unwrapped = help.simplified();  // descriptions may wrap
    for (const QString& s : present)
        QVERIFY2(unwrapped.contains(s), qPrintable(s + QStringLiteral(" missing from:\n") + help));
    for (const QString& s : absent)
        QVERIFY2(!help.contains(s), qPrintable(s + QStringLiteral(" found in:\n") + help));
    // Each option has its own description line.
    if (command == QLatin1String("reproject"))
        QCOMPARE(help.count(QStringLiteral("Input projection string.")), 1);
}

// The parser's own answers need no display either.
void TestCommandLine::headlessWithoutFile()
{
    Result r = runProgram({QStringLiteral("--help")});
    QCOMPARE(r.status, 0);
    QVERIFY(!r.out.isEmpty() && r.out.first().startsWith(QLatin1String("Usage: ")));
    QVERIFY(QString::fromUtf8(r.rawOut).simplified().contains(
        QLatin1String("edit, reproject, import-headers, export-headers, info, import-positions, stats, dump, scan, geometry.")));

    r = runProgram({QStringLiteral("--version")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringList{QStringLiteral("Trevalon " TREVALON_VERSION)});

    r = runProgram({QStringLiteral("--frob")});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.err, QStringList{QStringLiteral("Trevalon: Unknown option 'frob'.")});
}

// ---------------------------------------------------------------- messages

void TestCommandLine::messages_data()
{
    QTest::addColumn<QStringList>("arguments");  // %1 the survey, %2 the temporary directory
    QTest::addColumn<QString>("output");         // standard output goes here; empty: read by the test
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");  // the first line on standard error, unquoted
    QTest::addColumn<bool>("usage");    // the command's usage follows it

    // Options that must be given: what is missing, then the usage.
    QTest::newRow("edit alone") << QStringList{"%1", "edit"} << QString() << 1
                                << "Error: edit needs --bin-header or --trace-header." << true;
    QTest::newRow("edit with save-as alone") << QStringList{"%1", "edit", "--saveas", "%2/out.sgy"} << QString() << 1
                                             << "Error: edit needs --bin-header or --trace-header." << true;
    QTest::newRow("reproject with empty values")
        << QStringList{"%1", "reproject", "--in-proj", ""} << QString() << 1
        << "Error: reproject needs --in-epsg or --in-proj, and --out-epsg or --out-proj." << true;
    QTest::newRow("import-headers alone") << QStringList{"%1", "import-headers"} << QString() << 1
                                          << "Error: import-headers needs --ascii-in." << true;
    QTest::newRow("export-headers alone") << QStringList{"%1", "export-headers"} << QString() << 1
                                          << "Error: export-headers needs --ascii-out." << true;
    QTest::newRow("import-positions alone")
        << QStringList{"%1", "import-positions"} << QString() << 1
        << "Error: import-positions needs --positions, --src, --rcv or --cdp, and --unit or the reference systems "
           "(--in-epsg or --in-proj, --out-epsg or --out-proj)."
        << true;

    // Output that cannot be written.
    const QString full = QStringLiteral("Error: could not write to standard output: No space left on device.");
    QTest::newRow("info to a full disk") << QStringList{"%1", "info"} << "/dev/full" << 1 << full << false;
    QTest::newRow("json to a full disk") << QStringList{"%1", "dump", "--json"} << "/dev/full" << 1 << full << false;
    QTest::newRow("stats to a full disk") << QStringList{"%1", "stats"} << "/dev/full" << 1 << full << false;
    QTest::newRow("save as onto a full disk")
        << QStringList{"%1", "edit", "-t", "189=1", "--saveas", "/dev/full"} << QString() << 1
        << "Error: could not save file /dev/full: No space left on device." << false;
    QTest::newRow("export onto a full disk")
        << QStringList{"%1", "export-headers", "--ascii-out", "/dev/full"} << QString() << 1
        << "Error: could not write /dev/full: No space left on device." << false;

    // Values given as they are must be stored integers.
    QTest::newRow("positions with decimals")
        << QStringList{"%1", "import-positions", "--positions", "%2/decimals.txt", "--src", "2,3", "--unit", "1"}
        << QString() << 1
        << "Error: 2 line(s) of the positioning file could not be written and left their traces unchanged (the first "
           "is line 1 of the file); 0 line(s) lay beyond the last trace and were not imported. Line 1: 100.5 has "
           "decimals; with --unit the values must be integers in the unit's storage (metres x 100, arc seconds x "
           "10000, degrees x 10000)."
        << false;
}

// Each message says what went wrong, and the file is left as it was.
void TestCommandLine::messages()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(int, status);
    QFETCH(QString, line);
    QFETCH(bool, usage);

    const QString survey = makeSurvey();
    QFile decimals(path(QStringLiteral("decimals.txt")));
    QVERIFY(decimals.open(QIODevice::WriteOnly));
    decimals.write("1 100.5 200\n2 300.25 400\n");
    decimals.close();
    const QByteArray before = fileChecksum(survey);
    for (QString& a : arguments)
        a.replace(QStringLiteral("%1"), survey).replace(QStringLiteral("%2"), m_dir->path());

    const Result r = runProgram(arguments, executable(), m_dir->path(), output);
    QCOMPARE(r.status, status);
    QVERIFY2(!r.err.isEmpty(), "no message");
    const QStringList errors = r.err.filter(QRegularExpression(QStringLiteral("^\"Error: ")));
    QCOMPARE(errors.value(0), quoted(line));
    QCOMPARE(errors.size(), 1);
    if (usage)
        QVERIFY2(r.err.value(1).startsWith(QLatin1String("Usage: ")) && r.err.contains(QStringLiteral("Options:")),
                 qPrintable(r.err.join(QLatin1Char('\n'))));
    QCOMPARE(r.out, QStringList());
    QCOMPARE(fileChecksum(survey), before);
    QVERIFY(!QFile::exists(path(QStringLiteral("out.sgy"))));
}

// ---------------------------------------------------------------- edit

void TestCommandLine::edit_data()
{
    QTest::addColumn<QStringList>("arguments");  // %1 is the survey file
    QTest::addColumn<QStringList>("errors");      // messages, unquoted
    QTest::addColumn<int>("interval");            // binary 3217-3218 afterwards
    QTest::addColumn<int>("traceByte");           // trace field looked at
    QTest::addColumn<int>("newValue");
    QTest::addColumn<int>("first");  // traces [first, end) hold newValue,
    QTest::addColumn<int>("end");    // all others their original value

    const int n = SurveyTraces;
    const QString N = QString::number(n);
    QTest::newRow("binary field") << QStringList{"%1", "edit", "-b", "3217=2000"} << QStringList() << 2000 << 189
                                  << 0 << 0 << 0;
    QTest::newRow("binary field, long form with =")
        << QStringList{"%1", "edit", "--bin-header=3217=2000"} << QStringList() << 2000 << 189 << 0 << 0 << 0;
    QTest::newRow("option with = before the file")
        << QStringList{"--bin-header=3217=2000", "%1", "edit"} << QStringList() << 2000 << 189 << 0 << 0 << 0;
    QTest::newRow("trace option with = before the file")
        << QStringList{"--trace-header=189=7", "%1", "edit"} << QStringList() << 4000 << 189 << 7 << 0 << n;
    QTest::newRow("toolkit options are the toolkit's")
        << QStringList{"-platform", "offscreen", "%1", "edit", "-b", "3217=2000", "-style", "fusion"} << QStringList()
        << 2000 << 189 << 0 << 0 << 0;
    QTest::newRow("extra positional arguments ignored")
        << QStringList{"%1", "edit", "extra", "-b", "3217=2000", "more"} << QStringList() << 2000 << 189 << 0 << 0
        << 0;
    QTest::newRow("binary offset inside a field")
        << QStringList{"%1", "edit", "-b", "3218=1"}
        << QStringList{"Error: 3218 is not a valid offset for SEG-Y binary header."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("binary offset outside the header")
        << QStringList{"%1", "edit", "-b", "17=1"}
        << QStringList{"Error: 17 is not a valid offset for SEG-Y binary header."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("binary syntax without =")
        << QStringList{"%1", "edit", "-b", "3217"}
        << QStringList{"Error: 3217 is not a valid syntax to edit binary header fields."} << 4000 << 189 << 0 << 0
        << 0;
    QTest::newRow("binary edit with empty value")
        << QStringList{"%1", "edit", "--bin-header="}
        << QStringList{"Error:  is not a valid syntax to edit binary header fields."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("binary syntax with two =")
        << QStringList{"%1", "edit", "-b", "3217=1=2"}
        << QStringList{"Error: 3217=1=2 is not a valid syntax to edit binary header fields."} << 4000 << 189 << 0
        << 0 << 0;
    QTest::newRow("an error stops every edit")
        << QStringList{"%1", "edit", "-b", "3218=1", "-b", "3217=1000"}
        << QStringList{"Error: 3218 is not a valid offset for SEG-Y binary header."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("binary value too wide for the field")
        << QStringList{"%1", "edit", "-b", "3217=99999"}
        << QStringList{"Error: 99999 is not a valid value for field 3217-3218 (-32768 to 32767)."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("binary value not a number")
        << QStringList{"%1", "edit", "-b", "3217=abc", "-t", "189=1"}
        << QStringList{"Error: abc is not a valid value for field 3217-3218 (-32768 to 32767)."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("sample format of another size")
        << QStringList{"%1", "edit", "-b", "3225=3"}
        << QStringList{"Error: 3225-3226 would change the layout of the file."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("extended header count")
        << QStringList{"%1", "edit", "-b", "3505=1"}
        << QStringList{"Error: 3505-3506 would change the layout of the file."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("sample format of the same size") << QStringList{"%1", "edit", "-b", "3225=5", "-b", "3217=2000"}
                                                    << QStringList() << 2000 << 189 << 0 << 0 << 0;
    QTest::newRow("binary field twice, last stays")
        << QStringList{"%1", "edit", "-b", "3217=1000", "--bin-header", "3217=3000"} << QStringList() << 3000 << 189
        << 0 << 0 << 0;
    QTest::newRow("trace interval") << QStringList{"%1", "edit", "-t", "189=1200", "--interval", "3-7"}
                                    << QStringList() << 4000 << 189 << 1200 << 3 << 7;
    QTest::newRow("options before and after") << QStringList{"%1", "edit", "--interval", "3-7", "-t", "189=1200"}
                                              << QStringList() << 4000 << 189 << 1200 << 3 << 7;
    QTest::newRow("interval = form") << QStringList{"%1", "edit", "--trace-header=189=1200", "--interval=3-7"}
                                     << QStringList() << 4000 << 189 << 1200 << 3 << 7;
    QTest::newRow("no interval: all traces") << QStringList{"%1", "edit", "-t", "189=-5"} << QStringList() << 4000
                                             << 189 << -5 << 0 << n;
    QTest::newRow("interval 0-N") << QStringList{"%1", "edit", "-t", "189=9", "--interval", "0-" + N}
                                  << QStringList() << 4000 << 189 << 9 << 0 << n;
    QTest::newRow("interval last trace") << QStringList{"%1", "edit", "-t", "189=9", "--interval", "11-" + N}
                                         << QStringList() << 4000 << 189 << 9 << 11 << n;
    const auto noRange = [](const QString& interval) {
        return QStringList{QStringLiteral("Error: no valid trace index values: --interval %1 for a file of 12 "
                                          "traces; give start-end with 0 <= start < end <= 12.")
                               .arg(interval)};
    };
    QTest::newRow("interval 0-N+1") << QStringList{"%1", "edit", "-t", "189=9", "--interval", "0-13"} << noRange("0-13")
                                    << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("interval reversed") << QStringList{"%1", "edit", "-t", "189=9", "--interval", "10-5"} << noRange("10-5")
                                       << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("interval empty") << QStringList{"%1", "edit", "-t", "189=9", "--interval", "5-5"} << noRange("5-5")
                                    << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("interval not numbers") << QStringList{"%1", "edit", "-t", "189=9", "--interval", "a-b"}
                                          << noRange("a-b") << 4000 << 189 << 0 << 0 << 0;
    for (const char* malformed : {"-1-10", "4", "2:5", "0x2-4", "1-2-3", " 1-2", "1-"})
        QTest::newRow(qPrintable(QStringLiteral("malformed interval '%1'").arg(QLatin1String(malformed))))
            << QStringList{"%1", "edit", "-t", "189=9", "--interval", QLatin1String(malformed)} << noRange(QLatin1String(malformed)) << 4000
            << 189 << 0 << 0 << 0;
    QTest::newRow("a second interval is refused")
        << QStringList{"%1", "edit", "-t", "189=9", "--interval", "2-4", "--interval", "0-" + N}
        << QStringList{"Error: --interval is given 2 times; give one interval."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("bad interval stops binary edits too")
        << QStringList{"%1", "edit", "-b", "3217=2000", "-t", "189=9", "--interval", "5-5"} << noRange("5-5") << 4000 << 189
        << 0 << 0 << 0;
    QTest::newRow("trace field twice, last applied")
        << QStringList{"%1", "edit", "-t", "189=5", "-t", "189=6", "--interval", "1-2"} << QStringList() << 4000
        << 189 << 6 << 1 << 2;
    QTest::newRow("trace offset inside a field")
        << QStringList{"%1", "edit", "-t", "190=5"}
        << QStringList{"Error: 190 is not a valid offset for SEG-Y trace headers."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("trace offset zero") << QStringList{"%1", "edit", "-t", "0=5"}
                                       << QStringList{"Error: 0 is not a valid offset for SEG-Y trace headers."}
                                       << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("trace syntax without =")
        << QStringList{"%1", "edit", "-t", "189"}
        << QStringList{"Error: 189 is not a valid syntax to edit trace header fields."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("trace syntax with empty offset")
        << QStringList{"%1", "edit", "-t", "=5"}
        << QStringList{"Error:  is not a valid offset for SEG-Y trace headers."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("trace value not a number")
        << QStringList{"%1", "edit", "-t", "189=x1"}
        << QStringList{"Error: x1 is not a valid value for field 189-192 (-2147483648 to 2147483647)."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("two-byte trace field refuses a wide value")
        << QStringList{"%1", "edit", "-t", "29=40000"}
        << QStringList{"Error: 40000 is not a valid value for field 29-30 (-32768 to 32767)."} << 4000 << 29 << 0 << 0 << 0;
    // Trace sample counts move no trace once the fixed-length flag is set.
    QTest::newRow("sample count is unsigned") << QStringList{"%1", "edit", "-b", "3503=1", "-t", "115=40000", "--interval", "0-1"}
                                              << QStringList() << 4000 << 115 << 40000 << 0 << 1;
    QTest::newRow("two-byte trace field") << QStringList{"%1", "edit", "-t", "29=-3", "--interval", "0-1"}
                                          << QStringList() << 4000 << 29 << -3 << 0 << 1;
    QTest::newRow("four-byte trace field, lowest value")
        << QStringList{"%1", "edit", "-t", "189=-2147483647"} << QStringList() << 4000 << 189 << -2147483647 << 0 << n;
    QTest::newRow("four-byte trace field, highest value")
        << QStringList{"%1", "edit", "-t", "189=2147483647"} << QStringList() << 4000 << 189 << 2147483647 << 0 << n;
    QTest::newRow("four-byte trace field takes the most negative int")
        << QStringList{"%1", "edit", "-t", "189=-2147483648"} << QStringList() << 4000 << 189 << int(-2147483647 - 1)
        << 0 << n;
    QTest::newRow("four-byte trace field refuses 2^31")
        << QStringList{"%1", "edit", "-t", "189=2147483648"}
        << QStringList{"Error: 2147483648 is not a valid value for field 189-192 (-2147483648 to 2147483647)."} << 4000 << 189 << 0 << 0 << 0;
    QTest::newRow("several errors, each on its line")
        << QStringList{"%1", "edit", "-b", "3218=1", "-t", "190=1", "-t", "189", "--interval", "9-3"}
        << QStringList{"Error: 3218 is not a valid offset for SEG-Y binary header.",
                       "Error: 190 is not a valid offset for SEG-Y trace headers.",
                       "Error: 189 is not a valid syntax to edit trace header fields.",
                       noRange("9-3").first()}
        << 4000 << 189 << 0 << 0 << 0;
}

void TestCommandLine::edit()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, errors);
    QFETCH(int, interval);
    QFETCH(int, traceByte);
    QFETCH(int, newValue);
    QFETCH(int, first);
    QFETCH(int, end);

    const QString survey = makeSurvey();
    for (QString& a : arguments)
        a.replace(QStringLiteral("%1"), survey);

    const QByteArray before = fileChecksum(survey);
    const Result r = runProgram(arguments);
    QCOMPARE(r.err, quotedAll(errors));
    QCOMPARE(r.out, QStringList());
    // Success only when nothing went wrong; a failed edit writes nothing.
    QCOMPARE(r.status, errors.isEmpty() ? 0 : 1);
    if (!errors.isEmpty())
        QCOMPARE(fileChecksum(survey), before);

    const Oracle o = readWithSegyio(survey, {3217, 3221, 3225}, {traceByte, 115, 1});
    QVERIFY2(o.ok, qPrintable(o.error));
    QCOMPARE(o.bin.value(3217), interval);
    QCOMPARE(o.bin.value(3221), 4);
    QCOMPARE(o.traces.size(), SurveyTraces);
    for (int t = 0; t < SurveyTraces; ++t) {
        const int expected = (t >= first && t < end) ? newValue : originalTraceValue(traceByte, t);
        QCOMPARE(quint16(o.traces[t].value(traceByte)), quint16(expected));  // segyio reads counts signed
        if (traceByte != 115)
            QCOMPARE(o.traces[t].value(traceByte), expected);
        QCOMPARE(o.traces[t].value(1), originalTraceValue(1, t));
    }
}

// An in-place edit rewrites headers only: samples come back as written.
void TestCommandLine::editKeepsSamplesAndOtherFields()
{
    const QString survey = makeSurvey();
    const Oracle before = readWithSegyio(survey, {3217}, {1, 29, 189, 193});
    QVERIFY2(before.ok, qPrintable(before.error));
    const Result r = runProgram({survey, QStringLiteral("edit"), QStringLiteral("-t"), QStringLiteral("193=77"),
                                 QStringLiteral("--interval"), QStringLiteral("1-3")});
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    QCOMPARE(QFileInfo(survey).size(), qint64(surveyFixture().bytes().size()));
    const Oracle after = readWithSegyio(survey, {3217}, {1, 29, 189, 193});
    QVERIFY2(after.ok, qPrintable(after.error));
    QCOMPARE(after.samples, before.samples);
    for (int t = 0; t < SurveyTraces; ++t) {
        QMap<int, int> expected = before.traces[t];
        if (t == 1 || t == 2)
            expected[193] = 77;
        QCOMPARE(after.traces[t], expected);
    }
}

void TestCommandLine::saveAsLeavesInputUntouched()
{
    const QString survey = makeSurvey();
    const QByteArray checksum = fileChecksum(survey);
    const QString out = path(QStringLiteral("fixed.sgy"));
    const Result r = runProgram({survey, QStringLiteral("edit"), QStringLiteral("--bin-header"),
                                 QStringLiteral("3217=2000"), QStringLiteral("--saveas"), out});
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    QCOMPARE(fileChecksum(survey), checksum);

    const Oracle original = readWithSegyio(survey, {3217}, {189});
    const Oracle written = readWithSegyio(out, {3217}, {189});
    QVERIFY2(written.ok, qPrintable(written.error));
    QCOMPARE(written.bin.value(3217), 2000);
    QCOMPARE(original.bin.value(3217), 4000);
    QCOMPARE(written.traces, original.traces);
    QCOMPARE(written.samples, original.samples);
}

void TestCommandLine::saveAsOntoInput_data()
{
    QTest::addColumn<bool>("relativeInput");
    QTest::addColumn<bool>("relativeTarget");
    QTest::newRow("same text") << false << false;
    QTest::newRow("relative input, absolute target") << true << false;
    QTest::newRow("absolute input, relative target") << false << true;
}

// Writing the new file onto the one being read must not lose its samples.
void TestCommandLine::saveAsOntoInput()
{
    QFETCH(bool, relativeInput);
    QFETCH(bool, relativeTarget);
    const QString survey = makeSurvey();
    const Oracle before = readWithSegyio(survey, {3217}, {189});
    QVERIFY2(before.ok, qPrintable(before.error));
    const QString name = QStringLiteral("survey.sgy");
    const Result r = runProgram({relativeInput ? name : survey, QStringLiteral("edit"), QStringLiteral("-t"),
                                 QStringLiteral("189=42"), QStringLiteral("--saveas"), relativeTarget ? name : survey},
                                executable(), m_dir->path());
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    const Oracle after = readWithSegyio(survey, {3217}, {189});
    QVERIFY2(after.ok, qPrintable(after.error));
    QCOMPARE(after.samples, before.samples);
    QCOMPARE(after.traces.size(), SurveyTraces);
    for (const auto& trace : after.traces)
        QCOMPARE(trace.value(189), 42);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{name});  // no stray temporary file
}

void TestCommandLine::failedSave_data()
{
    QTest::addColumn<QString>("target");  // relative to the temporary directory
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing directory") << "no-such-dir/out.sgy" << "No such file or directory";
    QTest::newRow("a directory") << "adir" << "Is a directory";
}

void TestCommandLine::failedSave()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    const QString survey = makeSurvey();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("adir")));
    const QByteArray checksum = fileChecksum(survey);
    const QString out = path(target);
    const Result r = runProgram(
        {survey, QStringLiteral("edit"), QStringLiteral("-b"), QStringLiteral("3217=2000"), QStringLiteral("--saveas"), out});
    QCOMPARE(r.err, (QStringList{QStringLiteral("Warning: Error saving file."),
                                 quoted(QStringLiteral("Error: could not save file %1: %2.").arg(out, reason))}));
    QCOMPARE(r.status, 1);
    QCOMPARE(fileChecksum(survey), checksum);
    QVERIFY(!QFileInfo(out).isFile());
}

void TestCommandLine::unwritableInPlace()
{
    const QString survey = makeSurvey();
    QVERIFY(QFile::setPermissions(survey, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    if (writableDespitePermissions(survey))
        QSKIP("permissions do not stop this user from writing");
    const QByteArray checksum = fileChecksum(survey);
    const Result r = runProgram({survey, QStringLiteral("edit"), QStringLiteral("-b"), QStringLiteral("3217=2000")});
    QCOMPARE(r.err.size(), 2);
    QVERIFY2(r.err.last().contains(QLatin1String("Permission denied")), qPrintable(r.err.last()));
    QCOMPARE(r.status, 1);
    QCOMPARE(fileChecksum(survey), checksum);
}

void TestCommandLine::loadWarningsPrinted_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::newRow("info") << QStringList{"info"};
    QTest::newRow("edit") << QStringList{"edit", "-t", "189=1"};
    QTest::newRow("export") << QStringList{"export-headers", "--ascii-out", "w.csv"};
}

// Every command shows what the loader found, the first ten of a repeated
// warning and a count of the rest.
void TestCommandLine::loadWarningsPrinted()
{
    QFETCH(QStringList, command);
    SegyFixture f;
    f.geometry(4, 1, 4000);
    for (int t = 0; t < 15; ++t)
        f.addTrace(0, QByteArray(16, '\0'));
    const QString file = path(QStringLiteral("zero-counts.sgy"));
    QVERIFY(f.writeTo(file));
    const Result r = runProgram(QStringList{file} + command, executable(), m_dir->path());
    QCOMPARE(r.status, 0);
    QStringList expected;
    for (int t = 0; t < 10; ++t)
        expected << QStringLiteral("Warning: Invalid samples count at trace index %1.").arg(t);
    expected << QStringLiteral("Warning: The same warning was given for 5 more traces.");
    QCOMPARE(r.err, expected);
}

void TestCommandLine::unopenableFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");  // null: no file
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("reason");

    const QString missing = QStringLiteral("No such file or directory");
    QTest::newRow("missing file") << "missing.sgy" << QByteArray() << "edit" << QStringList{"-b", "3217=1"} << missing;
    QTest::newRow("headers only, no trace")
        << "short.sgy" << surveyFixture(QDataStream::BigEndian, 0).bytes() << "edit" << QStringList{"-t", "189=1"}
        << "the file holds a header but no traces";
    QTest::newRow("empty file") << "empty.sgy" << QByteArray("") << "info" << QStringList() << "the file is empty";
    QTest::newRow("tiny file") << "tiny.sgy" << QByteArray(100, 'x') << "import-headers"
                               << QStringList{"--ascii-in", "h.csv"}
                               << "the file holds 100 bytes, fewer than the 3600 bytes of its textual and binary headers";
    QTest::newRow("reproject") << "missing.sgy" << QByteArray() << "reproject"
                               << QStringList{"--in-epsg", "4326", "--out-epsg", "32631"} << missing;
    QTest::newRow("export") << "missing.sgy" << QByteArray() << "export-headers" << QStringList{"--ascii-out", "h.csv"}
                            << missing;
    QTest::newRow("a directory") << "." << QByteArray() << "info" << QStringList() << "Is a directory";
}

// Nothing is written and nothing else is reported.
void TestCommandLine::unopenableFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, command);
    QFETCH(QStringList, options);
    QFETCH(QString, reason);

    const QString file = path(name);
    if (!content.isNull()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const QByteArray checksum = fileChecksum(file);
    const Result r = runProgram(QStringList{file, command} + options, executable(), m_dir->path());
    // The loader's own messages come first, as warnings.
    QVERIFY(!r.err.isEmpty());
    QCOMPARE(r.err.last(), quoted(QStringLiteral("Error: could not open file %1: %2.").arg(file, reason)));
    QCOMPARE(r.err.at(r.err.size() - 2), QStringLiteral("Warning: Error loading segy."));
    QCOMPARE(r.out, QStringList());
    QCOMPARE(r.status, 1);
    QCOMPARE(fileChecksum(file), checksum);
    QCOMPARE(QFile::exists(file), !content.isNull() || name == QLatin1String("."));
    QVERIFY(!QFile::exists(path(QStringLiteral("h.csv"))));
}

void TestCommandLine::littleEndianEdit()
{
    const QString survey = makeSurvey(QStringLiteral("le.sgy"), QDataStream::LittleEndian);
    const Result r = runProgram({survey, QStringLiteral("edit"), QStringLiteral("-b"), QStringLiteral("3217=1000"),
                                 QStringLiteral("-t"), QStringLiteral("189=-77"), QStringLiteral("--interval"),
                                 QStringLiteral("2-3")});
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    const Oracle o = readWithSegyio(survey, {3217, 3221}, {189}, true);
    QVERIFY2(o.ok, qPrintable(o.error));
    QCOMPARE(o.bin.value(3217), 1000);
    QCOMPARE(o.bin.value(3221), 4);
    for (int t = 0; t < SurveyTraces; ++t)
        QCOMPARE(o.traces[t].value(189), t == 2 ? -77 : originalTraceValue(189, t));
}

// ---------------------------------------------------------------- export and import

void TestCommandLine::exportHeaders_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("separator");
    QTest::newRow("default separator") << QStringList() << " ";
    QTest::newRow("empty separator means default") << QStringList{"--delim="} << " ";
    QTest::newRow("comma") << QStringList{"--delim", ","} << ",";
    QTest::newRow("longer separator") << QStringList{"--delim=;;"} << ";;";
    QTest::newRow("repeated: last counts") << QStringList{"--delim", ";", "--delim", ","} << ",";
}

// An export reads the survey and writes only the text file.
void TestCommandLine::exportHeaders()
{
    QFETCH(QStringList, options);
    QFETCH(QString, separator);
    const QString survey = makeSurvey();
    const QByteArray checksum = fileChecksum(survey);
    const QString csv = path(QStringLiteral("headers.csv"));

    const Result r = runProgram(QStringList{survey, QStringLiteral("export-headers"), QStringLiteral("--ascii-out"), csv}
                                + options);
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    QCOMPARE(fileChecksum(survey), checksum);

    const QByteArray text = readAll(csv);
    QVERIFY(text.endsWith("\r\n"));
    const QStringList rows = QString::fromUtf8(text.left(text.size() - 2)).split(QStringLiteral("\r\n"));
    QCOMPARE(rows.size(), SurveyTraces + 1);
    QVERIFY2(rows.first().startsWith(QStringLiteral("1-4") + separator + QStringLiteral("5-8") + separator),
             qPrintable(rows.first()));
    QVERIFY(rows.first().endsWith(QStringLiteral("237-240") + separator));
    const QStringList labels = rows.first().split(separator);
    QCOMPARE(labels.size(), 92);
    const int col189 = labels.indexOf(QStringLiteral("189-192"));
    const int col1 = labels.indexOf(QStringLiteral("1-4"));
    QVERIFY(col189 > 0);
    for (int t = 0; t < SurveyTraces; ++t) {
        const QStringList cells = rows[t + 1].split(separator);
        QCOMPARE(cells.size(), 92);
        QCOMPARE(cells.last(), QString());
        QCOMPARE(cells[col189].toInt(), originalTraceValue(189, t));
        QCOMPARE(cells[col1].toInt(), originalTraceValue(1, t));
    }
}

void TestCommandLine::exportFailures_data()
{
    QTest::addColumn<QStringList>("options");  // %d is the temporary directory
    QTest::addColumn<QString>("error");
    QTest::newRow("separator only") << QStringList{"--delim", ","} << "Error: no output ASCII file.";
    QTest::newRow("unwritable target") << QStringList{"--ascii-out", "%d/none/h.csv"}
                                       << "Error: could not write %d/none/h.csv: No such file or directory.";
    QTest::newRow("target is a directory") << QStringList{"--ascii-out", "%d"}
                                           << "Error: could not write %d: Is a directory.";
    for (const char* separator : {"0", "+", ".", "-", ", 5"})
        QTest::newRow(qPrintable(QStringLiteral("separator %1").arg(QLatin1String(separator))))
            << QStringList{"--ascii-out", "%d/new.csv", "--delim", separator}
            << QStringLiteral("Error: \\\"%1\\\" cannot be a delimiter: digits, signs and decimal points are parts of "
                              "numbers.").arg(QLatin1String(separator));
}

void TestCommandLine::exportFailures()
{
    QFETCH(QStringList, options);
    QFETCH(QString, error);
    const QString survey = makeSurvey();
    const QByteArray checksum = fileChecksum(survey);
    for (QString& o : options)
        o.replace(QStringLiteral("%d"), m_dir->path());
    error.replace(QStringLiteral("%d"), m_dir->path());
    const Result r = runProgram(QStringList{survey, QStringLiteral("export-headers")} + options);
    QCOMPARE(r.err, QStringList{quoted(error)});
    QCOMPARE(r.status, 1);
    QCOMPARE(fileChecksum(survey), checksum);
    QVERIFY(!QFile::exists(path(QStringLiteral("new.csv"))));
}

void TestCommandLine::importRoundTrip_data()
{
    QTest::addColumn<QStringList>("exportOptions");
    QTest::addColumn<QStringList>("importOptions");
    QTest::newRow("default separator both ways") << QStringList() << QStringList();
    QTest::newRow("comma") << QStringList{"--delim", ","} << QStringList{"--delim=,"};
    QTest::newRow("comma and space") << QStringList{"--delim", ", "} << QStringList{"--delim", ", "};
}

// Headers exported from one survey and imported into another with the same
// trace count make the second carry the first's headers.
void TestCommandLine::importRoundTrip()
{
    QFETCH(QStringList, exportOptions);
    QFETCH(QStringList, importOptions);
    const QString source = makeSurvey(QStringLiteral("source.sgy"));

    // The source gets headers worth carrying over.
    Result r = runProgram({source, QStringLiteral("edit"), QStringLiteral("-t"), QStringLiteral("181=-123456"),
                           QStringLiteral("-t"), QStringLiteral("71=-100"), QStringLiteral("-t"),
                           QStringLiteral("9=33"), QStringLiteral("--interval"), QStringLiteral("4-9")});
    QCOMPARE(r.status, 0);

    SegyFixture blank;
    blank.geometry(4, 1, 4000);
    for (int t = 0; t < SurveyTraces; ++t)
        blank.addTrace(4, 1, [](int i) { return -1.0 * i; });
    const QString target = path(QStringLiteral("target.sgy"));
    QVERIFY(blank.writeTo(target));
    const QByteArray targetChecksum = fileChecksum(target);

    const QString csv = path(QStringLiteral("h.csv"));
    r = runProgram(QStringList{source, QStringLiteral("export-headers"), QStringLiteral("--ascii-out"), csv}
                   + exportOptions);
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);

    const QString out = path(QStringLiteral("out.sgy"));
    r = runProgram(QStringList{target, QStringLiteral("import-headers"), QStringLiteral("--ascii-in"), csv,
                               QStringLiteral("--saveas"), out}
                   + importOptions);
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    QCOMPARE(fileChecksum(target), targetChecksum);

    const QList<int> bytes{1, 9, 29, 71, 115, 181, 189, 193};
    const Oracle expected = readWithSegyio(source, {}, bytes);
    const Oracle written = readWithSegyio(out, {}, bytes);
    QVERIFY2(written.ok, qPrintable(written.error));
    QCOMPARE(written.traces, expected.traces);
    QCOMPARE(written.traces[5].value(181), -123456);
    const Oracle blankSamples = readWithSegyio(target, {}, {1});
    QCOMPARE(written.samples, blankSamples.samples);
}

void TestCommandLine::importFailures_data()
{
    QTest::addColumn<QStringList>("options");  // %d is the temporary directory
    QTest::addColumn<QString>("error");
    QTest::newRow("separator only") << QStringList{"--delim", ","} << "Error: no input ASCII file.";
    QTest::newRow("missing text file") << QStringList{"--ascii-in", "%d/none.csv"}
                                       << "Error: an error occurred importing trace headers from ASCII file %d/none.csv.";
    QTest::newRow("no column names a field")
        << QStringList{"--ascii-in", "%d/labels.csv", "--delim", ";"}
        << "Error: an error occurred importing trace headers from ASCII file %d/labels.csv.";
    QTest::newRow("no data line") << QStringList{"--ascii-in", "%d/no-data.csv", "--delim", ","}
                                  << "Error: an error occurred importing trace headers from ASCII file "
                                     "%d/no-data.csv.";
    for (const char* separator : {"0", "+", ".", "-"})
        QTest::newRow(qPrintable(QStringLiteral("separator %1").arg(QLatin1String(separator))))
            << QStringList{"--ascii-in", "%d/labels.csv", "--delim", separator}
            << QStringLiteral("Error: \\\"%1\\\" cannot be a delimiter: digits, signs and decimal points are parts of "
                              "numbers.").arg(QLatin1String(separator));
}

// A failed import writes nothing and the run reports failure.
void TestCommandLine::importFailures()
{
    QFETCH(QStringList, options);
    QFETCH(QString, error);
    const QString survey = makeSurvey();
    QFile labels(path(QStringLiteral("labels.csv")));
    QVERIFY(labels.open(QIODevice::WriteOnly));
    labels.write("1-4,189-192,\r\n5,6,\r\n");
    labels.close();
    QFile noData(path(QStringLiteral("no-data.csv")));
    QVERIFY(noData.open(QIODevice::WriteOnly));
    noData.write("1-4,189-192,\r\n\r\n");
    noData.close();
    for (QString& o : options)
        o.replace(QStringLiteral("%d"), m_dir->path());
    error.replace(QStringLiteral("%d"), m_dir->path());
    const QString out = path(QStringLiteral("out.sgy"));
    const QByteArray checksum = fileChecksum(survey);
    const Result r = runProgram(QStringList{survey, QStringLiteral("import-headers")} + options
                                + QStringList{QStringLiteral("--saveas"), out});
    QCOMPARE(r.err.last(), quoted(error));
    QCOMPARE(r.status, 1);
    QVERIFY(!QFile::exists(out));
    QCOMPARE(fileChecksum(survey), checksum);
}

// The file model refuses a new sample count and says so; the command line
// prints that as a warning, one line, and the run is a success.
void TestCommandLine::importKeepsSampleCount()
{
    const QString survey = makeSurvey();
    const QString csv = path(QStringLiteral("h.csv"));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("115-116,1-4,\r\n9,500,\r\n9,501,\r\n");
    f.close();
    const Result r = runProgram({survey, QStringLiteral("import-headers"), QStringLiteral("--ascii-in"), csv,
                                 QStringLiteral("--delim"), QStringLiteral(",")});
    QCOMPARE(r.err.size(), 2);  // the count kept, and the traces the file did not reach
    QVERIFY(r.err.at(0).startsWith(QStringLiteral("Warning: It appears that for some traces")));
    QCOMPARE(r.err.at(1), QStringLiteral("Warning: Not everything in %1 was imported: %2 traces had no line and kept "
                                         "their values.").arg(csv).arg(SurveyTraces - 2));
    QCOMPARE(r.status, 0);
    const Oracle o = readWithSegyio(survey, {}, {1, 115});
    QVERIFY2(o.ok, qPrintable(o.error));
    for (int t = 0; t < SurveyTraces; ++t) {
        QCOMPARE(o.traces[t].value(115), 4);
        QCOMPARE(o.traces[t].value(1), t < 2 ? 500 + t : originalTraceValue(1, t));
    }
}

// ---------------------------------------------------------------- reproject

namespace {

struct Position {
    double x;
    double y;
};

// PROJ's own command-line tool as the reference: longitude/latitude in, x/y out.
QList<Position> cs2cs(const QStringList& from, const QStringList& to, const QList<Position>& points, bool* ok)
{
    QProcess proc;
    proc.start(QStringLiteral("cs2cs"), QStringList{QStringLiteral("-f"), QStringLiteral("%.6f")} + from
                                            + QStringList{QStringLiteral("+to")} + to);
    QList<Position> result;
    *ok = false;
    if (!proc.waitForStarted(-1))
        return result;
    for (const Position& p : points)
        proc.write(QStringLiteral("%1 %2\n").arg(p.x, 0, 'f', 8).arg(p.y, 0, 'f', 8).toLatin1());
    proc.closeWriteChannel();
    if (!proc.waitForFinished(-1) || proc.exitCode() != 0)
        return result;
    for (const QString& line : lines(proc.readAllStandardOutput())) {
        const QStringList parts = line.simplified().split(QLatin1Char(' '));
        if (parts.size() < 2)
            return result;
        result.append({parts[0].toDouble(), parts[1].toDouble()});
    }
    *ok = result.size() == points.size();
    return result;
}

// Survey with geographic positions: source pair in degrees with scalar
// -10000 (units 3), receiver pair in seconds of arc (units 2) on other
// traces, CDP pair left at 0 (never transformed).
struct GeoSurvey {
    QString path;
    QList<Position> sources;  // degrees, per trace
};

GeoSurvey writeGeoSurvey(const QString& path)
{
    GeoSurvey s;
    s.path = path;
    SegyFixture f;
    f.geometry(4, 1, 4000);
    for (int t = 0; t < SurveyTraces; ++t) {
        f.addTrace(4, 1, [](int i) { return double(i); });
        const Position p{2.5 + 0.01 * t, 51.0 + 0.02 * t};
        s.sources.append(p);
        const bool arcSeconds = t % 2 == 1;
        f.tr16(t, 89, arcSeconds ? 2 : 3);
        if (arcSeconds) {
            f.tr16(t, 71, 1);
            f.tr32(t, 73, qint32(std::lround(p.x * 3600)));
            f.tr32(t, 77, qint32(std::lround(p.y * 3600)));
        } else {
            f.tr16(t, 71, -10000);
            f.tr32(t, 73, qint32(std::lround(p.x * 10000)));
            f.tr32(t, 77, qint32(std::lround(p.y * 10000)));
        }
        f.tr32(t, 189, originalTraceValue(189, t));
    }
    f.writeTo(path);
    return s;
}

void checkProjected(const QString& file, const QList<Position>& reference)
{
    const Oracle o = readWithSegyio(file, {}, {71, 73, 77, 89, 181, 185, 189});
    QVERIFY2(o.ok, qPrintable(o.error));
    QCOMPARE(o.traces.size(), SurveyTraces);
    for (int t = 0; t < SurveyTraces; ++t) {
        const QMap<int, int>& h = o.traces[t];
        QCOMPARE(h.value(71), -100);
        QCOMPARE(h.value(89), 1);
        // Centimetres, truncated; allow for the last digit of the reference.
        QVERIFY2(std::abs(h.value(73) - reference[t].x * 100) <= 1.5,
                 qPrintable(QStringLiteral("trace %1: x %2 vs %3").arg(t).arg(h.value(73)).arg(reference[t].x, 0, 'f', 3)));
        QVERIFY2(std::abs(h.value(77) - reference[t].y * 100) <= 1.5,
                 qPrintable(QStringLiteral("trace %1: y %2 vs %3").arg(t).arg(h.value(77)).arg(reference[t].y, 0, 'f', 3)));
        QCOMPARE(h.value(181), 0);
        QCOMPARE(h.value(185), 0);
        QCOMPARE(h.value(189), originalTraceValue(189, t));
    }
}

const QStringList GeographicWgs84{"+proj=longlat", "+datum=WGS84", "+no_defs"};
const QStringList Utm31{"+proj=utm", "+zone=31", "+datum=WGS84", "+units=m", "+no_defs"};

}  // namespace

void TestCommandLine::reprojectChecks_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<bool>("untouched");  // coordinates, scalars and units as before
    const QString noInput = QStringLiteral("Error: no input coordinate reference system.");
    const QString noOutput = QStringLiteral("Error: no output coordinate reference system.");
    const QString invalid = QStringLiteral("Error: no valid input and/or output coordinate reference systems.");
    QTest::newRow("no output system") << QStringList{"--in-epsg", "4230"} << QStringList{noOutput} << true;
    QTest::newRow("no input system") << QStringList{"--out-epsg", "4326"} << QStringList{noInput} << true;
    QTest::newRow("code that is no number")
        << QStringList{"--in-epsg", "abc", "--out-epsg", "4326"}
        << QStringList{"Error: input coordinate reference system: abc is not an EPSG code (a positive number)."} << true;
    QTest::newRow("output code that is no number")
        << QStringList{"--in-epsg", "4326", "--out-epsg", "-5"}
        << QStringList{"Error: output coordinate reference system: -5 is not an EPSG code (a positive number)."} << true;
    QTest::newRow("repeated: last counts") << QStringList{"--out-epsg", "4326", "--out-epsg", "0", "--in-epsg", "4326"}
                                           << QStringList{noOutput} << true;
    // The general line comes first, then why the systems could not be used.
    QTest::newRow("definition without +")
        << QStringList{"--in-proj", "proj=longlat +datum=WGS84", "--out-proj", "+proj=utm +zone=31 +datum=WGS84"}
        << QStringList{invalid, "Error: input coordinate reference system: proj=longlat +datum=WGS84 is not a PROJ "
                                "definition (it begins with +)."}
        << true;
    QTest::newRow("code missing from the catalogue")
        << QStringList{"--in-epsg", "999999", "--out-proj", "+proj=utm +zone=31 +datum=WGS84"}
        << QStringList{invalid, "Error: input coordinate reference system: EPSG code 999999 is not in the catalogue."}
        << true;
    QTest::newRow("geocentric code")
        << QStringList{"--in-epsg", "4978", "--out-epsg", "4326"}
        << QStringList{invalid, "Error: input coordinate reference system: EPSG code 4978 is a geocentric system, not a "
                                "projected or geographic 2D system."}
        << true;
    QTest::newRow("output code missing from the catalogue")
        << QStringList{"--in-proj", "+proj=longlat +datum=WGS84", "--out-epsg", "999998"}
        << QStringList{invalid, "Error: output coordinate reference system: EPSG code 999998 is not in the catalogue."}
        << true;
    QTest::newRow("definition PROJ refuses")
        << QStringList{"--in-proj", "+proj=nonsense", "--out-proj", "+proj=longlat +datum=WGS84"}
        << QStringList{invalid, "Error: input coordinate reference system: PROJ cannot read +proj=nonsense (Invalid "
                                "value for an argument)."}
        << true;
}

// Each check reports and nothing is saved.
void TestCommandLine::reprojectChecks()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, errors);
    QFETCH(bool, untouched);
    const GeoSurvey survey = writeGeoSurvey(path(QStringLiteral("geo.sgy")));
    const QList<int> bytes{71, 73, 77, 89, 181, 189};
    const Oracle before = readWithSegyio(survey.path, {}, bytes);
    QVERIFY2(before.ok, qPrintable(before.error));
    const QString out = path(QStringLiteral("out.sgy"));
    const QByteArray checksum = fileChecksum(survey.path);
    const Result r = runProgram(QStringList{survey.path, QStringLiteral("reproject")} + options
                                + QStringList{QStringLiteral("--saveas"), out});
    QCOMPARE(r.err, quotedAll(errors));
    QCOMPARE(r.status, 1);
    // A failed reprojection writes nothing.
    QVERIFY(!QFile::exists(out));
    QCOMPARE(fileChecksum(survey.path), checksum);
    const Oracle o = readWithSegyio(survey.path, {}, bytes);
    QVERIFY2(o.ok, qPrintable(o.error));
    QCOMPARE(o.traces.size(), SurveyTraces);
    for (int t = 0; t < SurveyTraces; ++t) {
        QCOMPARE(o.traces[t].value(73), before.traces[t].value(73));
        QCOMPARE(o.traces[t].value(77), before.traces[t].value(77));
    }
    if (untouched)
        QCOMPARE(o.traces, before.traces);
}

void TestCommandLine::reprojectByProjTexts()
{
    const GeoSurvey survey = writeGeoSurvey(path(QStringLiteral("geo.sgy")));
    bool ok = false;
    const QList<Position> reference = cs2cs(GeographicWgs84, Utm31, survey.sources, &ok);
    QVERIFY(ok);
    const Result r = runProgram({survey.path, QStringLiteral("reproject"), QStringLiteral("--in-proj"),
                                 GeographicWgs84.join(QLatin1Char(' ')), QStringLiteral("--out-proj=") + Utm31.join(QLatin1Char(' '))});
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    checkProjected(survey.path, reference);
}

void TestCommandLine::reprojectByCodes()
{
    if (!QFile::exists(binDir() + QStringLiteral("/epsg.db3")))
        QSKIP("no EPSG catalogue beside the executable");
    const GeoSurvey survey = writeGeoSurvey(path(QStringLiteral("geo.sgy")));
    bool ok = false;
    const QList<Position> reference = cs2cs(GeographicWgs84, Utm31, survey.sources, &ok);
    QVERIFY(ok);
    const QString out = path(QStringLiteral("utm.sgy"));
    const QByteArray checksum = fileChecksum(survey.path);
    const Result r = runProgram({survey.path, QStringLiteral("reproject"), QStringLiteral("--in-epsg"),
                                 QStringLiteral("4326"), QStringLiteral("--out-epsg=32631"), QStringLiteral("--saveas"), out});
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    QCOMPARE(fileChecksum(survey.path), checksum);
    checkProjected(out, reference);
}

// A copy of the program with no catalogue beside it: codes fail, "+" texts
// still work.
void TestCommandLine::reprojectWithoutCatalogue()
{
    const QString lonely = path(QStringLiteral("bin/trevalon"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("bin")));
    QVERIFY(QFile::copy(executable(), lonely));
    QVERIFY(!QFile::exists(path(QStringLiteral("bin/epsg.db3"))));

    const GeoSurvey survey = writeGeoSurvey(path(QStringLiteral("geo.sgy")));
    const Oracle before = readWithSegyio(survey.path, {}, {73, 77, 189});
    QVERIFY2(before.ok, qPrintable(before.error));
    Result r = runProgram({survey.path, QStringLiteral("reproject"), QStringLiteral("--in-epsg"), QStringLiteral("4326"),
                           QStringLiteral("--out-epsg"), QStringLiteral("32631")},
                          lonely);
    // The general line, then the reason: the catalogue is missing.
    QCOMPARE(r.err.size(), 2);
    QCOMPARE(r.err.at(0), quoted(QStringLiteral("Error: no valid input and/or output coordinate reference systems.")));
    QVERIFY2(r.err.at(1).contains(QStringLiteral("epsg.db3 is missing or unreadable.")), qPrintable(r.err.at(1)));
    QCOMPARE(r.status, 1);
    const Oracle after = readWithSegyio(survey.path, {}, {73, 77, 189});
    QVERIFY2(after.ok, qPrintable(after.error));
    QCOMPARE(after.traces, before.traces);

    bool ok = false;
    const QList<Position> reference = cs2cs(GeographicWgs84, Utm31, survey.sources, &ok);
    QVERIFY(ok);
    r = runProgram({survey.path, QStringLiteral("reproject"), QStringLiteral("--in-proj"),
                    GeographicWgs84.join(QLatin1Char(' ')), QStringLiteral("--out-proj"), Utm31.join(QLatin1Char(' '))},
                   lonely);
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    checkProjected(survey.path, reference);
}

// One trace without usable units: an error line naming it, exit 1, and the
// file exactly as it was.
void TestCommandLine::reprojectAllOrNothing()
{
    const GeoSurvey survey = writeGeoSurvey(path(QStringLiteral("geo.sgy")));
    {
        QFile f(survey.path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek(3600 + 5 * (240 + 4 * 4) + 88));
        QCOMPARE(f.write(QByteArray(2, '\0')), qint64(2));
    }
    // A first save fills in what every save fills in.
    QCOMPARE(runProgram({survey.path, QStringLiteral("edit"), QStringLiteral("--bin-header"), QStringLiteral("3205=1")}).status, 0);
    const QByteArray checksum = fileChecksum(survey.path);
    const Result r = runProgram({survey.path, QStringLiteral("reproject"), QStringLiteral("--in-proj"),
                                 GeographicWgs84.join(QLatin1Char(' ')), QStringLiteral("--out-proj"), Utm31.join(QLatin1Char(' '))});
    QCOMPARE(r.err, QStringList{quoted(QStringLiteral(
                        "Error: 1 of 12 traces could not be reprojected; the first is trace index 5: its coordinate units code is "
                        "0, not 1 (length), 2 (seconds of arc) or 3 (degrees). No trace was changed."))});
    QCOMPARE(r.status, 1);
    QCOMPARE(fileChecksum(survey.path), checksum);
}

// ---------------------------------------------------------------- info

void TestCommandLine::info_data()
{
    QTest::addColumn<int>("intervalUs");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("littleEndian");
    QTest::addColumn<int>("extended");
    QTest::addColumn<QString>("intervalText");
    QTest::addColumn<QString>("formatText");
    QTest::addColumn<QString>("frequencyText");

    QTest::newRow("4 ms IBM") << 4000 << 1 << false << 0 << "4 ms" << "4-byte IBM floating-point" << "0.25 KHz";
    QTest::newRow("0.25 ms IEEE little-endian") << 250 << 5 << true << 0 << "0.25 ms" << "IEEE floating point"
                                                << "4 KHz";
    QTest::newRow("1 ms int16, extended header") << 1000 << 3 << false << 1 << "1 ms" << "Integer 16 bit" << "1 KHz";
    QTest::newRow("odd interval int32") << 333 << 2 << false << 0 << "0.333 ms" << "Integer 32 bit" << "3.003 KHz";
    QTest::newRow("2 ms, 24-bit integers") << 2000 << 7 << false << 0 << "2 ms" << "Integer 24 bit" << "0.5 KHz";
    QTest::newRow("no interval") << 0 << 8 << false << 0 << "0 ms" << "Integer 8 bit" << "0";
}

void TestCommandLine::info()
{
    QFETCH(int, intervalUs);
    QFETCH(int, format);
    QFETCH(bool, littleEndian);
    QFETCH(int, extended);
    QFETCH(QString, intervalText);
    QFETCH(QString, formatText);
    QFETCH(QString, frequencyText);

    SegyFixture f(littleEndian ? QDataStream::LittleEndian : QDataStream::BigEndian);
    f.geometry(6, format, intervalUs).bin16(3505, qint16(extended));
    if (extended)
        f.extendedBlock(QByteArray(3200, char(0x40)));
    for (int t = 0; t < 7; ++t)
        f.addTrace(6, format, [](int i) { return double(i); });
    const QString file = path(QStringLiteral("info.sgy"));
    QVERIFY(f.writeTo(file));
    const QByteArray checksum = fileChecksum(file);

    const Result r = runProgram({file, QStringLiteral("info")});
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    const QStringList expected{
        QStringLiteral("File: ") + file,
        QStringLiteral("Sample format: ") + formatText,
        QStringLiteral("Sample interval: ") + intervalText,
        QStringLiteral("Sampling freq.: ") + frequencyText,
        QStringLiteral("Trace count: 7"),
        QStringLiteral("Samples count: 6"),
        QStringLiteral("Extended text headers: %1").arg(extended),
        QStringLiteral("Byte order: ") + (littleEndian ? QStringLiteral("Little Endian") : QStringLiteral("Big Endian")),
    };
    QCOMPARE(r.out, expected);
    QCOMPARE(fileChecksum(file), checksum);
}

void TestCommandLine::infoWarningsAndFailure()
{
    // A revision the loader does not know: loaded, with a warning.
    SegyFixture f;
    f.geometry(4, 1, 2000).bin16(3501, 5);
    for (int t = 0; t < 3; ++t)
        f.addTrace(4, 1, [](int i) { return double(i); });
    f.tail(QByteArray(10, '\0'));
    const QString file = path(QStringLiteral("odd.sgy"));
    QVERIFY(f.writeTo(file));
    const QByteArray checksum = fileChecksum(file);
    Result r = runProgram({file, QStringLiteral("info")});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.contains(QStringLiteral("Warning: Unsupported revision number 5 found in file.")),
             qPrintable(r.err.join(QLatin1Char('\n'))));
    for (const QString& line : r.err)
        QVERIFY2(line.startsWith(QLatin1String("Warning: ")), qPrintable(line));
    QCOMPARE(r.out.size(), 8);
    QCOMPARE(r.out.at(2), QStringLiteral("Sample interval: 2 ms"));
    QCOMPARE(r.out.at(4), QStringLiteral("Trace count: 4"));  // the stray bytes read as a fourth trace
    QCOMPARE(fileChecksum(file), checksum);

    // A file that does not load.
    const QString missing = path(QStringLiteral("missing.sgy"));
    r = runProgram({missing, QStringLiteral("info")});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QStringList());
    QVERIFY(!r.err.isEmpty());
    QCOMPARE(r.err.last(), quoted(QStringLiteral("Error: could not open file %1: No such file or directory.").arg(missing)));
    for (int i = 0; i < r.err.size() - 1; ++i)
        QVERIFY2(r.err[i].startsWith(QLatin1String("Warning: ")), qPrintable(r.err[i]));
    QVERIFY(!QFile::exists(missing));
}

// The survey built with the program, as a headless first run shows it.
void TestCommandLine::infoOnBundledSample()
{
    const QString sample = binDir() + QStringLiteral("/sample-line.sgy");
    QVERIFY(QFile::exists(sample));
    const QByteArray checksum = fileChecksum(sample);
    const Result r = runProgram({sample, QStringLiteral("info")});
    QCOMPARE(r.err, QStringList());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.size(), 8);
    QCOMPARE(r.out.at(0), QStringLiteral("File: ") + sample);
    QCOMPARE(r.out.at(1), QStringLiteral("Sample format: 4-byte IBM floating-point"));
    QCOMPARE(r.out.at(4), QStringLiteral("Trace count: 360"));
    QCOMPARE(r.out.at(7), QStringLiteral("Byte order: Big Endian"));
    QCOMPARE(fileChecksum(sample), checksum);
}

void TestCommandLine::infoOnSharedSamples_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("littleEndian");
    QTest::newRow("small") << "small.sgy" << false;
    QTest::newRow("small little-endian") << "small-lsb.sgy" << true;
    QTest::newRow("shot gather") << "shot-gather.sgy" << false;
    QTest::newRow("non-ASCII name") << QString::fromUtf8("小文件.sgy") << false;
    QTest::newRow("delay scalar") << "delay-scalar.sgy" << false;
}

// Files from other software, used in place: counts agree with segyio and
// the file is never written.
void TestCommandLine::infoOnSharedSamples()
{
    QFETCH(QString, name);
    QFETCH(bool, littleEndian);
    const QString file = sharedSample(name);
    if (!QFile::exists(file))
        QSKIP("shared sample not present");
    const QByteArray checksum = fileChecksum(file);
    const Result r = runProgram({file, QStringLiteral("info")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.size(), 8);
    QCOMPARE(r.out.at(0), QStringLiteral("File: ") + file);

    const Oracle o = readWithSegyio(file, {3217, 3221, 3505}, {}, littleEndian);
    QVERIFY2(o.ok, qPrintable(o.error));
    QCOMPARE(r.out.at(2), QStringLiteral("Sample interval: %1 ms").arg(QString::number(o.bin.value(3217) / 1000.0)));
    QCOMPARE(r.out.at(4), QStringLiteral("Trace count: %1").arg(o.traces.size()));
    QCOMPARE(r.out.at(5), QStringLiteral("Samples count: %1").arg(o.bin.value(3221)));
    QCOMPARE(r.out.at(6), QStringLiteral("Extended text headers: %1").arg(o.bin.value(3505)));
    QCOMPARE(r.out.at(7), littleEndian ? QStringLiteral("Byte order: Little Endian") : QStringLiteral("Byte order: Big Endian"));
    QCOMPARE(fileChecksum(file), checksum);
}

void TestCommandLine::jsonOfSharedSamples_data()
{
    // Revision 2 files hold text fields (the extension's header name).
    QTest::addColumn<QString>("name");
    for (const char* name : {"rotated-small-rev2.sgy", "trace-header-extensions.sgy", "mapping-all-types-lsb.sgy"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Every JSON document a command prints parses.
void TestCommandLine::jsonOfSharedSamples()
{
    QFETCH(QString, name);
    for (const char* command : {"info", "dump", "stats"}) {
        const Result r = runProgram({sharedSample(name), QString::fromLatin1(command), QStringLiteral("--json")});
        QCOMPARE(r.status, 0);
        QJsonParseError error;
        QJsonDocument::fromJson(r.rawOut, &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(command + (": " + error.errorString())));
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
