// One command run on many files: each file's output in the order given,
// one failing file not stopping the others, and the exit status and summary
// that say so.

#include "clitest.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

class TestManyFiles : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
};

void TestManyFiles::run_data()
{
    // Arguments name files by letter: a, b and c are surveys, e is empty; L
    // is a file list naming a, e and c.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("heads");  // what the line starting each file's output holds, in order
    QTest::addColumn<QString>("lastError");

    QTest::newRow("files before the command") << QStringList{"a", "b", "info"} << 0
                                             << QStringList{"==> a <==", "==> b <=="} << QString();
    QTest::newRow("a list, one file failing, one at a time")
        << QStringList{"info", "--files", "L", "-j", "1"} << 1 << QStringList{"==> a <==", "==> e <==", "==> c <=="}
        << "Error: 1 of 3 files failed.";
    QTest::newRow("JSON lines of a command with JSON")
        << QStringList{"a", "e", "c", "info", "--json"} << 1
        << QStringList{R"({"ok":true,"path":"a","result":{)", R"(could not open file e: the file is empty.\""],"ok":false,"path":"e"})",
                       R"({"ok":true,"path":"c","result":{)"}
        << "Error: 1 of 3 files failed.";
    QTest::newRow("JSON lines of a command without") << QStringList{"a", "b", "edit", "-t", "189=5", "--json"} << 0
                                                    << QStringList{R"({"ok":true,"path":"a"})", R"({"ok":true,"path":"b"})"}
                                                    << QString();
    QTest::newRow("no command") << QStringList{"--files", "L"} << 1 << QStringList()
                                << "Error: no command given for the files (one of ";
    QTest::newRow("one output for many") << QStringList{"a", "b", "edit", "-t", "9=1", "--saveas", "out"} << 1
                                         << QStringList() << "Error: --saveas names one output file";
    QTest::newRow("no jobs") << QStringList{"a", "b", "info", "-j0"} << 1 << QStringList()
                             << "Error: 0 is not a valid number of jobs.";
}

void TestManyFiles::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, heads);
    QFETCH(QString, lastError);

    QTemporaryDir dir;
    for (const char* name : {"a", "b", "c"})
        QVERIFY(surveyFixture().writeTo(dir.filePath(name)));
    QFile empty(dir.filePath("e")), list(dir.filePath("L"));
    QVERIFY(empty.open(QIODevice::WriteOnly) && list.open(QIODevice::WriteOnly));
    list.write("a\r\n\ne\nc\n");
    list.close();

    const Result result = runProgram(arguments, executable(), dir.path());
    QCOMPARE(result.status, status);
    QStringList starts;
    for (const QString& line : result.out)
        if (line.startsWith("==>") || line.startsWith('{'))
            starts.append(line);
    QCOMPARE(starts.size(), heads.size());
    for (int i = 0; i < heads.size(); ++i)
        QVERIFY2(starts.at(i).contains(heads.at(i)), qPrintable(starts.at(i)));
    for (const QString& line : result.out)
        if (line.startsWith('{'))
            QVERIFY(QJsonDocument::fromJson(line.toUtf8()).isObject());
    if (lastError.isEmpty())
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err.join('\n')));
    else
        QVERIFY2(result.err.last().startsWith(quoted(lastError).chopped(1)), qPrintable(result.err.join('\n')));
    if (arguments.contains("-j"))  // a failing file's messages name it
        QVERIFY(result.err.contains("e: " + quoted("Error: could not open file e: the file is empty.")));
    if (arguments.contains("189=5"))
        QCOMPARE(readWithSegyio(dir.filePath("b"), {}, {189}).traces.value(3).value(189), 5);
}

QTEST_GUILESS_MAIN(TestManyFiles)
#include "tst_manyfiles.moc"
