// The file model against independent readers: segyio (through a small
// Python script) for header values and samples, and a plain re-reading of
// the layout rules for what every shared sample file must load as.
//
// segyio 1.8.3 returns every 2-byte field sign-extended, as we do, so values
// are compared exactly, with two quirks of that version taken into account:
// it reads trace bytes 61-64 (water depth at source) as a 2-byte field at
// 61-62, and in little-endian files it does not swap the bytes of the two
// unassigned fields at 233 and 237. segyioReadsFieldsAsExpected pins all of
// this down on a file with every field at its extremes, so a changed oracle
// shows as its own failure rather than as a model fault.
// segyio assumes every trace as long as the binary header says and puts the
// first trace after 3200 x (extended header count) bytes even for a count
// of -1; our loader follows each trace's own sample count and the end
// stanza. Traces are therefore paired by file offset, and where both
// layouts agree every trace must pair.

#include "fixture.h"
#include "headerfields.h"
#include "referenceload.h"
#include "segy.h"
#include "segyiooracle.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

QStringList sampleFiles()
{
    QStringList files;
    QDirIterator it(sharedSamplesDir(), {QStringLiteral("*.sgy"), QStringLiteral("*.segy"), QStringLiteral("*.su")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(sharedSamplesDir()).relativeFilePath(it.next());
    files.sort();
    return files;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QVector<qint64> positionsOf(const SEGY& segy)
{
    QVector<qint64> positions;
    for (const SEGYTraceHeader* header : segy.traceHeaders())
        positions << header->filePosition;
    return positions;
}

// What segyio 1.8.3 reports for a trace field that we hold as value.
qint32 segyioView(int startByte, qint32 value, bool littleEndian)
{
    if (startByte == 61)
        return littleEndian ? qint16(quint32(value) & 0xFFFF) : qint16(quint32(value) >> 16);
    if (littleEndian && (startByte == 233 || startByte == 237))
        return qint32(qbswap(quint32(value)));
    if (startByte == 115)  // sample counts are unsigned to us, signed to segyio
        return qint16(value);
    return value;
}

// Compares every binary field and every trace whose offset segyio shares
// with us; returns the number of traces compared.
int compareWithSegyio(const SEGY& segy, const QJsonObject& oracle, QString* mismatch)
{
    const bool le = segy.byteOrder() == 1;
    const QJsonObject binary = oracle.value(QStringLiteral("binary")).toObject();
    for (int i = 0; i < BinaryHeaderFieldCount; ++i) {
        const QString key = QString::number(binaryHeaderStartBytes().at(i));
        const int startByte = binaryHeaderStartBytes().at(i);
        const qint32 ours = (startByte == 3221 || startByte == 3223) ? qint16(segy.mainHeaderValue(i)) : segy.mainHeaderValue(i);
        if (!binary.contains(key) || binary.value(key).toInt() != ours) {
            *mismatch = QStringLiteral("binary field %1 (%2): ours %3, segyio %4")
                            .arg(i).arg(binaryHeaderLabels().at(i)).arg(segy.mainHeaderValue(i))
                            .arg(binary.value(key).toVariant().toString());
            return -1;
        }
    }
    QHash<qint64, int> ours;
    const QVector<qint64> positions = positionsOf(segy);
    for (int t = 0; t < positions.size(); ++t)
        ours.insert(positions[t], t);
    int compared = 0;
    const QJsonArray traces = oracle.value(QStringLiteral("traces")).toArray();
    for (int s = 0; s < traces.size(); ++s) {
        const QJsonObject trace = traces[s].toObject();
        const auto at = ours.constFind(qint64(trace.value(QStringLiteral("offset")).toDouble()));
        if (at == ours.constEnd())
            continue;
        const QJsonObject fields = trace.value(QStringLiteral("fields")).toObject();
        for (int i = 0; i < TraceHeaderFieldCount; ++i) {
            const QString key = QString::number(traceHeaderStartBytes().at(i));
            const qint32 expected = segyioView(traceHeaderStartBytes().at(i), segy.traceHeaderValue(*at, i), le);
            if (!fields.contains(key) || fields.value(key).toInt() != expected) {
                *mismatch = QStringLiteral("trace %1 field %2 (%3): ours %4, segyio %5")
                                .arg(*at).arg(i).arg(traceHeaderLabels().at(i))
                                .arg(segy.traceHeaderValue(*at, i))
                                .arg(fields.value(key).toVariant().toString());
                return -1;
            }
        }
        ++compared;
    }
    return compared;
}

// True when segyio's fixed-length layout puts its traces exactly where ours are.
bool sameLayout(const SEGY& segy, const QJsonObject& oracle)
{
    const QVector<qint64> positions = positionsOf(segy);
    const qint64 first = qint64(oracle.value(QStringLiteral("firstTrace")).toDouble());
    const qint64 step = qint64(oracle.value(QStringLiteral("traceBytes")).toDouble());
    if (positions.size() != oracle.value(QStringLiteral("tracecount")).toInt())
        return false;
    for (int t = 0; t < positions.size(); ++t) {
        if (positions[t] != first + t * step)
            return false;
    }
    return true;
}

QStringList digestsOf(const QJsonObject& oracle)
{
    QStringList digests;
    for (const QJsonValue& v : oracle.value(QStringLiteral("traces")).toArray())
        digests << v.toObject().value(QStringLiteral("digest")).toString();
    return digests;
}

}  // namespace

class TestOracle : public QObject
{
    Q_OBJECT

private slots:
    void samplesLoadAsTheLayoutSays_data();
    void samplesLoadAsTheLayoutSays();
    void namedSamples();
    void headersMatchSegyio_data();
    void headersMatchSegyio();
    void inPlaceEditOfFieldFiles_data();
    void inPlaceEditOfFieldFiles();
    void segyioReadsFieldsAsExpected_data();
    void segyioReadsFieldsAsExpected();
    void savesReadBackInSegyio_data();
    void savesReadBackInSegyio();
    void savedFormatFiveKeepsEveryBitPattern_data();
    void savedFormatFiveKeepsEveryBitPattern();
};

void TestOracle::samplesLoadAsTheLayoutSays_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files = sampleFiles();
    QVERIFY2(files.size() >= 70, qPrintable(sharedSamplesDir()));
    for (const QString& name : files)
        QTest::newRow(qPrintable(name)) << name;
}

// Every shared sample loads (or fails) with exactly the messages, trace
// positions and signals the layout rules give, through a mapped file and
// through a plain in-memory device alike.
void TestOracle::samplesLoadAsTheLayoutSays()
{
    QFETCH(QString, name);
    const QByteArray bytes = readAll(sharedSample(name));
    QVERIFY(!bytes.isEmpty());
    const ReferenceLoad expected = referenceLoad(bytes);

    for (const bool mapped : {true, false}) {
        SEGY segy;
        if (mapped) {
            segy.setDevice(new QFile(sharedSample(name)));
        } else {
            auto* buffer = new QBuffer;
            buffer->setData(bytes);
            segy.setDevice(buffer);
        }
        const ObservedLoad observed = observeLoad(segy);
        QCOMPARE(observed.ok, expected.ok);
        QCOMPARE(observed.messages, expected.messages);
        QCOMPARE(segy.byteOrder(), expected.littleEndian ? 1 : 0);
        // A run that never ends keeps only some of its blocks in memory.
        if (expected.unendedRun)
            QVERIFY(segy.mainHeader()->extendedTextHeaders.size() <= expected.extendedBlocks);
        else
            QCOMPARE(segy.mainHeader()->extendedTextHeaders.size(), expected.extendedBlocks);
        QCOMPARE(positionsOf(segy), expected.positions);
        QCOMPARE(observed.completed, expected.ok ? 1 : 0);
        QCOMPARE(observed.failed, expected.ok ? 0 : 1);
        QCOMPARE(observed.finished, 1);
        QCOMPARE(observed.progress, expected.progress);
        QVERIFY(!segy.currentDevice()->isOpen());
    }
}

// The few samples whose outcome is worth stating outright.
void TestOracle::namedSamples()
{
    {
        SEGY segy;
        segy.setDevice(new QFile(sharedSample(QStringLiteral("text.sgy"))));
        const ObservedLoad o = observeLoad(segy);
        QVERIFY(!o.ok);
        QCOMPARE(o.messages, QStringList({QStringLiteral("End of file reached before any trace header could be found in file."),
                                          QStringLiteral("Error loading segy.")}));
        QCOMPARE(segy.traceCount(), 0);
        QVERIFY(segy.mainHeader());
    }
    {
        // 60000 samples: counts are unsigned, so the traces keep their length.
        SEGY segy;
        segy.setDevice(new QFile(sharedSample(QStringLiteral("long.sgy"))));
        const ObservedLoad o = observeLoad(segy);
        QVERIFY(o.ok);
        QCOMPARE(segy.samplesPerTrace(), 60000);
        QVERIFY(segy.hasFixedTraceLength());
        const qint64 traceBytes = 240 + 60000 * qint64(segy.bytesPerSample());
        QCOMPARE(qint64(segy.traceCount()), (QFileInfo(sharedSample(QStringLiteral("long.sgy"))).size() - 3600) / traceBytes);
        QCOMPARE(segy.traceHeaders().at(1)->filePosition, qint64(3600) + traceBytes);
        QCOMPARE(o.messages.first(), QStringLiteral("Invalid samples count at trace index 0."));
    }
    {
        // Two extended blocks, 4-sample traces, a cut last trace.
        SEGY segy;
        segy.setDevice(new QFile(sharedSample(QStringLiteral("broken.sgy"))));
        const ObservedLoad o = observeLoad(segy);
        QVERIFY(o.ok);
        QCOMPARE(segy.mainHeader()->extendedTextHeaders.size(), 2);
        QCOMPARE(segy.traceHeaders().first()->filePosition, qint64(10000));
        QVERIFY(!o.messages.isEmpty());
        QVERIFY2(o.messages.last().endsWith(QStringLiteral(" bytes missing.")),
                 qPrintable(o.messages.join('|')));
    }
    {
        // Count -1 with the end stanza written in ASCII: it ends the run all
        // the same, and the traces after it load.
        SEGY segy;
        segy.setDevice(new QFile(sharedSample(QStringLiteral("stanzas-unknown-count.sgy"))));
        const ObservedLoad o = observeLoad(segy);
        QVERIFY(o.ok);
        QCOMPARE(segy.mainHeaderValue(29), -1);
        QCOMPARE(segy.mainHeader()->extendedTextHeaders.size(), 3);
        QCOMPARE(segy.traceHeaders().first()->filePosition, qint64(3600 + 3 * 3200));
        QCOMPARE(segy.traceCount(), 6);  // their own counts are 0
        QCOMPARE(o.messages.last(), QStringLiteral("Invalid samples count at trace index 5."));
    }
    {
        // The known count of the same stanzas reads exactly three blocks.
        SEGY segy;
        segy.setDevice(new QFile(sharedSample(QStringLiteral("stanzas-known-count.sgy"))));
        const ObservedLoad o = observeLoad(segy);
        QVERIFY(o.ok);
        QCOMPARE(segy.mainHeader()->extendedTextHeaders.size(), 3);
        QCOMPARE(segy.traceHeaders().first()->filePosition, qint64(3600 + 3 * 3200));
        QCOMPARE(segy.traceCount(), 6);
    }
}

void TestOracle::headersMatchSegyio_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : sampleFiles()) {
        if (!name.endsWith(QLatin1String(".su")))
            QTest::newRow(qPrintable(name)) << name;
    }
}

