// Loading: byte order, revision, extended headers, trace walk and the
// reports on malformed files; the trace layout as a value; reading trace
// headers as text from a device that fails.

#include "fixture.h"
#include "segy.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Loaded {
    bool ok = false;
    QStringList messages;
    int loadCompleted = 0;
    int errorLoading = 0;
    int ioCompleted = 0;
    QList<int> progress;
};

Loaded loadInto(SEGY& segy, const QByteArray& bytes, QTemporaryDir& dir)
{
    static int serial = 0;
    const QString path = dir.filePath(QStringLiteral("f%1.sgy").arg(++serial));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    Loaded r;
    QObject context;  // drops the connections when this load is done
    QObject::connect(&segy, &SEGY::errorMessage, &context, [&](const QString& m) { r.messages << m; });
    QObject::connect(&segy, &SEGY::loadCompleted, &context, [&] { ++r.loadCompleted; });
    QObject::connect(&segy, &SEGY::errorLoading, &context, [&] { ++r.errorLoading; });
    QObject::connect(&segy, &SEGY::ioOperationCompleted, &context, [&] { ++r.ioCompleted; });
    QObject::connect(&segy, &SEGY::loadProgress, &context, [&](int p) { r.progress << p; });
    segy.setDevice(new QFile(path));
    r.ok = segy.open();
    return r;
}

SegyFixture simple(int traces, int samples = 10, int format = 1,
                   QDataStream::ByteOrder order = QDataStream::BigEndian)
{
    SegyFixture fx(order);
    fx.geometry(samples, format);
    for (int t = 0; t < traces; ++t) {
        fx.addTrace(samples, format, [t](int i) { return t * 100 + i; });
        fx.tr32(t, 1, t + 1);
    }
    return fx;
}

}  // namespace

