// The undo history over a file model: steps recorded from the inverses the
// file model hands its recorder, undone and redone through apply.

#include "changehistory.h"
#include "fixture.h"
#include "segy.h"

#include <QBuffer>
#include <QtTest>
#include <memory>

namespace {


int inlineField()
{
    return traceHeaderStartBytes().indexOf(189);
}

}  // namespace

class TestChangeHistory : public QObject
{
    Q_OBJECT

    std::unique_ptr<QBuffer> m_device;
    std::unique_ptr<SEGY> m_segy;
    ChangeHistory m_history;
    HeaderChanges m_lastInverse;

    // Runs an edit and records it as one step, as the window does.
    int step(const QString& name, const std::function<void()>& edit)
    {
        m_lastInverse = HeaderChanges();
        edit();
        return m_history.record(name, ChangeHistory::currentValues(*m_segy, m_lastInverse), m_lastInverse);
    }

private slots:
    void init()
    {
        SegyFixture fixture;
        fixture.geometry(4, 5).text("C 1 ORIGINAL", true);
        for (int i = 0; i < 6; ++i) {
            fixture.addTrace(4, 5, [](int s) { return s; });
            fixture.tr32(i, 189, 100 + i);
        }
        m_device = std::make_unique<QBuffer>();
        m_device->setData(fixture.bytes());
        m_segy = std::make_unique<SEGY>();
        QVERIFY(m_segy->load(m_device.get()));
        m_history = ChangeHistory();
        m_segy->setChangeRecorder([this](const HeaderChanges& inverse) { m_lastInverse = inverse; });
    }