void TestOracle::headersMatchSegyio()
{
    QFETCH(QString, name);
    SEGY segy;
    segy.setDevice(new QFile(sharedSample(name)));
    if (!segy.open())
        QSKIP("the model refuses this file (checked against the layout rules above)");
    const QJsonObject oracle = segyioDump(sharedSample(name), segy.byteOrder() == 1);
    if (!oracle.value(QStringLiteral("ok")).toBool())
        QSKIP(qPrintable(QStringLiteral("segyio refuses it: ") + oracle.value(QStringLiteral("error")).toString()));

    QString mismatch;
    const int compared = compareWithSegyio(segy, oracle, &mismatch);
    QVERIFY2(compared >= 0, qPrintable(mismatch));
    if (sameLayout(segy, oracle))
        QCOMPARE(compared, segy.traceCount());
    else
        QVERIFY2(compared >= 1, "segyio and the model share no trace offset");
}

void TestOracle::inPlaceEditOfFieldFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("traces");   // as segyio reads them
    QTest::addColumn<int>("samples");  // the binary header's count
    QTest::newRow("f3.sgy") << "f3.sgy" << 414 << 75;
    QTest::newRow("viking_small.segy") << "viking_small.segy" << -1 << 600;
}

// Files whose trace headers give another count than the binary header, which
// explains the file: an in-place edit changes the edited bytes and nothing
// else, and segyio still reads the file.
void TestOracle::inPlaceEditOfFieldFiles()
{
    QFETCH(QString, name);
    QFETCH(int, traces);
    QFETCH(int, samples);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(QFile::copy(sharedSample(name), path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    SEGY segy;
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    QVERIFY(segy.hasFixedTraceLength());
    QCOMPARE(segy.samplesPerTrace(), samples);
    if (traces > 0)
        QCOMPARE(segy.traceCount(), traces);
    const int field = traceHeaderFieldIndex(QStringLiteral("189"));
    QList<int> edited;
    for (int t = 0; t < segy.traceCount(); t += 7) {
        QVERIFY(segy.setTraceHeaderValue(t, field, 5));
        edited << t;
    }
    QVERIFY(segy.save());

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray after = saved.readAll();
    QCOMPARE(after.size(), before.size());
    QSet<qint64> allowed;
    for (int t : qAsConst(edited))
        for (int b = 188; b < 192; ++b)
            allowed.insert(segy.traceHeaders().at(t)->filePosition + b);
    for (int i = 0; i < before.size(); ++i)
        if (before[i] != after[i])
            QVERIFY2(allowed.contains(i), qPrintable(QStringLiteral("byte %1 changed").arg(i)));

    const QJsonObject oracle = segyioDump(path, segy.byteOrder() == 1);
    QVERIFY2(oracle.value(QStringLiteral("ok")).toBool(), qPrintable(oracle.value(QStringLiteral("error")).toString()));
    const QJsonArray read = oracle.value(QStringLiteral("traces")).toArray();
    QCOMPARE(read.size(), segy.traceCount());
    for (int t : qAsConst(edited))
        QCOMPARE(read[t].toObject().value(QStringLiteral("fields")).toObject().value(QStringLiteral("189")).toInt(), 5);
}

void TestOracle::segyioReadsFieldsAsExpected_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("big-endian") << int(QDataStream::BigEndian);
    QTest::newRow("little-endian") << int(QDataStream::LittleEndian);
}

// Every field at its extremes and with the top bit set, in both byte orders.
void TestOracle::segyioReadsFieldsAsExpected()
{
    QFETCH(int, order);
    const int samples = 8;
    SegyFixture fixture{QDataStream::ByteOrder(order)};
    fixture.geometry(samples, 1);
    const qint16 shorts[] = {-32768, 32767, -1, -2, 12345};
    const qint32 ints[] = {INT_MIN, INT_MAX, -1, 0x7F00FF01, -123456789};
    int k = 0;
    for (int i = 0; i < BinaryHeaderFieldCount; ++i, ++k) {
        const int start = binaryHeaderStartBytes().at(i);
        if (i == 7 || i == 9 || i == 29)
            continue;  // geometry: samples, format, extended headers
        if (binaryHeaderLabels().at(i).section('-', 1).toInt() - start == 3)
            fixture.bin32(start, ints[k % 5]);
        else
            fixture.bin16(start, shorts[k % 5]);
    }
    for (int t = 0; t < 5; ++t) {
        fixture.addTrace(samples, 1, [t](int i) { return (i - 3) * 0.5 + t; });
        for (int i = 0; i < TraceHeaderFieldCount; ++i) {
            if (i == 38)
                continue;
            const int start = traceHeaderStartBytes().at(i);
            if (traceHeaderLabels().at(i).section('-', 1).toInt() - start == 3)
                fixture.tr32(t, start, ints[(i + t) % 5]);
            else
                fixture.tr16(t, start, shorts[(i + t) % 5]);
        }
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("extremes.sgy"));
    QVERIFY(fixture.writeTo(path));

    SEGY segy;
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    QCOMPARE(segy.byteOrder(), order == QDataStream::LittleEndian ? 1 : 0);
    QCOMPARE(segy.mainHeaderValue(0), INT_MIN);
    QCOMPARE(segy.traceHeaderValue(0, 7), -1);
    QCOMPARE(segy.traceHeaderValue(1, 17), 0x7F00FF01);
    const QJsonObject oracle = segyioDump(path, order == QDataStream::LittleEndian);
    QVERIFY2(oracle.value(QStringLiteral("ok")).toBool(), qPrintable(oracle.value(QStringLiteral("error")).toString()));
    QVERIFY(sameLayout(segy, oracle));
    QString mismatch;
    QVERIFY2(compareWithSegyio(segy, oracle, &mismatch) == 5, qPrintable(mismatch));
}

void TestOracle::savesReadBackInSegyio_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mode");
    // Shared samples whose layout segyio reads as we do, and generated files
    // for every format segyio decodes, in both byte orders.
    QStringList files = {QStringLiteral("small.sgy"), QStringLiteral("small-lsb.sgy"),
                         QStringLiteral("multi-text.sgy"), QStringLiteral("shot-gather.sgy")};
    for (const char* order : {"msb", "lsb"}) {
        for (int format : {1, 2, 3, 5, 8})
            files << QStringLiteral("generated format %1 %2").arg(format).arg(QLatin1String(order));
    }
    for (const QString& name : files) {
        for (const char* mode : {"in place", "new file", "onto itself"})
            QTest::newRow(qPrintable(name + QLatin1Char(' ') + QLatin1String(mode))) << name << QString::fromLatin1(mode);
    }
}

