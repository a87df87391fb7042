// Saving in place and to a new file: layout, defaults, samples, and what a
// failing save leaves behind.

#include "fixture.h"
#include "segy.h"
#include "tracesamples.h"

#include <QBuffer>
#include <QDir>
#include <QSignalSpy>
#include <QtTest>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Positions where two byte arrays differ.
QList<int> differences(const QByteArray& a, const QByteArray& b)
{
    QList<int> at;
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            at << i;
    return at;
}

SegyFixture survey(int traces, int samples, int format, QDataStream::ByteOrder order = QDataStream::BigEndian)
{
    SegyFixture fx(order);
    fx.geometry(samples, format).bin32(3205, 3).bin16(3213, 24).bin16(3219, 4000).bin16(3223, qint16(samples)).bin16(3255, 1);
    fx.text("C 1 SAVE TEST");
    for (int t = 0; t < traces; ++t) {
        fx.addTrace(samples, format, [t, format](int i) {
            switch (format) {
            case 3: return double((i % 7) - 3) * 1000.0 * t;   // includes zeros
            case 8: return double((i * 37 + t) % 255 - 127);
            case 1: case 5: return (i - 5) * 0.125 * (t + 1);
            default: return double(i * 1000003 - t * 7);
            }
        });
        fx.tr32(t, 1, t + 1).tr32(t, 181, 100000 + t);
    }
    return fx;
}

QString fileIn(QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    writeFile(path, bytes);
    return path;
}

}  // namespace