class TestLoader : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void byteOrderDetection_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("format");
        for (int format : {1, 2, 3, 5, 8}) {
            QTest::newRow(qPrintable(QStringLiteral("big %1").arg(format))) << int(QDataStream::BigEndian) << format;
            QTest::newRow(qPrintable(QStringLiteral("little %1").arg(format))) << int(QDataStream::LittleEndian) << format;
        }
    }
    void byteOrderDetection()
    {
        QFETCH(int, order);
        QFETCH(int, format);
        SegyFixture fx = simple(4, 7, format, QDataStream::ByteOrder(order));
        fx.bin32(3205, 77).tr16(2, 71, -100).tr32(2, 73, -1234567);
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(segy.byteOrder(), order == QDataStream::LittleEndian ? 1 : 0);
        QCOMPARE(segy.traceCount(), 4);
        QCOMPARE(segy.mainHeaderValue(1), 77);
        QCOMPARE(segy.mainHeaderValue(9), format);
        QCOMPARE(segy.traceHeaderValue(2, 20), -100);
        QCOMPARE(segy.traceHeaderValue(2, 21), -1234567);
        QCOMPARE(segy.traceHeaderValue(3, 0), 4);
        QCOMPARE(segy.traceHeaders().at(1)->filePosition, 3600 + 240 + 7 * qint64(fx.encodeSample(format, 0).size()));
        QVERIFY(r.messages.isEmpty());
        QCOMPARE(r.loadCompleted, 1);
        QCOMPARE(r.ioCompleted, 1);
        QCOMPARE(r.progress.size(), 4);
        QCOMPARE(r.progress.last(), 100);
    }

    void revisionWords_data()
    {
        QTest::addColumn<int>("word");
        QTest::addColumn<QString>("message");
        QTest::newRow("0") << 0 << QString();
        QTest::newRow("1") << 1 << QString();
        QTest::newRow("0x0100") << 0x0100 << QString();
        QTest::newRow("2") << 2 << "Unsupported revision number 2 found in file.";
        QTest::newRow("negative") << -2 << "Unsupported revision number -2 found in file.";
    }
    void revisionWords()
    {
        QFETCH(int, word);
        QFETCH(QString, message);
        SegyFixture fx = simple(2);
        fx.bin16(3501, qint16(word));
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(r.messages, message.isEmpty() ? QStringList() : QStringList{message});
    }

    void headersOnlyFails()
    {
        SEGY segy;
        SegyFixture fx = simple(0);
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(!r.ok);
        QCOMPARE(r.messages, (QStringList{"End of file reached before any trace header could be found in file.",
                                          "Error loading segy."}));
        QCOMPARE(r.errorLoading, 1);
        QCOMPARE(r.loadCompleted, 0);
        QCOMPARE(r.ioCompleted, 1);
        QVERIFY(segy.mainHeader());  // what was read stays
    }

    void unopenableDevice()
    {
        SEGY segy;
        QSignalSpy completed(&segy, &SEGY::ioOperationCompleted);
        QSignalSpy failed(&segy, &SEGY::errorLoading);
        QSignalSpy messages(&segy, &SEGY::errorMessage);
        segy.setDevice(new QFile(dir.filePath("does-not-exist.sgy")));
        QVERIFY(!segy.open());
        QCOMPARE(failed.count(), 0);
        QCOMPARE(completed.count(), 1);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("Error loading segy."));
        SEGY noDevice;
        QVERIFY(!noDevice.open());
    }

    void zeroSampleCountUsesBinaryCount()
    {
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(12, 1);
        for (int t = 0; t < 4; ++t)
            fx.addTrace(12, 1, [](int i) { return i; });
        fx.tr16(2, 115, 0);  // trace 3 has no own count
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(r.messages, QStringList{"Invalid samples count at trace index 2."});
        QCOMPARE(segy.traceCount(), 4);
        QCOMPARE(segy.traceHeaders().at(3)->filePosition, 3600 + 3 * (240 + 48));
        QCOMPARE(segy.traceSamplesCount(2), 0);
        QCOMPARE(segy.traceSamplesCount(4), -1);
    }

    void truncatedLastTrace()
    {
        SegyFixture fx = simple(3, 50);
        fx.truncateBy(100);
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(r.messages, QStringList{"The last trace is cut short: 100 bytes missing."});
        QCOMPARE(segy.traceCount(), 3);
    }

    void strayBytesAfterLastTrace()
    {
        SegyFixture fx = simple(3, 20);
        fx.tail(QByteArray(50, '\x01'));
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(segy.traceCount(), 4);
        QCOMPARE(segy.traceHeaderValue(3, 38), 0);        // beyond the 50 bytes
        QCOMPARE(segy.traceHeaderValue(3, 0), 0x01010101);
        // The samples would start at the end of the file: 20 samples of 4 bytes
        // from the binary header are missing.
        QCOMPARE(r.messages, (QStringList{"Invalid samples count at trace index 3.",
                                          QStringLiteral("The last trace is cut short: 80 bytes missing.")}));
        QCOMPARE(r.progress.last(), 100);

        // Without a sample size the stray header is all there is: no junk.
        SegyFixture headersOnly(QDataStream::BigEndian);
        headersOnly.geometry(20, 0);
        headersOnly.addTrace(20);
        headersOnly.tail(QByteArray(50, '\x01'));
        SEGY other;
        Loaded h = loadInto(other, headersOnly.bytes(), dir);
        QVERIFY(h.ok);
        QCOMPARE(other.traceCount(), 2);
        QCOMPARE(h.messages, QStringList{"Invalid samples count at trace index 1."});
    }

    void extendedHeaders_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("expectedBlocks");
        QTest::newRow("unknown count, end stanza in third") << -1 << 3 << 3;
        QTest::newRow("two") << 2 << 2 << 2;
        QTest::newRow("zero") << 0 << 0 << 0;
        QTest::newRow("below -1") << -5 << 0 << 0;
    }
    void extendedHeaders()
    {
        QFETCH(int, count);
        QFETCH(int, blocks);
        QFETCH(int, expectedBlocks);
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(4, 1);
        fx.bin16(3505, qint16(count));
        for (int b = 0; b < blocks; ++b) {
            const QByteArray text = (b == blocks - 1 && count == -1) ? QByteArray("((SEG: EndText))") : QByteArray("((SEG: Layout))");
            fx.extendedBlock(toEbcdicForTest(text));
        }
        for (int t = 0; t < 3; ++t)
            fx.addTrace(4, 1, [](int) { return 1.0; });
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(segy.mainHeader()->extendedTextHeaders.size(), expectedBlocks);
        QCOMPARE(segy.traceCount(), 3);
        QCOMPARE(segy.traceHeaders().at(0)->filePosition, 3600 + 3200 * qint64(expectedBlocks));
    }

    void unknownCountWithoutEndStanzaStopsAtEnd()
    {
        // The run takes the rest of the file, so no trace is left; memory
        // holds only the first blocks of it.
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(4, 1).bin16(3505, -1);
        for (int b = 0; b < 100; ++b)
            fx.extendedBlock(QByteArray(3200, '\x40'));
        fx.tail(QByteArray(1000, '\x40'));
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(!r.ok);
        QCOMPARE(r.messages, (QStringList{"End of file reached before any trace header could be found in file.",
                                          "Error loading segy."}));
        QCOMPARE(segy.mainHeader()->extendedTextHeaders.size(), 64);
    }

    void formatWithoutSampleSize()
    {
        // Format 0 has no sample size: every trace is its header alone.
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(100, 0);
        for (int t = 0; t < 5; ++t) {
            fx.addTrace(100);
            fx.tr32(t, 1, t + 1);
        }
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(segy.traceCount(), 5);
        QCOMPARE(segy.traceHeaderValue(4, 0), 5);
        QCOMPARE(segy.bytesPerSample(), 0);
    }

    void countsAreUnsigned()
    {
        // 0xFFF9 is 65529 samples, not -7: the first trace runs past the end.
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(-5, 1);
        for (int t = 0; t < 3; ++t)
            fx.addTrace(-7);
        SEGY segy;
        Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(segy.traceCount(), 1);
        QCOMPARE(segy.traceSamplesCount(0), 65529);
        QCOMPARE(r.messages, QStringList{QStringLiteral("The last trace is cut short: %1 bytes missing.")
                                             .arg(3600 + 240 + 65529LL * 4 - fx.bytes().size())});
    }

    void shortFiles()
    {
        for (int size : {0, 1, 100, 3199, 3200, 3225, 3599, 3600, 3601}) {
            SegyFixture fx = simple(1);
            QByteArray bytes = fx.bytes().left(size);
            SEGY segy;
            Loaded r = loadInto(segy, bytes, dir);
            QCOMPARE(r.ok, size > 3600);
            QCOMPARE(r.messages.last(), size > 3600 ? QStringLiteral("The last trace is cut short: 40 bytes missing.")
                                                    : QStringLiteral("Error loading segy."));
        }
    }

    void nonFileDevice()
    {
        SegyFixture fx = simple(6, 9, 3, QDataStream::LittleEndian);
        auto* buffer = new QBuffer;
        buffer->setData(fx.bytes());
        SEGY segy(buffer);
        QVERIFY(segy.isLoaded());
        QCOMPARE(segy.traceCount(), 6);
        QCOMPARE(segy.traceHeaderValue(5, 0), 6);
        QCOMPARE(segy.byteOrder(), 1);
    }

    void reloadClearsAndCloseReleases()
    {
        SEGY segy;
        loadInto(segy, simple(3).bytes(), dir);
        QCOMPARE(segy.traceCount(), 3);
        loadInto(segy, simple(5, 10, 1, QDataStream::LittleEndian).bytes(), dir);
        QCOMPARE(segy.traceCount(), 5);
        QCOMPARE(segy.byteOrder(), 1);
        QVERIFY(segy.close());
        QVERIFY(!segy.isLoaded());
        QCOMPARE(segy.traceCount(), 0);
        QVERIFY(!segy.mainHeader());
        QCOMPARE(segy.mainHeaderValue(7), 0);
        QCOMPARE(segy.traceHeaderValue(0, 0), 0);
        QVERIFY(segy.textHeader().isEmpty());
    }

    // Codes later revisions added: the byte order still follows from the
    // code, and the traces keep their length.
    void laterRevisionCodes_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bytes");
        for (const auto& code : {qMakePair(9, 8), qMakePair(10, 4), qMakePair(11, 2), qMakePair(12, 8),
                                 qMakePair(15, 3), qMakePair(16, 1)}) {
            for (int order : {int(QDataStream::BigEndian), int(QDataStream::LittleEndian)})
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(order ? "little" : "big").arg(code.first)))
                    << order << code.first << code.second;
        }
    }
    void laterRevisionCodes()
    {
        QFETCH(int, order);
        QFETCH(int, format);
        QFETCH(int, bytes);
        SegyFixture fx{QDataStream::ByteOrder(order)};
        fx.geometry(7, format);
        for (int t = 0; t < 4; ++t)
            fx.addTrace(7, QByteArray(7 * bytes, '\x11'));
        SEGY segy;
        QVERIFY(loadInto(segy, fx.bytes(), dir).ok);
        QCOMPARE(segy.byteOrder(), order == QDataStream::LittleEndian ? 1 : 0);
        QCOMPARE(segy.mainHeaderValue(9), format);
        QCOMPARE(segy.traceCount(), 4);
        QCOMPARE(segy.traceHeaders().at(3)->filePosition, 3600 + 3 * (240 + 7 * qint64(bytes)));
    }

    void failedReadsFailTheLoad_data()
    {
        QTest::addColumn<qint64>("failFrom");
        QTest::newRow("textual header") << qint64(100);
        QTest::newRow("binary header") << qint64(3300);
        QTest::newRow("a trace header") << qint64(3600 + 2 * 280 + 10);
    }
    void failedReadsFailTheLoad()
    {
        QFETCH(qint64, failFrom);
        auto* device = new FailingDevice(simple(5).bytes(), 0);
        device->failReadsFrom(failFrom);
        SEGY segy;
        segy.setDevice(device);
        QSignalSpy messages(&segy, &SEGY::errorMessage);
        QVERIFY(!segy.open());
        QCOMPARE(segy.traceCount(), 0);
        QCOMPARE(messages.first().at(0).toString(), QStringLiteral("Error reading file."));
        QCOMPARE(messages.last().at(0).toString(), QStringLiteral("Error loading segy."));
    }

    void repeatedWarningsSummarised()
    {
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(10, 1);
        for (int t = 0; t < 25; ++t)
            fx.addTrace(0, QByteArray(40, '\0'));
        SEGY segy;
        const Loaded r = loadInto(segy, fx.bytes(), dir);
        QVERIFY(r.ok);
        QCOMPARE(segy.traceCount(), 25);
        QCOMPARE(r.messages.size(), 11);
        QCOMPARE(r.messages.at(9), QStringLiteral("Invalid samples count at trace index 9."));
        QCOMPARE(r.messages.at(10), QStringLiteral("The same warning was given for 15 more traces."));
    }

    // Edits that would move traces are refused; the rest go through.
    void layoutEdits_data()
    {
        QTest::addColumn<int>("binaryCount");  // 3221-3222 of the file
        QTest::addColumn<int>("firstCount");   // 115-116 of trace 0 (the others hold 10)
        QTest::addColumn<bool>("binary");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("accepted");
        // Counts that walk the file exactly are its layout, even where the
        // binary count would fit: a count that breaks the walk leaves the
        // layout to whatever lies in the samples, so it is refused.
        QTest::newRow("fixed: trace count") << 10 << 10 << false << 38 << 20 << false;
        QTest::newRow("fixed: format of the same size") << 10 << 10 << true << 9 << 5 << true;
        QTest::newRow("fixed: format of another size") << 10 << 10 << true << 9 << 3 << false;
        QTest::newRow("fixed: format without a size") << 10 << 10 << true << 9 << 0 << false;
        QTest::newRow("fixed: format read as the other byte order") << 10 << 10 << true << 9 << 0x0500 << false;
        QTest::newRow("fixed: extended headers") << 10 << 10 << true << 29 << 1 << false;
        QTest::newRow("fixed: extended headers, open run") << 10 << 10 << true << 29 << -1 << false;
        QTest::newRow("fixed: binary count, traces agree") << 10 << 10 << true << 7 << 12 << true;
        // Traces walked by their own counts.
        QTest::newRow("walk: trace count") << 0 << 10 << false << 38 << 20 << false;
        QTest::newRow("walk: trace count unchanged") << 0 << 10 << false << 38 << 10 << true;
        QTest::newRow("walk: trace count to zero") << 0 << 10 << false << 38 << 0 << false;
        QTest::newRow("walk: binary count that fits") << 0 << 10 << true << 7 << 10 << true;
        QTest::newRow("walk: trace leaning on the binary count") << 10 << 0 << true << 7 << 12 << false;
        QTest::newRow("walk: other fields") << 0 << 10 << false << 0 << 99 << true;
    }
    void layoutEdits()
    {
        QFETCH(int, binaryCount);
        QFETCH(int, firstCount);
        QFETCH(bool, binary);
        QFETCH(int, field);
        QFETCH(int, value);
        QFETCH(bool, accepted);
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(binaryCount, 1);
        for (int t = 0; t < 5; ++t)
            fx.addTrace(10, QByteArray(40, '\0'));
        fx.tr16(0, 115, qint16(firstCount));
        SEGY segy;
        QVERIFY(loadInto(segy, fx.bytes(), dir).ok);
        QCOMPARE(segy.traceCount(), 5);
        if (binary) {
            QCOMPARE(segy.mainHeaderEditChangesLayout(field, value), !accepted);
            QCOMPARE(segy.setMainHeaderValue(field, value), accepted);
        } else {
            QCOMPARE(segy.traceHeaderEditChangesLayout(0, field, value), !accepted);
            QCOMPARE(segy.setTraceHeaderValue(0, field, value), accepted);
        }
    }

    void setters()
    {
        SEGY empty;
        QVERIFY(!empty.setMainHeaderValue(7, 1));
        QVERIFY(!empty.setTraceHeaderValue(0, 0, 1));
        QVERIFY(!empty.setTextHeader("C"));

        SEGY segy;
        loadInto(segy, simple(3).bytes(), dir);
        QVERIFY(segy.setMainHeaderValue(7, 1500));
        QCOMPARE(segy.mainHeaderValue(7), 1500);
        QVERIFY(segy.setMainHeaderValue(7, 40000));
        QVERIFY(!segy.setMainHeaderValue(7, 65536));
        QCOMPARE(segy.mainHeaderValue(7), 40000);
        QVERIFY(!segy.setTraceHeaderValue(3, 0, 5));
        QVERIFY(!segy.setTraceHeaderValue(-1, 0, 5));
        QVERIFY(segy.setTraceHeaderValue(0, 71, 123456));
        QCOMPARE(segy.traceHeaderValue(0, 71), 123456);
        QVERIFY(segy.setTextHeader(QByteArray(4000, 'C')));
        QCOMPARE(segy.textHeader().size(), 3200);
        QVERIFY(segy.setTextHeader("C short"));
        QCOMPARE(segy.textHeader(), QByteArray("C short"));
    }

    // The layout computed from header values and a file size alone: traces
    // placed in file order from their own sample counts.
    void layoutValue_data()
    {
        QTest::addColumn<int>("binaryCount");
        QTest::addColumn<int>("format");
        QTest::addColumn<qint64>("fileSize");
        QTest::addColumn<QList<int>>("ownCounts");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<QList<int>>("loadedCounts");
        QTest::addColumn<qint64>("lastTraceEnd");
        QTest::addColumn<bool>("reachedEnd");
        QTest::addColumn<QString>("mismatch");
        const qint64 first = 3600;
        QTest::newRow("fixed: the binary count explains the file")
            << 10 << 1 << first + 3 * 280 << QList<int>{10, 20, 0} << true << QList<int>{10, 10, 10}
            << first + 3 * 280 << true << QString();
        QTest::newRow("walked: own counts")
            << 0 << 1 << first + 280 + 320 + 280 << QList<int>{10, 20, 10} << false << QList<int>{10, 20, 10}
            << first + 880 << true << QString();
        QTest::newRow("walked: no own count takes the binary one")
            << 7 << 1 << first + 280 + 268 + 280 << QList<int>{10, 0, 10} << false << QList<int>{10, 7, 10}
            << first + 828 << true << QString();
        QTest::newRow("left-over bytes")
            << 0 << 1 << first + 3 * 280 + 100 << QList<int>{10, 10, 10} << false << QList<int>{10, 10, 10}
            << first + 3 * 280 << false << QStringLiteral("100 bytes are left over after the last trace.");
        QTest::newRow("cut-short last trace")
            << 0 << 1 << first + 3 * 280 - 30 << QList<int>{10, 10, 10} << false << QList<int>{10, 10, 10}
            << first + 3 * 280 << true << QStringLiteral("The last trace is cut short: 30 bytes missing.");
        // A header cut short: its samples start at the end of the file.
        QTest::newRow("cut-short last header")
            << 20 << 1 << first + 280 + 50 << QList<int>{10, 0} << false << QList<int>{10, 20}
            << first + 330 + 80 << true << QStringLiteral("The last trace is cut short: 80 bytes missing.");
        // A code without a sample size (0 here) makes every trace its header.
        QTest::newRow("header-only format")
            << 100 << 0 << first + 5 * 240 << QList<int>{100, 100, 0, 7, 100} << false
            << QList<int>{100, 100, 100, 7, 100} << first + 5 * 240 << true << QString();
        QTest::newRow("header-only format, stray bytes")
            << 20 << 0 << first + 240 + 50 << QList<int>{20, 0} << false << QList<int>{20, 20}
            << first + 290 << true << QString();
        QTest::newRow("no trace") << 10 << 1 << first << QList<int>{} << false << QList<int>{} << first << true
                                  << QString();
    }
    void layoutValue()
    {
        QFETCH(int, binaryCount);
        QFETCH(int, format);
        QFETCH(qint64, fileSize);
        QFETCH(QList<int>, ownCounts);
        QFETCH(bool, fixed);
        QFETCH(QList<int>, loadedCounts);
        QFETCH(qint64, lastTraceEnd);
        QFETCH(bool, reachedEnd);
        QFETCH(QString, mismatch);
        TraceLayout layout({binaryCount, format, 3600, fileSize});
        QVERIFY(!layout.hasFixedLength());  // a walk first, unless the flag says fixed
        QCOMPARE(layout.fixedLengthFits(), fixed);
        if (fixed)
            layout = layout.fixedInstead();
        QCOMPARE(layout.hasFixedLength(), fixed);
        QList<int> loaded;
        for (int own : ownCounts) {
            QVERIFY(!layout.reachedEnd());
            loaded << layout.addTrace(own);
        }
        QCOMPARE(loaded, loadedCounts);
        QCOMPARE(layout.traceCount(), qint64(ownCounts.size()));
        QCOMPARE(layout.lastTraceEnd(), lastTraceEnd);
        QCOMPARE(layout.reachedEnd(), reachedEnd);
        QCOMPARE(layout.coversFile(), mismatch.isEmpty());
        QCOMPARE(layout.mismatch(), mismatch);
        QCOMPARE(layout.leftOverBytes() - layout.missingBytes(), fileSize - lastTraceEnd);
    }

    // The loader's walk is the layout's: what a load finds is the value.
    void loadedLayout()
    {
        SegyFixture fx = simple(3, 50);
        fx.truncateBy(100);
        SEGY segy;
        QVERIFY(loadInto(segy, fx.bytes(), dir).ok);
        const TraceLayout& layout = segy.layout();
        QCOMPARE(layout.fileSize(), qint64(fx.bytes().size()));
        QCOMPARE(layout.firstTraceOffset(), qint64(3600));
        QCOMPARE(layout.sampleBytes(), 4);
        QVERIFY(!layout.hasFixedLength());
        QCOMPARE(layout.traceCount(), qint64(3));
        QCOMPARE(layout.missingBytes(), qint64(100));
        QCOMPARE(layout.mismatch(), QStringLiteral("The last trace is cut short: 100 bytes missing."));

        loadInto(segy, simple(4, 12).bytes(), dir);
        QVERIFY(!segy.layout().hasFixedLength());  // the walk ends at the end: it is the layout
        QVERIFY(segy.layout().coversFile());
        QVERIFY(segy.layout().isCertain());
        QVERIFY(segy.close());
        QCOMPARE(segy.layout().traceCount(), qint64(0));
    }

    // Trace headers read as text from a device that fails: nothing is
    // stored and the failure is reported; the same text read whole is.
    void textImportFromFailingDevice_data()
    {
        QTest::addColumn<int>("fillerLines");  // lines beyond the traces, to read past the first chunk
        QTest::addColumn<int>("failBeforeEnd");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("in the first line") << 0 << 20 << QStringList();
        QTest::newRow("after the traces' lines")
            << 1200000 << 10 << QStringList{QStringLiteral("Error reading file the text.")};
    }
    void textImportFromFailingDevice()
    {
        QFETCH(int, fillerLines);
        QFETCH(int, failBeforeEnd);
        QFETCH(QStringList, messages);
        SEGY segy;
        QVERIFY(loadInto(segy, simple(3).bytes(), dir).ok);
        QByteArray text = "1-4,189-192,\r\n11,21,\r\n12,22,\r\n13,23,\r\n";
        text += QByteArray("1,2,\r\n").repeated(fillerLines);
        const QList<int> before{segy.traceHeaderValue(0, 0), segy.traceHeaderValue(1, 0), segy.traceHeaderValue(2, 0)};

        FailingDevice failing(text, 0);
        failing.failReadsFrom(text.size() - failBeforeEnd);
        QVERIFY(failing.open(QIODevice::ReadOnly));
        QSignalSpy reported(&segy, &SEGY::errorMessage);
        QSignalSpy edits(&segy, &SEGY::editStarted);
        const TraceTextResult failed = segy.importTraceHeaders(&failing, QStringLiteral(","), QStringLiteral("the text"));
        QVERIFY(!failed.ok);
        QVERIFY(!failed.error.isEmpty());
        QCOMPARE(failed.messages, messages);
        QCOMPARE(reported.count(), messages.size());
        QCOMPARE(failed.applied.changedValues, qint64(0));
        QCOMPARE(edits.count(), 0);
        QCOMPARE((QList<int>{segy.traceHeaderValue(0, 0), segy.traceHeaderValue(1, 0), segy.traceHeaderValue(2, 0)}),
                 before);
        QCOMPARE(segy.traceHeaderValue(2, fieldIndex(TraceField::Inline)), 0);
        QVERIFY(!segy.isModified());

        QBuffer whole;
        whole.setData(text);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QSignalSpy modified(&segy, &SEGY::modifiedChanged);
        const TraceTextResult read = segy.importTraceHeaders(&whole, QStringLiteral(","));
        QVERIFY(read.ok);
        QCOMPARE(read.rows, qint64(3));
        QCOMPARE(read.applied.changedTraces, qint64(3));
        QCOMPARE(read.applied.changedValues, qint64(6));
        QCOMPARE(segy.traceHeaderValue(2, fieldIndex(TraceField::Inline)), 23);
        QVERIFY(segy.isModified());
        QCOMPARE(modified.count(), 1);
    }

private:
    static QByteArray toEbcdicForTest(const QByteArray& ascii);
};

QByteArray TestLoader::toEbcdicForTest(const QByteArray& ascii)
{
    // Only the characters the stanzas use.
    QByteArray out;
    for (char c : ascii) {
        switch (c) {
        case '(': out += '\x4D'; break;
        case ')': out += '\x5D'; break;
        case ':': out += '\x7A'; break;
        case ' ': out += '\x40'; break;
        default:
            if (c >= 'A' && c <= 'I') out += char(0xC1 + (c - 'A'));
            else if (c >= 'J' && c <= 'R') out += char(0xD1 + (c - 'J'));
            else if (c >= 'S' && c <= 'Z') out += char(0xE2 + (c - 'S'));
            else if (c >= 'a' && c <= 'i') out += char(0x81 + (c - 'a'));
            else if (c >= 'j' && c <= 'r') out += char(0x91 + (c - 'j'));
            else if (c >= 's' && c <= 'z') out += char(0xA2 + (c - 's'));
            else out += '\x40';
        }
    }
    return out;
}

QTEST_GUILESS_MAIN(TestLoader)
#include "tst_loader.moc"
