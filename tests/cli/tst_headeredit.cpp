// The header edit operation both front ends use: values computed for every
// trace before anything is stored, binary and trace values stored together
// or not at all, the layout checked on the result of all of them.

#include "clitest.h"
#include "fixture.h"
#include "headeredit.h"
#include "headerfields.h"
#include "segy.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Traces = 3;

// Three traces of 30 four-byte samples. A binary count of 120 samples does
// not explain the file's size, so the traces would then be walked by their
// own counts.
SegyFixture threeTraces(int binaryCount)
{
    SegyFixture f;
    f.geometry(binaryCount, 1);
    for (int t = 0; t < Traces; ++t) {
        f.addTrace(30, 1, [](int i) { return double(i); });
        f.tr32(t, 189, 100 + t);
    }
    return f;
}

}  // namespace

class TestHeaderEdit : public QObject
{
    Q_OBJECT

private slots:
    void apply_data();
    void apply();
    void commandLine_data();
    void commandLine();
};

void TestHeaderEdit::apply_data()
{
    QTest::addColumn<int>("binaryCount");
    QTest::addColumn<int>("end");            // traces 0 to end - 1 are edited
    QTest::addColumn<QStringList>("edits");  // "b:BYTE=VALUE" or "t:BYTE=TEXT"
    QTest::addColumn<int>("failure");        // HeaderEdit::Failure
    QTest::addColumn<int>("trace");          // failing trace
    QTest::addColumn<QStringList>("layoutFields");

    const int none = int(HeaderEdit::Failure::None);
    const int layout = int(HeaderEdit::Failure::Layout);
    QTest::newRow("binary count alone") << 30 << Traces << QStringList{"b:3221=120"} << none << -1 << QStringList();
    QTest::newRow("trace counts 0 alone") << 30 << Traces << QStringList{"t:115=0"} << none << -1 << QStringList();
    QTest::newRow("binary and trace counts together")
        << 30 << Traces << QStringList{"b:3221=120", "t:115=0"} << layout << -1 << QStringList{"3221-3222", "115-116"};
    QTest::newRow("trace count alone moves traces")
        << 7 << Traces << QStringList{"t:115=31"} << layout << -1 << QStringList{"115-116"};
    QTest::newRow("computed values, a later trace fails")
        << 30 << Traces << QStringList{"t:189=1", "t:193=10 / (1 - i)"} << int(HeaderEdit::Failure::DivisionByZero) << 1
        << QStringList();
    QTest::newRow("out of range at the last trace")
        << 30 << Traces << QStringList{"b:3217=2000", "t:29=32766 + i"} << int(HeaderEdit::Failure::OutOfRange) << 2
        << QStringList();
    QTest::newRow("no such trace") << 30 << Traces + 2 << QStringList{"b:3217=2000", "t:189=i"}
                                   << int(HeaderEdit::Failure::Refused) << Traces << QStringList();
    QTest::newRow("values read before any is stored")
        << 30 << Traces << QStringList{"t:189=[193]", "t:193=[189]"} << none << -1 << QStringList();
}

void TestHeaderEdit::apply()
{
    QFETCH(int, binaryCount);
    QFETCH(int, end);
    QFETCH(QStringList, edits);
    QFETCH(int, failure);
    QFETCH(int, trace);
    QFETCH(QStringList, layoutFields);
    const int none = int(HeaderEdit::Failure::None);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("three.sgy"));
    QVERIFY(threeTraces(binaryCount).writeTo(path));
    SEGY segy;
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    QCOMPARE(segy.traceCount(), Traces);

    HeaderEdit edit;
    for (const QString& e : edits) {
        const QStringList parts = e.mid(2).split(QLatin1Char('='));
        const HeaderEdit::Result set = e.startsWith(QLatin1Char('b'))
                                           ? edit.setBinaryValue(binaryHeaderFieldIndex(parts.at(0)), parts.at(1))
                                           : edit.setTraceExpression(traceHeaderFieldIndex(parts.at(0)), parts.at(1));
        QVERIFY(set.ok());
    }
    const QByteArray binaryBefore = QByteArray::number(segy.mainHeaderValue(fieldIndex(BinaryField::SampleInterval)));
    int changed = 0;
    QObject::connect(&segy, &SEGY::headersChanged, [&changed](const ApplyResult&) { ++changed; });
    const HeaderEdit::Result result = edit.apply(segy, traceRange(0, end));

    QCOMPARE(int(result.failure), failure);
    QCOMPARE(result.trace, trace);
    QCOMPARE(result.layoutFields, layoutFields);
    QCOMPARE(changed, failure == none ? 1 : 0);
    if (failure != none) {
        // Nothing at all was stored.
        QCOMPARE(QByteArray::number(segy.mainHeaderValue(fieldIndex(BinaryField::SampleInterval))), binaryBefore);
        QCOMPARE(segy.mainHeaderValue(fieldIndex(BinaryField::SampleCount)), binaryCount);
        for (int t = 0; t < Traces; ++t) {
            QCOMPARE(segy.traceHeaderValue(t, fieldIndex(TraceField::Inline)), 100 + t);
            QCOMPARE(segy.traceHeaderValue(t, fieldIndex(TraceField::SampleCount)), 30);
            QCOMPARE(segy.traceHeaderValue(t, fieldIndex(TraceField::TraceId)), 0);
        }
    } else if (edits.contains(QStringLiteral("t:189=[193]"))) {
        for (int t = 0; t < Traces; ++t) {
            QCOMPARE(segy.traceHeaderValue(t, fieldIndex(TraceField::Inline)), 0);
            QCOMPARE(segy.traceHeaderValue(t, fieldIndex(TraceField::Crossline)), 100 + t);
        }
    }
    segy.close();
}

// The edit command stores its binary and trace values in that one step: a
// pair that moves the traces only together is refused, and the file keeps
// its bytes.
void TestHeaderEdit::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("together") << QStringList{"-b", "3221=120", "-t", "115=0"}
                              << QStringList{"Error: 3221-3222, 115-116 would change the layout of the file."};
    QTest::newRow("trace counts alone") << QStringList{"-t", "115=0", "-b", "3217=2000"} << QStringList();
}

void TestHeaderEdit::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, errors);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("three.sgy"));
    QVERIFY(threeTraces(30).writeTo(path));
    const QByteArray before = threeTraces(30).bytes();
    const Result r = runProgram(QStringList{path, QStringLiteral("edit")} + arguments);
    QCOMPARE(r.err, quotedAll(errors));
    QCOMPARE(r.status, errors.isEmpty() ? 0 : 1);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll() == before, !errors.isEmpty());
}

QTEST_GUILESS_MAIN(TestHeaderEdit)
#include "tst_headeredit.moc"
