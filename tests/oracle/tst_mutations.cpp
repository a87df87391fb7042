// Loads thousands of seeded random mutations and truncations of the shared
// samples and of generated files. Run under the sanitizers, any read outside
// the data, overflow or endless walk shows here; on top, every load must
// agree exactly with the plain reading of the layout rules, and a save of
// whatever was read must not fail on the way.

#include "fixture.h"
#include "referenceload.h"
#include "segy.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <random>

namespace {

QList<QByteArray> baseFiles()
{
    QList<QByteArray> bases;
    QDirIterator it(sharedSamplesDir(), {QStringLiteral("*.sgy"), QStringLiteral("*.segy"), QStringLiteral("*.su")},
                    QDir::Files, QDirIterator::Subdirectories);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    for (const QString& path : paths) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            bases << f.read(48 * 1024);  // the head is where the structure is
    }

    const QDataStream::ByteOrder orders[] = {QDataStream::BigEndian, QDataStream::LittleEndian};
    for (QDataStream::ByteOrder order : orders) {
        for (int format : {1, 2, 3, 4, 5, 8, 6}) {
            SegyFixture f(order);
            f.geometry(12, format).bin16(3501, 1);
            for (int t = 0; t < 6; ++t)
                f.addTrace(t == 2 ? 0 : 12, format, [t](int i) { return (i - 6) * 0.125 * (t + 1); });
            bases << f.bytes();
        }
        SegyFixture unknownCount(order);
        unknownCount.geometry(4, 1).bin16(3505, -1).bin16(3501, 0x0100);
        unknownCount.extendedBlock(QByteArray(3200, char(0x40)));
        QByteArray stanza(3200, char(0x40));
        const char endText[] = "\xE2\xC5\xC7\x7A\x40\xC5\x95\x84\xE3\x85\xA7\xA3";  // SEG: EndText
        stanza.replace(0, 12, QByteArray(endText, 12));
        unknownCount.extendedBlock(stanza);
        for (int t = 0; t < 4; ++t)
            unknownCount.addTrace(4, 1, [](int i) { return i; });
        unknownCount.tail(QByteArray(50, '\x11'));
        bases << unknownCount.bytes();
        SegyFixture counted(order);
        counted.geometry(3, 3).bin16(3505, 2).extendedBlock("a").extendedBlock("b");
        for (int t = 0; t < 4; ++t)
            counted.addTrace(3, 3, [](int i) { return i * 0.25; });
        counted.truncateBy(3);
        bases << counted.bytes();
    }
    return bases;
}

class Mutator
{
public:
    explicit Mutator(quint32 seed) : m_random(seed) {}

    quint32 next() { return quint32(m_random()); }
    quint32 below(quint32 n) { return n ? next() % n : 0; }

    QByteArray mutate(QByteArray data)
    {
        const int steps = 1 + int(below(6));
        for (int s = 0; s < steps; ++s) {
            switch (below(7)) {
            case 0:  // flip a random byte
                if (!data.isEmpty())
                    data[int(below(quint32(data.size())))] = char(next());
                break;
            case 1:  // an interesting 16-bit value where the structure lives
            case 2:
                put16(data, structuralOffset(data), interesting16());
                break;
            case 3:  // truncate, often inside the first headers
                data.truncate(int(below(2) ? below(quint32(data.size()) + 1) : below(4200)));
                break;
            case 4:  // stray bytes at the end
                data.append(QByteArray(int(below(600)), char(next())));
                break;
            case 5: {  // a block copied over another place
                if (data.size() > 16) {
                    const int from = int(below(quint32(data.size())));
                    const int to = int(below(quint32(data.size())));
                    const int n = int(below(quint32(qMin(data.size() - from, data.size() - to))));
                    data.replace(to, n, data.mid(from, n));
                }
                break;
            }
            default:  // a random 32-bit word
                if (data.size() >= 4) {
                    const int at = int(below(quint32(data.size() - 3)));
                    qToBigEndian<quint32>(next(), data.data() + at);
                }
                break;
            }
        }
        return data;
    }

private:
    qint16 interesting16()
    {
        static const qint16 values[] = {0, 1, -1, 2, -2, 8, 9, 255, 256, 0x0100, 0x0800, 32767, -32768, 3200, -3200};
        return below(4) ? values[below(sizeof values / sizeof values[0])] : qint16(next());
    }