namespace {

// A small line in one format: extreme stored values for the integer codes,
// normal values across the range for IBM, and signed zeros, denormals and
// infinities for IEEE.
bool writeGenerated(const QString& name, const QString& path)
{
    const QStringList parts = name.split(QLatin1Char(' '));
    const int format = parts.value(2).toInt();
    const bool le = parts.value(3) == QLatin1String("lsb");
    SegyFixture fixture(le ? QDataStream::LittleEndian : QDataStream::BigEndian);
    const int samples = 24;
    fixture.geometry(samples, format).bin16(3501, 1).bin32(3205, 12).bin16(3213, 24);
    const QVector<double> special5 = {0.0, -0.0, 1.0e-40, -1.0e-45, 3.4e38, -3.4e38, qInf(), -qInf(), 1.5, -2.25};
    for (int t = 0; t < 7; ++t) {
        fixture.addTrace(samples, format, [&](int i) -> double {
            switch (format) {
            case 1: return i == 0 ? 0.0 : std::ldexp((i % 2 ? -1.0 : 1.0) * (1.0 + i * 0.0625), (i * 11 + t * 3) % 180 - 90);
            case 2: return i < 3 ? double(QVector<qint32>{INT_MIN, INT_MAX, -1}[i]) : double((i - 12) * 123457 * (t + 1));
            case 3: return i < 3 ? double(QVector<qint16>{-32768, 32767, -1}[i]) : double((i - 12) * 1234 + t);
            case 8: return double(qint8((i * 11 + t * 37) & 0xFF));
            default: return i < special5.size() ? special5[i] : (i - 12) * 0.3 + t;
            }
        });
        fixture.tr32(t, 1, t + 1).tr32(t, 5, t + 1).tr32(t, 9, 1001).tr32(t, 13, t + 1);
        fixture.tr16(t, 71, -100).tr32(t, 73, 43215000 + 2500 * t).tr32(t, 77, -458132000 - 1250 * t);
        fixture.tr16(t, 117, 4000).tr32(t, 181, 43220000 + t).tr32(t, 189, 1000 + t);
    }
    return fixture.writeTo(path);
}

}  // namespace

