// Reading a file as the user says where its binary header is wrong: the
// file's bytes never change for it, an edit in place writes only its field,
// and a save as writes the given format.

#include "clitest.h"
#include "fixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestReadingOverrides : public QObject
{
    Q_OBJECT

private slots:
    void wrongHeader_data();
    void wrongHeader();
    void refusedValues();
};

void TestReadingOverrides::wrongHeader_data()
{
    QTest::addColumn<bool>("little");
    QTest::addColumn<int>("storedFormat");  // what 3225-3226 says; the samples are IEEE floats
    QTest::addColumn<QStringList>("overrides");
    QTest::addColumn<QString>("formatText");

    // 99 read big-endian is above 16: the file would be taken for little-endian.
    QTest::newRow("unknown format code")
        << false << 99 << QStringList{"--byte-order", "big", "--format", "5"} << "IEEE floating point";
    QTest::newRow("format of another size") << false << 3 << QStringList{"--format", "5"} << "IEEE floating point";
    QTest::newRow("little-endian without a format")
        << true << 0 << QStringList{"--byte-order", "little", "--format", "5"} << "IEEE floating point";
}

void TestReadingOverrides::wrongHeader()
{
    QFETCH(bool, little);
    QFETCH(int, storedFormat);
    QFETCH(QStringList, overrides);
    QFETCH(QString, formatText);
    SegyFixture f(little ? QDataStream::LittleEndian : QDataStream::BigEndian);
    f.geometry(8, storedFormat);
    for (int t = 0; t < 3; ++t) {
        f.addTrace(8, 5, [](int i) { return i * 0.5; });
        f.tr32(t, 189, 100 + t);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("wrong.sgy");
    QVERIFY(f.writeTo(path));
    const QByteArray original = fileContents(path);

    Result r = runProgram(QStringList{path, "info"} + overrides);
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains("Trace count: 3"));
    QVERIFY(r.out.contains("Sample format: " + formatText));
    r = runProgram(QStringList{path, "dump", "--fields", "189"} + overrides);
    QCOMPARE(r.out, QStringList({"trace\t189-192", "0\t100", "1\t101", "2\t102"}));
    QCOMPARE(fileContents(path), original);

    // In place: the edited field's bytes only; the stored format stays.
    QCOMPARE(runProgram(QStringList{path, "edit", "-t", "189=7", "--interval", "1-2"} + overrides).status, 0);
    QByteArray expected = original;
    const QByteArray seven = little ? QByteArray("\x07\0\0\0", 4) : QByteArray("\0\0\0\x07", 4);
    expected.replace(3600 + (240 + 32) + 188, 4, seven);
    QCOMPARE(fileContents(path), expected);

    // Save as writes the format the file was read with.
    const QString copy = dir.filePath("copy.sgy");
    QCOMPARE(runProgram(QStringList{path, "edit", "-t", "189=8", "--saveas", copy} + overrides).status, 0);
    r = runProgram({copy, "info"});
    QVERIFY2(r.out.contains("Trace count: 3"), qPrintable(r.out.join('\n')));
    QVERIFY(r.out.contains("Sample format: " + formatText));
}

void TestReadingOverrides::refusedValues()
{
    for (const QStringList& option : {QStringList{"--byte-order", "middle"}, QStringList{"--format", "4x"},
                                      QStringList{"--format", "13"}, QStringList{"--text-encoding", "utf8"}}) {
        const Result r = runProgram(QStringList{"missing.sgy", "info"} + option);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.join('\n').contains(option.last()), qPrintable(r.err.join('\n')));
    }
    // The textual header read as the user says.
    QTemporaryDir dir;
    const QString path = dir.filePath("text.sgy");
    QVERIFY(surveyFixture().writeTo(path));
    QCOMPARE(runProgram({path, "dump", "--text"}).out.first().left(15), QString("C 1 TEST SURVEY"));
    QVERIFY(runProgram({path, "dump", "--text", "--text-encoding", "ascii"}).out.first() != "C 1 TEST SURVEY");
}

QTEST_GUILESS_MAIN(TestReadingOverrides)
#include "tst_readingoverrides.moc"