    void undoRedoEachKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("range through apply") << 0;
        QTest::newRow("trace setter") << 1;
        QTest::newRow("binary setter") << 2;
        QTest::newRow("textual header") << 3;
        QTest::newRow("value stored into a listed header") << 4;
    }
    void undoRedoEachKind()
    {
        QFETCH(int, kind);
        const int field = inlineField();
        const QByteArray text = m_segy->textHeader();
        step(QStringLiteral("edit"), [&]() {
            if (kind == 0) {
                HeaderChanges changes;
                for (int i = 1; i < 5; ++i)
                    changes.setTraceValue(i, field, 7);
                changes.setTraceValue(2, field, 8);  // set twice: the later wins
                QVERIFY(m_segy->apply(changes).ok);
            } else if (kind == 1) {
                QVERIFY(m_segy->setTraceHeaderValue(3, field, 8));
            } else if (kind == 2) {
                QVERIFY(m_segy->setMainHeaderValue(5, 2000));
            } else if (kind == 3) {
                QVERIFY(m_segy->setTextHeader("C 1 EDITED"));
            } else {
                SEGYTraceHeader* header = m_segy->traceHeaders().at(3);
                header->storeValue(field, 8);
                m_segy->noteTraceValueStored(header, field, 103);
            }
        });
        QCOMPARE(m_history.count(), 1);
        auto after = [&]() {
            QCOMPARE(m_segy->traceHeaderValue(0, field), 100);
            QCOMPARE(m_segy->traceHeaderValue(3, field), kind == 0 ? 7 : kind == 2 || kind == 3 ? 103 : 8);
            QCOMPARE(m_segy->traceHeaderValue(2, field), kind == 0 ? 8 : 102);
            QCOMPARE(m_segy->mainHeaderValue(5), kind == 2 ? 2000 : 4000);
            QCOMPARE(m_segy->textHeader() == text, kind != 3);
        };
        after();
        QVERIFY(m_history.canUndo());
        QVERIFY(!m_history.canRedo());
        QVERIFY(m_history.undo(*m_segy).ok);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(m_segy->traceHeaderValue(i, field), 100 + i);
        QCOMPARE(m_segy->mainHeaderValue(5), 4000);
        QCOMPARE(m_segy->textHeader(), text);
        QVERIFY(m_history.isClean());
        QVERIFY(!m_history.canUndo());
        QVERIFY(m_history.redo(*m_segy).ok);
        after();
        QVERIFY(!m_history.isClean());
        QVERIFY(m_history.undo(*m_segy).ok);
        QVERIFY(m_history.redo(*m_segy).ok);
        after();
    }

    void unchangedValuesAreNotKept()
    {
        const int field = inlineField();
        step(QStringLiteral("range"), [&]() {
            HeaderChanges changes;
            for (int i = 0; i < 6; ++i)
                changes.setTraceValue(i, field, 103);  // trace 3 holds it already
            QVERIFY(m_segy->apply(changes).ok);
        });
        QCOMPARE(m_lastInverse.traceValues().size(), size_t(5));
    }

    void textsCleanPointAndNewStepDropsRedo()
    {
        const int field = inlineField();
        QCOMPARE(m_history.undoText(), QString());
        step(QStringLiteral("first"), [&]() { m_segy->setTraceHeaderValue(0, field, 1); });
        step(QStringLiteral("second"), [&]() { m_segy->setTraceHeaderValue(0, field, 2); });
        QCOMPARE(m_history.undoText(), QStringLiteral("second"));
        m_history.setClean();
        QVERIFY(m_history.undo(*m_segy).ok);
        QCOMPARE(m_history.redoText(), QStringLiteral("second"));
        QVERIFY(!m_history.isClean());
        QVERIFY(m_history.redo(*m_segy).ok);
        QVERIFY(m_history.isClean());
        // Undo past the save, then another edit: the saved state is gone.
        QVERIFY(m_history.undo(*m_segy).ok);
        step(QStringLiteral("third"), [&]() { m_segy->setTraceHeaderValue(0, field, 3); });
        QVERIFY(!m_history.canRedo());
        QCOMPARE(m_history.count(), 2);
        QVERIFY(!m_history.isClean());
        QVERIFY(m_history.undo(*m_segy).ok);
        QVERIFY(m_history.undo(*m_segy).ok);
        QCOMPARE(m_segy->traceHeaderValue(0, field), 100);
        QVERIFY(!m_history.isClean());
        m_history.clear();
        QVERIFY(m_history.isClean());
        QVERIFY(!m_history.canUndo() && !m_history.canRedo());
        QCOMPARE(m_history.bytes(), qint64(0));
    }

    void budgetDropsOldestSteps()
    {
        const int field = inlineField();
        int dropped = 0;
        for (int i = 1; i <= 3; ++i)
            dropped += step(QStringLiteral("edit %1").arg(i), [&]() { m_segy->setTraceHeaderValue(0, field, i); });
        QCOMPARE(dropped, 0);
        const qint64 perStep = m_history.bytes() / 3;
        m_history.setBudget(perStep * 3 + perStep / 2);
        QCOMPARE(step(QStringLiteral("edit 4"), [&]() { m_segy->setTraceHeaderValue(0, field, 4); }), 1);
        QCOMPARE(m_history.count(), 3);
        QVERIFY(m_history.bytes() <= m_history.budget());
        while (m_history.canUndo())
            QVERIFY(m_history.undo(*m_segy).ok);
        // The first step was dropped: its value stays, and the loaded state
        // is no longer reachable.
        QCOMPARE(m_segy->traceHeaderValue(0, field), 1);
        QVERIFY(!m_history.isClean());
        QCOMPARE(m_history.redoText(), QStringLiteral("edit 2"));
        // A step larger than the whole budget is still kept alone.
        m_history.setBudget(1);
        QCOMPARE(step(QStringLiteral("edit 5"), [&]() { m_segy->setTraceHeaderValue(0, field, 5); }), 0);
        QCOMPARE(m_history.count(), 1);
        QCOMPARE(step(QStringLiteral("edit 6"), [&]() { m_segy->setTraceHeaderValue(0, field, 6); }), 1);
        QCOMPARE(m_history.undoText(), QStringLiteral("edit 6"));
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("default") << ChangeHistory::DefaultBudget << "1 GB";
        QTest::newRow("bytes") << qint64(1000) << "1,000 bytes";
        QTest::newRow("few bytes") << qint64(3) << "3 bytes";
        QTest::newRow("half") << qint64(1536) * 1024 << "1.5 MB";
    }
    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(ChangeHistory::sizeText(bytes), text);
    }

    void fileModelWorksWithoutRecorder()
    {
        m_segy->setChangeRecorder({});
        HeaderChanges inverse;
        HeaderChanges changes;
        changes.setTraceValue(1, inlineField(), 5);
        QVERIFY(m_segy->apply(changes, &inverse).ok);
        QCOMPARE(inverse.traceValues().size(), size_t(1));
        QVERIFY(m_segy->setTraceHeaderValue(1, inlineField(), 6));
    }
};

QTEST_GUILESS_MAIN(TestChangeHistory)
#include "tst_changehistory.moc"
