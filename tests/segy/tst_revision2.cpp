// Revision 2 files: the byte-order constant, extended sample counts, a first
// trace further on, trace header extensions and trailer stanzas, read from
// files built from the standard's tables and from the shared samples, and
// kept byte for byte by in-place edits and saves as.

#include "fixture.h"
#include "segy.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

constexpr int Traces = 3;

// Stores value in a trace's 4-byte field, saves in place, and returns what
// the file must then hold: the original with those four bytes replaced.
QByteArray editInPlace(SEGY& segy, const QByteArray& original, int trace, TraceField field, qint32 value)
{
    HeaderChanges changes;
    changes.setTraceValue(trace, field, value);
    if (!segy.apply(changes).ok || !segy.save())
        return QByteArray();
    QByteArray expected = original;
    uchar bytes[4];
    segy.isLittleEndian() ? qToLittleEndian<qint32>(value, bytes) : qToBigEndian<qint32>(value, bytes);
    expected.replace(int(segy.traceHeaders().at(trace)->filePosition) + startByte(field) - 1, 4,
                     reinterpret_cast<const char*>(bytes), 4);
    return expected;
}

FieldValue binaryField(const SEGY& segy, const char* name)
{
    FieldDescription field;
    return segy.findField(QLatin1String(name), HeaderBlock::Binary, &field) ? segy.fieldValue(nullptr, field)
                                                                            : FieldValue::ofSigned(-999);
}

FieldValue traceField(const SEGY& segy, int trace, const char* name)
{
    FieldDescription field;
    return segy.findField(QLatin1String(name), HeaderBlock::Trace, &field)
               ? segy.fieldValue(segy.traceHeaders().at(trace), field)
               : FieldValue::ofSigned(-999);
}

}  // namespace

class TestRevision2 : public QObject
{
    Q_OBJECT

private slots:
    void built_data();
    void built();
    void sharedFiles_data();
    void sharedFiles();
};

void TestRevision2::built_data()
{
    QTest::addColumn<bool>("little");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("extensions");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("gap");       // bytes before the first trace, set in 3521-3528
    QTest::addColumn<int>("stanzas");   // trailer stanzas written
    QTest::addColumn<int>("declared");  // 3529-3532: stanzas, or -1

    QTest::newRow("no extension") << false << 0 << 0 << 8 << 0 << 0 << 0;
    QTest::newRow("one extension") << false << 1 << 1 << 8 << 0 << 0 << 0;
    QTest::newRow("three extensions") << false << 1 << 3 << 8 << 0 << 0 << 0;
    QTest::newRow("70000 samples") << false << 0 << 0 << 70000 << 0 << 0 << 0;
    QTest::newRow("70000 samples in extension 1") << false << 1 << 1 << 70000 << 0 << 0 << 0;
    QTest::newRow("little-endian by the constant") << true << 1 << 3 << 8 << 0 << 0 << 0;
    QTest::newRow("first trace offset") << false << 0 << 1 << 8 << 1000 << 0 << 0;
    QTest::newRow("trailer stanzas") << true << 1 << 1 << 8 << 0 << 2 << 2;
    QTest::newRow("trailer of unknown length") << false << 1 << 0 << 8 << 0 << 2 << -1;
}

