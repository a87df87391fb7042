// What an in-place edit refuses, end to end: files whose layout the load
// cannot account for byte by byte, and outputs that are the input. Nothing
// is written then.
#include "clitest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<int> differences(const QByteArray& a, const QByteArray& b)
{
    QList<int> at;
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            at << i;
    return at;
}

}  // namespace

class TestRefusals : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void uncertainLayouts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        SegyFixture offsetInside;
        offsetInside.revision2(0).geometry(4, 1).bin64(3521, 100);
        offsetInside.addTrace(4, QByteArray(16, '\x11'));
        QTest::newRow("first trace offset inside the headers")
            << offsetInside.bytes() << "the first trace offset 100 (3521-3528) lies inside the headers or beyond the end of the file";
        QTest::newRow("last trace cut short") << readAll(sharedSample("broken.sgy"))
                                              << "the last trace is cut short: 16 bytes missing";
        SegyFixture unknownFormat;
        unknownFormat.geometry(4, 0);
        for (int t = 0; t < 3; ++t)
            unknownFormat.addTrace(4, QByteArray(16, '\x11'));
        QTest::newRow("format 0") << unknownFormat.bytes() << "format code 0 has no known sample size";
        SegyFixture noSamples;
        noSamples.geometry(0, 1);
        for (int t = 0; t < 3; ++t)
            noSamples.addTrace(0);
        QTest::newRow("no sample count anywhere")
            << noSamples.bytes() << "trace 0 has a sample count of 0 in its header and in the binary header";
    }
    void uncertainLayouts()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = m_dir.filePath(QStringLiteral("%1.sgy").arg(QTest::currentDataTag()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        const Result r = runProgram({path, "edit", "-t", "189=5"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.last(), quoted(QStringLiteral("Error: the trace layout of %1 is not certain (%2); saving in "
                                                     "place could write into sample data. Save as a new file instead.")
                                          .arg(path, reason)));
        QCOMPARE(readAll(path), bytes);
        // A new file can still be written.
        QCOMPARE(runProgram({path, "edit", "-t", "189=5", "--saveas", path + ".new"}).status, 0);
        QCOMPARE(readAll(path), bytes);
    }

    // Layouts read right write only the edited bytes: 8-byte samples of
    // format 6, and traces of their own lengths that walk the file exactly
    // although the binary header's count would also fit it.
    void editsLandInTheirHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("headers");
        QByteArray format6 = readAll(sharedSample("multiformats/Format6msb.sgy"));
        QList<int> every;
        for (int t = 0; t < 414; ++t)
            every << 3600 + t * (240 + 75 * 8);
        QTest::newRow("format 6") << format6 << every;
        QList<int> extended;
        for (int t = 0; t < 25; ++t)
            extended << 3600 + t * (2 * 240 + 50 * 4);
        QTest::newRow("revision 2 trace header extensions") << readAll(sharedSample("rotated-small-rev2.sgy")) << extended;
        SegyFixture walked;
        walked.geometry(10, 1);  // 2 traces of 10 samples would fit too
        walked.addTrace(5, QByteArray(20, '\x22'));
        walked.addTrace(15, QByteArray(60, '\x33'));
        QTest::newRow("walk beats a fitting fixed length") << walked.bytes() << QList<int>{3600, 3600 + 260};
    }
    void editsLandInTheirHeaders()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, headers);
        const QString path = m_dir.filePath("edited.sgy");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
        f.close();
        const Result r = runProgram({path, "edit", "-t", "189=-1"});
        QCOMPARE(r.status, 0);
        QList<int> expected;
        for (int at : headers)
            for (int k = 188; k < 192; ++k)
                if (bytes[at + k] != '\xff')
                    expected << at + k;
        QCOMPARE(differences(bytes, readAll(path)), expected);
    }

    // An output that is the SEG-Y file itself, by any path, is refused.
    void exportOntoTheInput_data()
    {
        QTest::addColumn<QString>("output");
        QTest::newRow("same path") << "survey.sgy";
        QTest::newRow("through ./") << "./survey.sgy";
        QTest::newRow("through a link") << "link.sgy";
    }
    void exportOntoTheInput()
    {
        QFETCH(QString, output);
        QDir dir(m_dir.path());
        const QString survey = dir.filePath("survey.sgy");
        QVERIFY(surveyFixture().writeTo(survey));
        QFile::link(survey, dir.filePath("link.sgy"));
        const QByteArray before = readAll(survey);
        const Result r = runProgram({survey, "export-headers", "--ascii-out", output, "--delim", ","}, executable(),
                                    m_dir.path());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.join('\n').contains("is the SEG-Y file being read; nothing was written."), qPrintable(r.err.join('\n')));
        QCOMPARE(readAll(survey), before);
    }
};

QTEST_GUILESS_MAIN(TestRefusals)
#include "tst_refusals.moc"
