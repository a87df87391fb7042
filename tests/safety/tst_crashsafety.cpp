// An in-place save killed at any moment leaves the file as it was or as
// saved, never in between, once the next load has run; two writers of one
// file take turns and both edits survive.
#include "clitest.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// A file whose full in-place save takes a while: many short traces, so that
// every trace header is rewritten.
void writeLargeFile(const QString& path, int traces)
{
    SegyFixture header;
    header.geometry(8, 1);
    QByteArray bytes = header.bytes();
    QByteArray trace(240 + 8 * 4, '\0');
    trace[114] = 0;
    trace[115] = 8;
    bytes.reserve(bytes.size() + traces * trace.size());
    for (int t = 0; t < traces; ++t) {
        trace[0] = char(t >> 24);
        trace[1] = char(t >> 16);
        trace[2] = char(t >> 8);
        trace[3] = char(t);
        bytes.append(trace);
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

const QStringList EditAll = {"edit", "-t", "189=i + 7", "--quiet"};

// Whether the save's journal is written whole: from then on the save
// changes the file.
bool journalComplete(const QString& path)
{
    QFile f(path + ".trevalon-journal");
    if (!f.open(QIODevice::ReadOnly) || f.size() < 8 || !f.seek(f.size() - 8))
        return false;
    return f.read(8) == "TRVJEND1";
}

}  // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void killedSaveIsUndoneByNextLoad()
    {
        QTemporaryDir dir;
        const QString original = dir.filePath("original.sgy");
        writeLargeFile(original, 400000);
        const QByteArray before = fileChecksum(original);

        // The file as a save that ran to its end leaves it, and how long the
        // save takes to change the file: from its journal's completion to
        // its removal.
        const QString saved = dir.filePath("saved.sgy");
        QVERIFY(QFile::copy(original, saved));
        QProcess full;
        full.start(executable(), QStringList{saved} + EditAll);
        QVERIFY(full.waitForStarted());
        QElapsedTimer timer;
        qint64 appeared = -1;
        qint64 saveMs = 0;
        timer.start();
        while (full.state() != QProcess::NotRunning) {
            const bool journal = QFile::exists(saved + ".trevalon-journal");
            if (appeared < 0 && journalComplete(saved))
                appeared = timer.elapsed();
            if (!journal && appeared >= 0 && saveMs == 0)
                saveMs = timer.elapsed() - appeared;
            full.waitForFinished(1);
        }
        QCOMPARE(full.exitCode(), 0);
        QVERIFY2(appeared >= 0, "the save wrote no journal");
        saveMs = std::max<qint64>(saveMs, 1);
        const QByteArray after = fileChecksum(saved);
        QVERIFY(after != before);

        // Killed at points spread over the writing: the next load puts the
        // file back as it was, byte for byte.
        int undone = 0;
        const int points = 12;
        for (int k = 0; k < points; ++k) {
            const QString path = dir.filePath(QStringLiteral("killed%1.sgy").arg(k));
            QVERIFY(QFile::copy(original, path));
            QProcess child;
            child.start(executable(), QStringList{path} + EditAll);
            QVERIFY(child.waitForStarted());
            while (child.state() != QProcess::NotRunning && !journalComplete(path))
                child.waitForFinished(1);
            QThread::usleep(static_cast<unsigned long>(saveMs * 1000 * k / points));
            ::kill(pid_t(child.processId()), SIGKILL);
            child.waitForFinished();

            const Result info = runProgram({path, "info"});
            QCOMPARE(info.status, 0);
            const QByteArray now = fileChecksum(path);
            QVERIFY2(now == before || now == after, qPrintable(QStringLiteral("killed at point %1").arg(k)));
            if (info.err.join('\n').contains("an interrupted save of"))
                ++undone;
            QVERIFY(!QFile::exists(path + ".trevalon-journal"));
            QFile::remove(path);
        }
        qInfo("save of %lld ms; %d of %d kills interrupted it and the next load undid it", saveMs, undone, points);
        QVERIFY(undone > 0);
    }

    // Two commands editing one file: the second waits for the first, says
    // so once, and both edits are in the file.
    void secondWriterWaits()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("shared.sgy");
        writeLargeFile(path, 200000);
        QProcess first;
        first.start(executable(), {path, "edit", "-t", "189=i + 7", "--quiet"});
        QVERIFY(first.waitForStarted());
        QTest::qWait(150);
        const Result second = runProgram({path, "edit", "-t", "193=i * 2", "--quiet"});
        QVERIFY(first.waitForFinished(600000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.status, 0);
        const Result dump = runProgram({path, "dump", "--traces", "199990-200000", "--fields", "189,193"});
        QCOMPARE(dump.status, 0);
        QVERIFY2(dump.out.join('\n').contains("199999\t200006\t399998"), qPrintable(dump.out.join('\n')));
        QVERIFY(second.err.filter("Waiting for another process").size() <= 1);
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
