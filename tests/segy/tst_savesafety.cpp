// The pieces that keep an in-place save all or nothing: the journal of the
// bytes it overwrites, its recovery after a crash, file identity and locks.
#include "fileguard.h"
#include "fixture.h"
#include "savejournal.h"
#include "segy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

// Overwrites the ranges as a save would, after journalling them.
void journalAndOverwrite(const QString& path, const QList<QPair<qint64, QByteArray>>& changes)
{
    const QByteArray before = readAll(path);
    SaveJournal journal(path);
    for (const auto& change : changes)
        journal.add(change.first, reinterpret_cast<const uchar*>(before.constData()) + change.first, change.second.size());
    QString error;
    QVERIFY2(journal.write(FileIdentity::ofPath(path), &error), qPrintable(error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    for (const auto& change : changes) {
        f.seek(change.first);
        f.write(change.second);
    }
}

}  // namespace

class TestSaveSafety : public QObject
{
    Q_OBJECT

private slots:
    // A journal left by a save that died undoes it; one cut short while it
    // was written is dropped (the file was not touched yet); one that names
    // another file is left alone.
    void recovery_data()
    {
        QTest::addColumn<int>("cutJournalTo");  // -1: whole
        QTest::addColumn<bool>("replaceFile");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole journal") << -1 << false << int(SaveJournal::Recovery::Restored);
        QTest::newRow("cut in its header") << 20 << false << int(SaveJournal::Recovery::Discarded);
        QTest::newRow("cut in a range") << 70 << false << int(SaveJournal::Recovery::Discarded);
        QTest::newRow("cut before its end mark") << -9 << false << int(SaveJournal::Recovery::Discarded);
        QTest::newRow("file replaced since") << -1 << true << int(SaveJournal::Recovery::Foreign);
    }
    void recovery()
    {
        QFETCH(int, cutJournalTo);
        QFETCH(bool, replaceFile);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("survey.sgy");
        QByteArray original(5000, '\0');
        for (int i = 0; i < original.size(); ++i)
            original[i] = char(i * 7);
        writeAll(path, original);
        journalAndOverwrite(path, {{100, QByteArray(240, 'x')}, {3000, QByteArray(240, 'y')}});
        const QString journalPath = SaveJournal::pathFor(path);
        QVERIFY(QFile::exists(journalPath));
        const QByteArray written = readAll(path);
        if (cutJournalTo != -1) {
            QByteArray j = readAll(journalPath);
            writeAll(journalPath, j.left(cutJournalTo < 0 ? j.size() + cutJournalTo : cutJournalTo));
        }
        if (replaceFile) {
            QFile::rename(path, dir.filePath("old.sgy"));
            writeAll(path, written);
        }
        QString error;
        QCOMPARE(int(SaveJournal::recover(path, &error)), expected);
        const bool restored = expected == int(SaveJournal::Recovery::Restored);
        QCOMPARE(readAll(path), restored ? original : written);
        QCOMPARE(QFile::exists(journalPath), expected == int(SaveJournal::Recovery::Foreign));
        QCOMPARE(int(SaveJournal::recover(path, &error)),
                 int(replaceFile ? SaveJournal::Recovery::Foreign : SaveJournal::Recovery::None));
    }

    // A save over somebody else's change writes nothing: the bytes it would
    // overwrite differ from the load's, or the path names another file now.
    void fileChangedSinceLoad_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("a header it would write") << 0;
        QTest::newRow("the binary header") << 1;
        QTest::newRow("replaced by a file of the same size") << 2;
        QTest::newRow("journal path taken") << 3;
    }
    void fileChangedSinceLoad()
    {
        QFETCH(int, how);
        QTemporaryDir dir;
        const QString path = dir.filePath("survey.sgy");
        SegyFixture fx;
        fx.geometry(4, 1);
        for (int t = 0; t < 3; ++t)
            fx.addTrace(4, QByteArray(16, '\x01'));
        writeAll(path, fx.bytes());
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QVERIFY(segy.setTraceHeaderValue(1, 0, 77));
        QByteArray outside = fx.bytes();
        if (how == 0)
            outside[3600 + 256 + 10] = 'x';  // trace 1's header
        else if (how == 1)
            outside[3216] = 'x';
        if (how == 2) {
            QVERIFY(QFile::rename(path, dir.filePath("old.sgy")));
            writeAll(path, outside);
        } else if (how == 3) {
            QVERIFY(QFile::link(dir.filePath("nowhere"), SaveJournal::pathFor(path)));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.write(outside);
        }
        QVERIFY(!segy.save());
        QVERIFY2(segy.lastError().contains(how == 3 ? "the save journal could not be written"
                                                    : "was changed by another program since it was loaded; nothing was written."),
                 qPrintable(segy.lastError()));
        QCOMPARE(readAll(path), outside);
        QVERIFY(segy.isModified());
    }

    // Save as onto a file keeps its permission bits and its owner.
    void saveAsKeepsModeAndOwner()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("survey.sgy");
        const QString target = dir.filePath("target.sgy");
        SegyFixture fx;
        fx.geometry(4, 1);
        fx.addTrace(4, QByteArray(16, '\x01'));
        writeAll(path, fx.bytes());
        writeAll(target, "old");
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0640) == 0);
        const bool root = ::geteuid() == 0;
        if (root)
            QVERIFY(::chown(QFile::encodeName(target).constData(), 65534, 65534) == 0);
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        QFile destination(target);
        QVERIFY(segy.save(&destination));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(target).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0640);
        if (root)
            QCOMPARE(int(st.st_uid), 65534);
        QCOMPARE(readAll(target).size(), fx.bytes().size());
    }

    void journalThatCannotBeWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("survey.sgy");
        writeAll(path, QByteArray(1000, 'a'));
        writeAll(SaveJournal::pathFor(path), "stale");  // a journal is never overwritten
        SaveJournal journal(path);
        journal.add(0, reinterpret_cast<const uchar*>("abcd"), 4);
        QString error;
        QVERIFY(!journal.write(FileIdentity::ofPath(path), &error));
        QVERIFY(error.contains("File exists"));
    }

    void identityThroughLinks()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("survey.sgy");
        writeAll(path, "x");
        QVERIFY(QFile::link(path, dir.filePath("link.sgy")));
        QVERIFY(isSameFile(path, dir.filePath("link.sgy")));
        QVERIFY(isSameFile(path, dir.path() + "/./survey.sgy"));
        writeAll(dir.filePath("other.sgy"), "x");
        QVERIFY(!isSameFile(path, dir.filePath("other.sgy")));
        QVERIFY(!isSameFile(path, dir.filePath("missing.sgy")));
    }

    // A second process waits for the lock the first holds.
    void lockWaitsForHolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("survey.sgy");
        writeAll(path, "x");
        FileLock held(path);
        QVERIFY(held.lock());
        QProcess other;
        other.start("flock", {"--nonblock", path, "true"});
        QVERIFY(other.waitForFinished());
        QVERIFY(other.exitCode() != 0);
        held.unlock();
        other.start("flock", {"--nonblock", path, "true"});
        QVERIFY(other.waitForFinished());
        QCOMPARE(other.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSaveSafety)
#include "tst_savesafety.moc"