// Edits through the setters, saves, and has segyio read the result: the
// headers are the ones we hold, the samples are those of the original.
void TestOracle::savesReadBackInSegyio()
{
    QFETCH(QString, name);
    QFETCH(QString, mode);
    QTemporaryDir dir;
    QString source = sharedSample(name);
    if (name.startsWith(QLatin1String("generated"))) {
        source = dir.filePath(QStringLiteral("generated.sgy"));
        QVERIFY(writeGenerated(name, source));
    }
    const QString copy = dir.filePath(QStringLiteral("copy.sgy"));
    QVERIFY(QFile::copy(source, copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    SEGY segy;
    segy.setDevice(new QFile(copy));
    QVERIFY(segy.open());
    const bool le = segy.byteOrder() == 1;
    static QHash<QString, QJsonObject> originals;  // the sources are the same on every row
    if (!originals.contains(name))
        originals.insert(name, segyioDump(source, le));
    const QJsonObject before = originals.value(name);
    QVERIFY2(before.value(QStringLiteral("ok")).toBool(), qPrintable(before.value(QStringLiteral("error")).toString()));
    QVERIFY(sameLayout(segy, before));

    QVERIFY(segy.setMainHeaderValue(0, 777));
    QVERIFY(segy.setMainHeaderValue(12, -3));
    for (int t = 0; t < segy.traceCount(); ++t) {
        QVERIFY(segy.setTraceHeaderValue(t, 4, 100000 + t));
        QVERIFY(segy.setTraceHeaderValue(t, 59, -1 - t % 7));
        QVERIFY(segy.setTraceHeaderValue(t, 89, -t));
    }

    QString written = copy;
    if (mode == QLatin1String("in place")) {
        QVERIFY(segy.save());
    } else if (mode == QLatin1String("new file")) {
        written = dir.filePath(QStringLiteral("new.sgy"));
        QFile destination(written);
        QVERIFY(segy.save(&destination));
    } else {
        QFile destination(copy);
        QVERIFY(segy.save(&destination));
    }
    QCOMPARE(segy.mainHeaderValue(0), 777);

    const QJsonObject after = segyioDump(written, le);
    QVERIFY2(after.value(QStringLiteral("ok")).toBool(), qPrintable(after.value(QStringLiteral("error")).toString()));
    // A new file is read back: it holds the mandatory defaults the headers
    // in memory do not.
    SEGY reread;
    SEGY& saved = mode == QLatin1String("in place") ? segy : reread;
    if (&saved == &reread) {
        reread.setDevice(new QFile(written));
        QVERIFY(reread.open());
    }
    QVERIFY(sameLayout(saved, after));
    QString mismatch;
    QVERIFY2(compareWithSegyio(saved, after, &mismatch) == saved.traceCount(), qPrintable(mismatch));
    QCOMPARE(digestsOf(after), digestsOf(before));

    if (mode == QLatin1String("in place")) {
        // Only header bytes may differ from the original.
        const QByteArray original = readAll(source), saved = readAll(written);
        QCOMPARE(saved.size(), original.size());
        QCOMPARE(saved.mid(3260, 240), original.mid(3260, 240));
        QCOMPARE(saved.mid(3506, 94), original.mid(3506, 94));
        const QVector<qint64> positions = positionsOf(segy);
        for (int t = 0; t < positions.size(); ++t) {
            const int from = int(positions[t]) + 240;
            const int to = t + 1 < positions.size() ? int(positions[t + 1]) : original.size();
            QVERIFY2(saved.mid(from, to - from) == original.mid(from, to - from), qPrintable(QString::number(t)));
        }
    }
}

void TestOracle::savedFormatFiveKeepsEveryBitPattern_data()
{
    QTest::addColumn<int>("order");
    QTest::newRow("big-endian") << int(QDataStream::BigEndian);
    QTest::newRow("little-endian") << int(QDataStream::LittleEndian);
}

// IEEE samples survive a save to a new file bit for bit, whatever they hold:
// signed zeros, denormals, infinities and not-a-numbers with payloads.
void TestOracle::savedFormatFiveKeepsEveryBitPattern()
{
    QFETCH(int, order);
    const quint32 words[] = {0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu, 0x7F7FFFFFu, 0xFF7FFFFFu,
                             0x7F800000u, 0xFF800000u, 0x7FC00000u, 0xFFC00000u, 0x7FC12345u, 0x7F800001u,
                             0xFFA00001u, 0x3F800000u, 0xBF000000u, 0x00800000u};
    const int count = int(sizeof words / sizeof words[0]);
    SegyFixture fixture{QDataStream::ByteOrder(order)};
    fixture.geometry(count, 5);
    QByteArray raw;
    for (quint32 w : words) {
        float f;
        std::memcpy(&f, &w, 4);
        QByteArray word(4, '\0');
        if (order == QDataStream::LittleEndian)
            qToLittleEndian<quint32>(w, word.data());
        else
            qToBigEndian<quint32>(w, word.data());
        raw += word;
    }
    fixture.addTrace(count, raw);
    fixture.addTrace(count, raw);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ieee.sgy"));
    const QString saved = dir.filePath(QStringLiteral("saved.sgy"));
    QVERIFY(fixture.writeTo(path));

    SEGY segy;
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    QFile destination(saved);
    QVERIFY(segy.save(&destination));
    const QByteArray in = readAll(path), out = readAll(saved);
    QCOMPARE(out.size(), in.size());
    for (int t = 0; t < 2; ++t) {
        const int at = 3600 + t * (240 + 4 * count) + 240;
        for (int i = 0; i < count; ++i) {
            QVERIFY2(out.mid(at + 4 * i, 4) == in.mid(at + 4 * i, 4),
                     qPrintable(QStringLiteral("sample word %1 became %2")
                                    .arg(words[i], 8, 16, QLatin1Char('0'))
                                    .arg(QString::fromLatin1(out.mid(at + 4 * i, 4).toHex()))));
        }
    }
    const QJsonObject oracle = segyioDump(saved, order == QDataStream::LittleEndian);
    QVERIFY(oracle.value(QStringLiteral("ok")).toBool());
    QCOMPARE(digestsOf(oracle), digestsOf(segyioDump(path, order == QDataStream::LittleEndian)));
}

QTEST_GUILESS_MAIN(TestOracle)
#include "tst_oracle.moc"