void TestRevision2::built()
{
    QFETCH(bool, little);
    QFETCH(int, minor);
    QFETCH(int, extensions);
    QFETCH(int, samples);
    QFETCH(int, gap);
    QFETCH(int, stanzas);
    QFETCH(int, declared);

    // Every field a save as would fill is set, so that a save as gives the
    // same bytes back.
    SegyFixture f(little ? QDataStream::LittleEndian : QDataStream::BigEndian);
    f.text("C 1 REVISION 2").revision2(minor).geometry(samples > 65535 ? 0 : samples, 5, 2000);
    f.bin32(3205, 1).bin16(3213, 1).bin16(3219, 2000).bin16(3223, 8).bin16(3255, 1);
    const bool countInExtension = samples > 65535 && extensions > 0;
    if (samples > 65535 && !countInExtension)
        f.bin32(3269, samples);
    if (countInExtension)
        f.bin16(3221, 8);  // overridden by each trace's extension 1
    f.binDouble(3273, 2000.25).bin64(3513, Traces);
    if (extensions > 0)
        f.bin16(3507, qint16(extensions));
    if (gap > 0)
        f.gap(QByteArray(gap, '\x5a')).bin64(3521, quint64(3600 + gap));
    if (declared != 0)
        f.bin32(3529, declared);
    for (int t = 0; t < Traces; ++t) {
        f.addTrace(samples, 5, [t](int i) { return t * 100.0 + i; });
        f.tr32(t, 189, 100 + t).tr32(t, 193, -t).tr16(t, 115, qint16(samples > 65535 ? 0 : samples));
        if (extensions > 0) {
            f.addExtensions(t, extensions);
            f.extDouble(t, 1, 161, 1000.5 + t).ext(t, 1, 9, 5000000000LL + t, 8);
            if (countInExtension)
                f.ext(t, 1, 137, samples, 4);
        }
    }
    QByteArray trailer;
    for (int k = 0; k < stanzas; ++k) {
        const QByteArray stanza = "((SEG: Trailer " + QByteArray::number(k) + "))";
        trailer += stanza + QByteArray(3200 - stanza.size(), ' ');
    }
    f.tail(trailer);

    QTemporaryDir dir;
    const QString path = dir.filePath("rev2.sgy");
    QVERIFY(f.writeTo(path));
    const QByteArray original = fileContents(path);
    SEGY segy;
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    QVERIFY2(segy.layout().isCertain(), qPrintable(segy.layout().uncertainty()));
    QCOMPARE(segy.traceCount(), Traces);
    QCOMPARE(segy.isLittleEndian(), little);
    QCOMPARE(binaryField(segy, "ByteOrderConstant").i, qint64(16909060));
    QCOMPARE(binaryField(segy, "MajorRevision").u, quint64(2));
    QCOMPARE(binaryField(segy, "MinorRevision").u, quint64(minor));
    QCOMPARE(binaryField(segy, "ExtendedSampleCount").i, qint64(samples > 65535 && !countInExtension ? samples : 0));
    QCOMPARE(binaryField(segy, "ExtendedSampleInterval").f, 2000.25);
    QCOMPARE(binaryField(segy, "TraceCount").u, quint64(Traces));
    QCOMPARE(binaryField(segy, "FirstTraceOffset").u, quint64(gap > 0 ? 3600 + gap : 0));
    QCOMPARE(binaryField(segy, "TrailerStanzas").i, qint64(declared));
    QCOMPARE(segy.trailer(), trailer);
    QCOMPARE(segy.hasTraceExtensions(), extensions > 0);
    for (int t = 0; t < Traces; ++t) {
        QCOMPARE(segy.traceHeaderValue(t, fieldIndex(TraceField::Inline)), 100 + t);
        QCOMPARE(segy.traceHeaderValue(t, fieldIndex(TraceField::Crossline)), -t);
        QCOMPARE(segy.traceHeaders().at(t)->loadedSampleCount, samples);
        if (extensions > 0) {
            QCOMPARE(traceField(segy, t, "ext1.CdpX").f, 1000.5 + t);
            QCOMPARE(traceField(segy, t, "ext1.TraceSequenceFile").u, quint64(5000000000LL + t));
            QCOMPARE(traceField(segy, t, "ext1.HeaderName").s, QString("SEG00001"));
        }
    }
    if (extensions == 3)
        QCOMPARE(segy.extensionNames(2), QStringList({"SEG00001", "PRIVATE2", "PRIVATE3"}));

    // In place: the four bytes of one field change, nothing else.
    const QByteArray expected = editInPlace(segy, original, 1, TraceField::Inline, 7);
    QCOMPARE(fileContents(path), expected);

    // Save as: every byte of the file, extensions, gap and trailer included.
    QFile copy(dir.filePath("copy.sgy"));
    QVERIFY(segy.save(&copy));
    QCOMPARE(fileContents(copy.fileName()), expected);
}