    int structuralOffset(const QByteArray& data)
    {
        static const int header[] = {3220, 3224, 3504, 3500, 3222, 3221, 3225, 3505};
        if (below(2) || data.size() < 3840)
            return header[below(sizeof header / sizeof header[0])];
        // a sample count field of some trace-sized stride from 3600
        const int stride = 240 + 4 * int(below(64));
        const int trace = int(below(quint32((data.size() - 3600) / stride + 1)));
        return 3600 + trace * stride + 114;
    }

    static void put16(QByteArray& data, int at, qint16 value)
    {
        if (at + 2 > data.size())
            return;
        qToBigEndian<qint16>(value, data.data() + at);
    }

    std::mt19937 m_random;
};

}  // namespace

class TestMutations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qInstallMessageHandler(quiet); }
    void mutatedFilesLoadAsTheLayoutSays();

private:
    // Qt warns about seeks past the end of a buffer; that is expected here.
    static void quiet(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtFatalMsg || type == QtCriticalMsg)
            fprintf(stderr, "%s\n", qPrintable(text));
    }
};

void TestMutations::mutatedFilesLoadAsTheLayoutSays()
{
    const QList<QByteArray> bases = baseFiles();
    QVERIFY(bases.size() > 80);
    QTemporaryDir dir;
    const QString onDisk = dir.filePath(QStringLiteral("mutant.sgy"));
    const int rounds = 15000;
    Mutator mutator(20261207u);

    for (int round = 0; round < rounds; ++round) {
        const int base = int(mutator.below(quint32(bases.size())));
        const QByteArray bytes = mutator.mutate(bases[base]);
        const ReferenceLoad expected = referenceLoad(bytes);
        // One in eight goes through a real file, which the loader maps.
        const bool throughFile = round % 8 == 0;

        SEGY segy;
        if (throughFile) {
            QFile f(onDisk);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(f.write(bytes), qint64(bytes.size()));
            f.close();
            segy.setDevice(new QFile(onDisk));
        } else {
            auto* buffer = new QBuffer;
            buffer->setData(bytes);
            segy.setDevice(buffer);
        }
        const ObservedLoad observed = observeLoad(segy);

        const QByteArray where = QStringLiteral("round %1 from base %2 (%3 bytes)")
                                     .arg(round).arg(base).arg(bytes.size()).toLatin1();
        if (observed.ok != expected.ok || observed.messages != expected.messages || observed.progress != expected.progress) {
            QFile keep(QDir::temp().filePath(QStringLiteral("trevalon-mutant-%1.sgy").arg(round)));
            if (keep.open(QIODevice::WriteOnly))
                keep.write(bytes);
            qWarning("%s kept as %s", where.constData(), qPrintable(keep.fileName()));
        }
        QVERIFY2(observed.ok == expected.ok, where.constData());
        QVERIFY2(observed.messages == expected.messages, where.constData());
        QVERIFY2(observed.progress == expected.progress, where.constData());
        QVERIFY2(segy.traceCount() <= bytes.size() / 240 + 1, where.constData());
        QVERIFY2(segy.traceCount() == expected.positions.size(), where.constData());
        for (int t = 0; t < segy.traceCount(); ++t) {
            const qint64 at = segy.traceHeaders()[t]->filePosition;
            QVERIFY2(at == expected.positions[t] && at >= 3600 && at < bytes.size(), where.constData());
        }
        QVERIFY2(segy.byteOrder() == (expected.littleEndian ? 1 : 0), where.constData());

        // Saving what was read: to memory always, in place now and then.
        if (segy.mainHeader() && round % 4 == 0) {
            QBuffer out;
            QVERIFY2(segy.save(&out), where.constData());
            QVERIFY2(out.data().size() >= 3600, where.constData());
            if (segy.traceCount() > 0) {
                const SEGYTraceHeader* last = segy.traceHeaders().last();
                QVERIFY2(out.data().size() >= qMin<qint64>(last->filePosition + 240, bytes.size()), where.constData());
            }
            // In place only into a layout that accounts for every byte.
            if (round % 16 == 0)
                QVERIFY2(segy.save() == segy.layout().isCertain(), where.constData());
            if (round % 16 == 0 && !segy.layout().isCertain()) {
                QFile written(segy.currentDevice() ? qobject_cast<QFile*>(segy.currentDevice())->fileName() : QString());
                QVERIFY2(written.open(QIODevice::ReadOnly) && written.readAll() == bytes, where.constData());
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestMutations)
#include "tst_mutations.moc"