class TestSave : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        std::signal(SIGXFSZ, SIG_IGN);  // a file size limit makes writes fail instead
    }

    void unchangedHeadersRoundTrip_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("order");
        for (int format : {1, 2, 3, 4, 5, 8})
            for (int order : {0, 1})
                QTest::newRow(qPrintable(QStringLiteral("format %1 %2").arg(format).arg(order ? "little" : "big")))
                    << format << order;
    }
    void unchangedHeadersRoundTrip()
    {
        // Defaults already filled: both saves reproduce the file byte for byte.
        QFETCH(int, format);
        QFETCH(int, order);
        const QByteArray original = survey(5, 13, format, QDataStream::ByteOrder(order)).bytes();
        const QString path = fileIn(dir, QStringLiteral("rt%1%2.sgy").arg(format).arg(order), original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        const QString copy = path + ".copy";
        QVERIFY(segy.save(new QFile(copy, &segy)));
        QCOMPARE(readAll(copy), original);
        QVERIFY(segy.save());
        QCOMPARE(readAll(path), original);
    }

    // A new file gets the mandatory fields left at 0; an in-place save keeps
    // the file's own values.
    void mandatoryDefaultsAreFilled()
    {
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(8, 1, 2000);
        fx.addTrace(8, 1, [](int i) { return i; });
        const QByteArray original = fx.bytes();
        const QString path = fileIn(dir, "defaults.sgy", original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.save());
        QCOMPARE(readAll(path), original);
        QCOMPARE(segy.mainHeaderValue(1), 0);
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        // The headers in memory keep their values: a later in-place save of
        // the loaded file writes none of the new file's defaults into it.
        QCOMPARE(segy.mainHeaderValue(1), 0);
        QVERIFY(segy.save());
        QCOMPARE(readAll(path), original);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(path + ".new", path));
        SEGY reread;
        reread.setDevice(new QFile(path));
        QVERIFY(reread.open());
        QCOMPARE(reread.mainHeaderValue(6), 2000);
        QCOMPARE(reread.mainHeaderValue(24), 1);
    }

    void inPlaceKeepsUnassignedBytesAndSamples()
    {
        QByteArray original = survey(4, 10, 1).bytes();
        original[3300] = 'x';   // inside 3261-3500, which belongs to no field
        original[3550] = 'y';
        const QString path = fileIn(dir, "inplace.sgy", original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.setTraceHeaderValue(2, 0, 99));
        QSignalSpy progress(&segy, &SEGY::saveProgress);
        QVERIFY(segy.save());
        const QByteArray saved = readAll(path);
        QCOMPARE(saved.size(), original.size());
        const qint64 trace2 = 3600 + 2 * (240 + 40);
        QCOMPARE(differences(original, saved), (QList<int>{int(trace2) + 3}));
        QVERIFY(progress.count() >= 1);

        // A new file carries them over as well.
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QCOMPARE(readAll(path + ".new"), saved);
    }

    void progressOfAHundredTraces()
    {
        const QString path = fileIn(dir, "hundred.sgy", survey(100, 2, 3).bytes());
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QSignalSpy progress(&segy, &SEGY::saveProgress);
        QSignalSpy completed(&segy, &SEGY::saveCompleted);
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QCOMPARE(progress.count(), 100);
        QCOMPARE(progress.first().at(0).toInt(), 0);
        QCOMPARE(progress.last().at(0).toInt(), 99);
        QCOMPARE(completed.count(), 1);
    }

    // Changing the fields that fix the layout changes exactly those header
    // bytes in both outputs; samples stay where and what they were.
    void geometryEditsChangeOnlyTheirBytes_data()
    {
        QTest::addColumn<bool>("binary");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("value");
        QTest::newRow("trace samples 115-116") << false << 38 << 3;
        QTest::newRow("binary samples 3221") << true << 7 << 1000;
        QTest::newRow("binary format 3225") << true << 9 << 5;
    }
    void geometryEditsChangeOnlyTheirBytes()
    {
        QFETCH(bool, binary);
        QFETCH(int, field);
        QFETCH(int, value);
        // With the fixed-length flag set, trace sample counts place no trace.
        const QByteArray original = survey(6, 10, 1).bin16(3503, 1).bytes();
        const QString path = fileIn(dir, QStringLiteral("geometry%1%2.sgy").arg(binary).arg(field), original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        const qint64 trace1 = 3600 + 240 + 40;
        QList<int> expected;
        if (binary) {
            QVERIFY(segy.setMainHeaderValue(field, value));
            expected = {3200 + (field == 7 ? 20 : 24), 3200 + (field == 7 ? 21 : 25)};
        } else {
            QVERIFY(segy.setTraceHeaderValue(1, field, value));
            expected = {int(trace1) + 114, int(trace1) + 115};
        }
        QList<int> changed;
        for (int at : expected)
            if (original[at] != char(binary ? (field == 7 ? (at % 2 ? value & 0xFF : value >> 8) : (at % 2 ? value : 0))
                                            : (at % 2 ? value : 0)))
                changed << at;

        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QCOMPARE(differences(original, readAll(path + ".new")), changed);
        QCOMPARE(readAll(path + ".new").size(), original.size());
        QVERIFY(segy.save());
        QCOMPARE(differences(original, readAll(path)), changed);
        QCOMPARE(readAll(path).size(), original.size());
    }

    // A header editor never alters a sample: save as copies the stored
    // words, also those a decode and encode would change.
    void saveAsKeepsEveryBit_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("order");
        QTest::addColumn<QByteArray>("words");  // big-endian sample words
        const QByteArray odd = QByteArray::fromHex("41010000" "80000000" "00123456" "7fffffff" "c1100000");
        QTest::newRow("IBM, unnormalised and negative zero") << 1 << int(QDataStream::BigEndian) << odd;
        QTest::newRow("IBM, little-endian") << 1 << int(QDataStream::LittleEndian) << odd;
        QTest::newRow("IEEE, negative zero and NaN payloads")
            << 5 << int(QDataStream::BigEndian) << QByteArray::fromHex("80000000" "7fa00001" "ffc00123" "3f800000" "00000001");
    }
    void saveAsKeepsEveryBit()
    {
        QFETCH(int, format);
        QFETCH(int, order);
        QFETCH(QByteArray, words);
        const auto byteOrder = QDataStream::ByteOrder(order);
        SegyFixture fx(byteOrder);
        fx.geometry(5, format).bin32(3205, 3).bin16(3213, 24).bin16(3219, 4000).bin16(3223, 5).bin16(3255, 1);
        QByteArray raw = words;
        if (byteOrder == QDataStream::LittleEndian)
            for (int i = 0; i < raw.size(); i += 4)
                std::reverse(raw.begin() + i, raw.begin() + i + 4);
        for (int t = 0; t < 3; ++t)
            fx.addTrace(5, raw);
        QByteArray original = fx.bytes();
        original.replace(3300, 4, "keep");  // bytes of no field
        original.replace(3560, 4, "mine");
        const QString path = fileIn(dir, QStringLiteral("bits%1%2.sgy").arg(format).arg(order), original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QCOMPARE(readAll(path + ".new"), original);
    }

    // The in-place save writes only inside the bytes the load found, and
    // only into the file it loaded.
    void inPlaceStaysInsideTheLoadedFile()
    {
        SegyFixture fx = survey(3, 10, 1);
        fx.tail(QByteArray(50, '\x01'));  // a stray header cut short
        const QByteArray original = fx.bytes();
        const QString path = fileIn(dir, "cut.sgy", original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QCOMPARE(segy.traceCount(), 4);
        QVERIFY(segy.setTraceHeaderValue(3, 0, 0x02020202));   // inside the 50 bytes
        QVERIFY(segy.setTraceHeaderValue(3, 60, 77));          // beyond them
        // A layout that does not account for every byte is not written in place.
        QVERIFY(!segy.layout().isCertain());
        QVERIFY(!segy.save());
        QCOMPARE(segy.lastError(), QStringLiteral("the trace layout of %1 is not certain (the last trace is cut short: "
                                                  "40 bytes missing); saving in place could write into sample data. "
                                                  "Save as a new file instead.").arg(path));
        QCOMPARE(readAll(path), original);
        const QByteArray saved = original.left(original.size() - 50);

        // A file that changed size since the load is not written at all.
        QVERIFY(writeFile(path, saved));
        QVERIFY(segy.open());
        QVERIFY(segy.setTraceHeaderValue(0, 0, 5));
        QVERIFY(writeFile(path, saved + "more"));
        QSignalSpy messages(&segy, &SEGY::errorMessage);
        QVERIFY(!segy.save());
        QCOMPARE(readAll(path), saved + "more");
        QCOMPARE(messages.count(), 2);
        QCOMPARE(messages.last().at(0).toString(), QStringLiteral("Error saving file."));
    }

    // Counts above 32767: the file's real layout, both saves byte for byte.
    void fortyThousandSamples()
    {
        SegyFixture fx(QDataStream::BigEndian);
        fx.geometry(40000, 8).bin32(3205, 3).bin16(3213, 24).bin16(3219, 4000).bin16(3223, -25536).bin16(3255, 1);
        for (int t = 0; t < 3; ++t)
            fx.addTrace(40000, 8, [t](int i) { return double((i + t) % 200 - 100); });
        const QByteArray original = fx.bytes();
        const QString path = fileIn(dir, "forty.sgy", original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QSignalSpy messages(&segy, &SEGY::errorMessage);
        QVERIFY(segy.open());
        QCOMPARE(messages.count(), 0);
        QCOMPARE(segy.traceCount(), 3);
        QCOMPARE(segy.samplesPerTrace(), 40000);
        QCOMPARE(segy.traceSamplesCount(2), 40000);
        QCOMPARE(segy.traceHeaders().at(2)->filePosition, qint64(3600 + 2 * 40240));
        QVERIFY(segy.setTraceHeaderValue(1, 0, 7));
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QVERIFY(segy.save());
        QCOMPARE(readAll(path + ".new"), readAll(path));
        QCOMPARE(differences(original, readAll(path)), (QList<int>{3600 + 40240 + 3}));
    }

    // A destination that is no regular file is written into, never replaced.
    void pipeDestination()
    {
        const QString source = fileIn(dir, "topipe.sgy", survey(3, 10, 1).bytes());
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        SEGY segy;
        segy.setDevice(new QFile(source));
        QVERIFY(segy.open());
        for (int round = 0; round < 2; ++round) {
            QByteArray received;
            std::thread reader([&]() {
                QFile in(pipe);
                if (in.open(QIODevice::ReadOnly))
                    received = in.readAll();
            });
            const bool ok = round == 0 ? segy.save(new QFile(pipe, &segy))
                                       : segy.exportTraceHeadersToASCIIFile(pipe, QStringLiteral(","));
            reader.join();
            QVERIFY(ok);
            QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
            QCOMPARE(received.size(), round == 0 ? qint64(QFileInfo(source).size()) : received.size());
            QVERIFY(!received.isEmpty());
        }
    }

    // On a full disk (a small file system mounted for the test when root may
    // do so) failed writes leave an existing destination as it was.
    void fullDisk()
    {
        const QString mount = dir.filePath(QStringLiteral("full"));
        QVERIFY(QDir().mkpath(mount));
        const QByteArray mountPath = QFile::encodeName(mount);
        if (::geteuid() != 0
            || QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", mount}) != 0)
            QSKIP("no small file system can be mounted here; the failing device tests cover this");
        struct Unmount {
            QString at;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {at}); }
        } unmount{mount};
        const QString source = fileIn(dir, "tofull.sgy", survey(40, 50, 1).bytes());
        QVERIFY(writeFile(mount + "/old.sgy", "earlier"));
        QVERIFY(writeFile(mount + "/old.csv", "earlier"));
        QFile filler(mount + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(1024, 'f')) == 1024 && filler.flush()) {
        }
        filler.close();
        SEGY segy;
        segy.setDevice(new QFile(source));
        QVERIFY(segy.open());
        QVERIFY(!segy.save(new QFile(mount + "/old.sgy", &segy)));
        QVERIFY(!segy.exportTraceHeadersToASCIIFile(mount + "/old.csv", QStringLiteral(",")));
        QCOMPARE(readAll(mount + "/old.sgy"), QByteArray("earlier"));
        QCOMPARE(readAll(mount + "/old.csv"), QByteArray("earlier"));
        QCOMPARE(QDir(mount).entryList(QDir::Files).size(), 3);  // no temporary file left
    }

    void zeroCountTraceKeepsItsPlace()
    {
        SegyFixture fx = survey(3, 10, 1);
        fx.tr16(1, 115, 0);
        const QByteArray original = fx.bytes();
        const QString path = fileIn(dir, "zerocount.sgy", original);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.save());
        QCOMPARE(readAll(path), original);
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QCOMPARE(readAll(path + ".new"), original);
    }

    void truncatedLastTraceIsCopiedAsItIs()
    {
        SegyFixture fx = survey(2, 10, 2);
        fx.truncateBy(8);
        const QString path = fileIn(dir, "truncated.sgy", fx.bytes());
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        // The bytes that are there, and none made up.
        QCOMPARE(readAll(path + ".new"), fx.bytes());
    }

    void headerOnlyFormatSavesHeaders()
    {
        SegyFixture fx(QDataStream::LittleEndian);
        fx.geometry(10, 13).bin32(3205, 1).bin16(3213, 1).bin16(3219, 4000).bin16(3223, 10).bin16(3255, 1);
        for (int t = 0; t < 4; ++t) {
            fx.addTrace(10);
            fx.tr32(t, 1, t + 1);
        }
        const QString path = fileIn(dir, "format13.sgy", fx.bytes());
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QCOMPARE(readAll(path + ".new"), fx.bytes());
    }

    void extendedBlocksAreWritten()
    {
        SegyFixture fx = survey(2, 4, 1);
        fx.bin16(3505, 2).extendedBlock(QByteArray(3200, 'a')).extendedBlock(QByteArray(3200, 'b'));
        const QString path = fileIn(dir, "extended.sgy", fx.bytes());
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.save(new QFile(path + ".new", &segy)));
        QCOMPARE(readAll(path + ".new"), fx.bytes());
    }

    void saveAsOntoTheLoadedFile()
    {
        SegyFixture fx = survey(20, 30, 1);
        const QString path = fileIn(dir, "self.sgy", fx.bytes());
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.setTraceHeaderValue(19, 0, 4242));
        QVERIFY(segy.save(new QFile(path, &segy)));
        QByteArray expected = fx.bytes();
        const int at = 3600 + 19 * (240 + 120);
        expected[at + 0] = 0; expected[at + 1] = 0; expected[at + 2] = char(4242 >> 8); expected[at + 3] = char(4242 & 0xFF);
        QCOMPARE(readAll(path), expected);
        QCOMPARE(QDir(dir.path()).entryList({"self.sgy*"}, QDir::Files), QStringList{"self.sgy"});
        // The object still works on the rewritten file.
        QVERIFY(segy.open());
        QCOMPARE(segy.traceHeaderValue(19, 0), 4242);
    }

    void failingFileWriteLeavesDestinationUnchanged()
    {
        // A real file whose writes fail part-way: the process may not grow
        // files beyond 64 KiB, and the new file needs more.
        const QString source = fileIn(dir, "big.sgy", survey(200, 100, 1).bytes());
        const QString dest = fileIn(dir, "dest.sgy", QByteArray("previous content"));
        SEGY segy;
        segy.setDevice(new QFile(source));
        QVERIFY(segy.open());
        QSignalSpy messages(&segy, &SEGY::errorMessage);

        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limited = old;
        limited.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limited);
        const bool saved = segy.save(new QFile(dest, &segy));
        setrlimit(RLIMIT_FSIZE, &old);

        QVERIFY(!saved);
        // The reason in the system's words, then the plain failure.
        QCOMPARE(messages.count(), 2);
        QVERIFY(messages.at(0).at(0).toString().startsWith("could not save file " + dest + ": "));
        QCOMPARE(messages.at(1).at(0).toString(), QStringLiteral("Error saving file."));
        QCOMPARE(readAll(dest), QByteArray("previous content"));
        const QStringList left = QDir(dir.path()).entryList({"dest.sgy*"}, QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{"dest.sgy"});
        // Nothing there before: nothing there after.
        const QString none = dir.filePath("none.sgy");
        setrlimit(RLIMIT_FSIZE, &limited);
        const bool savedNone = segy.save(new QFile(none, &segy));
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!savedNone);
        QVERIFY(!QFile::exists(none));
    }

    void inPlaceSaveOfAVanishedFileFails()
    {
        const QString path = fileIn(dir, "vanished.sgy", survey(3, 4, 1).bytes());
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(QFile::remove(path));
        QVERIFY(!segy.save());
        QVERIFY(!QFile::exists(path));
    }

    void missingDirectoryFails()
    {
        const QString source = fileIn(dir, "small.sgy", survey(2, 4, 1).bytes());
        SEGY segy;
        segy.setDevice(new QFile(source));
        QVERIFY(segy.open());
        QSignalSpy messages(&segy, &SEGY::errorMessage);
        QVERIFY(!segy.save(new QFile(dir.filePath("no/such/dir/out.sgy"), &segy)));
        QCOMPARE(messages.count(), 2);
        QVERIFY(messages.at(0).at(0).toString().endsWith(": No such file or directory."));
    }

    void failingDevices_data()
    {
        QTest::addColumn<qint64>("failAfter");
        QTest::newRow("at once") << qint64(0);
        QTest::newRow("in the binary header") << qint64(3300);
        QTest::newRow("in the traces") << qint64(5000);
    }
    void failingDevices()
    {
        QFETCH(qint64, failAfter);
        const QByteArray original = survey(40, 10, 1).bytes();

        // In place: the device is the file itself. A write that fails puts
        // back every byte written before it, and the headers stay changed.
        auto* inPlace = new FailingDevice(original, failAfter);
        inPlace->failWritesOnce();
        SEGY segy(inPlace);
        QVERIFY(segy.isLoaded());
        for (int t = 0; t < segy.traceCount(); ++t)
            QVERIFY(segy.setTraceHeaderValue(t, 0, 1000 + t));
        QSignalSpy messages(&segy, &SEGY::errorMessage);
        QVERIFY(!segy.save());
        QCOMPARE(messages.count(), 2);
        QCOMPARE(messages.at(0).at(0).toString(),
                 QStringLiteral("writing  failed (injected write failure); the file is as it was before the save."));
        QCOMPARE(messages.at(1).at(0).toString(), QStringLiteral("Error saving file."));
        QCOMPARE(inPlace->data(), original);
        QVERIFY(segy.isModified());
        QVERIFY(segy.traceHeaders().last()->isModified());
        QVERIFY(segy.save());  // the fault has passed: all of it is written now
        QCOMPARE(inPlace->data().mid(3600, 4), QByteArray::fromHex("000003e8"));
        QVERIFY(!segy.traceHeaders().last()->isModified());

        // To another device.
        FailingDevice dest(QByteArray(), failAfter);
        QVERIFY(!segy.save(&dest));
        QCOMPARE(messages.count(), 3);
        QCOMPARE(messages.at(2).at(0).toString(), QStringLiteral("Error saving file."));
        QVERIFY(!dest.isOpen());
    }

    void notLoadedSavesFail()
    {
        SEGY segy;
        QSignalSpy messages(&segy, &SEGY::errorMessage);
        QSignalSpy completed(&segy, &SEGY::saveCompleted);
        QVERIFY(!segy.save());
        QBuffer buffer;
        QVERIFY(!segy.save(&buffer));
        QCOMPARE(messages.count(), 2);
        QCOMPARE(completed.count(), 2);
    }

    void samplesThroughTestSupport()
    {
        const QByteArray original = survey(3, 6, 3, QDataStream::LittleEndian).bytes();
        auto* buffer = new QBuffer;
        buffer->setData(original);
        SEGY segy(buffer);
        QVERIFY(segy.isLoaded());
        QBuffer source;
        source.setData(original);
        source.open(QIODevice::ReadOnly);
        const QVector<double> samples = readTraceSamples(segy, &source, 2);
        QCOMPARE(samples.size(), 6);
        QCOMPARE(samples[0], -3000.0 * 2 / 32768.0);
        QCOMPARE(samples[3], 0.0);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(writeTraceSamples(segy, &out, 2, samples));
        const int at = 3600 + 2 * (240 + 12) + 240;
        QCOMPARE(out.data().mid(at), original.mid(at, 12));
        QVERIFY(readTraceSamples(segy, &source, 3).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSave)
#include "tst_save.moc"