void TestRevision2::sharedFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("traces");
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("format");
    QTest::newRow("rotated small") << "rotated-small-rev2.sgy" << 25 << 50 << "4-byte IBM floating-point";
    const QList<QPair<int, QString>> formats{{1, "4-byte IBM floating-point"}, {2, "Integer 32 bit"},
                                             {3, "Integer 16 bit"}, {5, "IEEE floating point"},
                                             {6, "IEEE floating point 64 bit"}, {7, "Integer 24 bit"},
                                             {8, "Integer 8 bit"}, {9, "Integer 64 bit"},
                                             {10, "Unsigned integer 32 bit"}, {11, "Unsigned integer 16 bit"},
                                             {12, "Unsigned integer 64 bit"}, {15, "Unsigned integer 24 bit"},
                                             {16, "Unsigned integer 8 bit"}};
    for (const auto& format : formats)
        for (const char* order : {"msb", "lsb"})
            QTest::newRow(qPrintable(QStringLiteral("format %1 %2").arg(format.first).arg(order)))
                << QStringLiteral("multiformats/Format%1%2.sgy").arg(format.first).arg(order) << 414 << 75
                << format.second;
}

void TestRevision2::sharedFiles()
{
    QFETCH(QString, name);
    QFETCH(int, traces);
    QFETCH(int, samples);
    QFETCH(QString, format);
    QTemporaryDir dir;
    const QString path = dir.filePath("copy.sgy");
    QVERIFY(QFile::copy(sharedSample(name), path));
    const QByteArray original = fileContents(path);
    SEGY segy;
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    QVERIFY2(segy.layout().isCertain(), qPrintable(segy.layout().uncertainty()));
    QCOMPARE(segy.traceCount(), traces);
    QCOMPARE(segy.traceHeaders().at(traces - 1)->loadedSampleCount, samples);
    QCOMPARE(segy.mainHeader()->fieldText(fieldIndex(BinaryField::FormatCode)), format);

    // segyio reads the IBM file of the same survey: every trace's inline,
    // crossline and CDP coordinates must be the same in every format. The
    // revision 2 sample's extension 1 holds CDP X as a double.
    static QMap<QString, QList<QList<int>>> reference;
    const QString referenceFile = name.startsWith("multi") ? (name.endsWith("lsb.sgy") ? "multiformats/Format1lsb.sgy"
                                                                                       : "multiformats/Format1msb.sgy")
                                                           : QString();
    if (!referenceFile.isEmpty() && !reference.contains(referenceFile)) {
        QProcess python;
        python.start(qEnvironmentVariable("TREVALON_PYTHON", "/usr/bin/python3"),
                     {"-c",
                      "import segyio,sys\n"
                      "with segyio.open(sys.argv[1], ignore_geometry=True, endian=sys.argv[2]) as f:\n"
                      "    for h in f.header: print(h[189], h[193], h[181], h[185])\n",
                      sharedSample(referenceFile), referenceFile.contains("lsb") ? "little" : "big"});
        QVERIFY(python.waitForFinished(60000));
        QList<QList<int>> rows;
        for (const QByteArray& line : python.readAllStandardOutput().split('\n'))
            if (!line.isEmpty()) {
                QList<int> row;
                for (const QByteArray& v : line.split(' '))
                    row << v.toInt();
                rows << row;
            }
        reference[referenceFile] = rows;
    }
    if (!referenceFile.isEmpty()) {
        const QList<QList<int>>& rows = reference[referenceFile];
        QCOMPARE(rows.size(), traces);
        for (int t = 0; t < traces; ++t) {
            const QList<int> ours{segy.traceHeaderValue(t, fieldIndex(TraceField::Inline)),
                                  segy.traceHeaderValue(t, fieldIndex(TraceField::Crossline)),
                                  segy.traceHeaderValue(t, fieldIndex(TraceField::CdpX)),
                                  segy.traceHeaderValue(t, fieldIndex(TraceField::CdpY))};
            QCOMPARE(ours, rows[t]);
        }
    } else {
        QCOMPARE(traceField(segy, 1, "ext1.CdpX").f, 2079.0);
    }

    // An in-place edit writes only the changed bytes.
    QCOMPARE(fileContents(path), editInPlace(segy, original, 2, TraceField::Crossline, 4242));
}

QTEST_GUILESS_MAIN(TestRevision2)
#include "tst_revision2.moc"
