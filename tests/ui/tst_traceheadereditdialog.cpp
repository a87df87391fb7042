// The trace header edit dialog: what it hands back after its set-up and the
// user's typing, and how its trace range behaves.

#include "traceheadereditdialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

class TestTraceHeaderEditDialog : public QObject
{
    Q_OBJECT

private slots:
    void valueField_data()
    {
        QTest::addColumn<QString>("prefill");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("acceptable");
        QTest::newRow("prefill kept") << "-32768" << "" << "-32768" << true;
        QTest::newRow("typing replaces") << "1" << "-250" << "-250" << true;
        QTest::newRow("lowest int") << "" << "-2147483648" << "-2147483648" << true;
        QTest::newRow("group separator") << "" << "1,000" << "1000" << true;
        QTest::newRow("fraction") << "" << "12.5" << "125" << true;
        QTest::newRow("letters and blanks") << "" << " 1e3x" << "13" << true;
        QTest::newRow("lone minus") << "5" << "-" << "-" << false;
        QTest::newRow("past 32 bits") << "" << "2147483648" << "2147483648" << false;
    }
    void valueField()
    {
        QFETCH(QString, prefill);
        QFETCH(QString, typed);
        TraceHeaderEditDialog dialog;
        dialog.setValue(prefill);
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("traceFieldLineEdit"));
        QVERIFY(edit);
        QCOMPARE(edit->selectedText(), prefill);
        QTest::keyClicks(edit, typed);
        QTEST(dialog.value(), "value");
        QTEST(edit->hasAcceptableInput(), "acceptable");
    }

    void traceRange_data()
    {
        // Set-up as (value, minimum, maximum) for the first and the last trace,
        // then what the user puts into either box (0: nothing).
        QTest::addColumn<QList<int>>("setUp");
        QTest::addColumn<int>("userStart");
        QTest::addColumn<int>("userEnd");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::newRow("window set-up") << QList<int>{1, 1, 1000000, 1000000, 1, 1000000} << 0 << 0 << 1 << 1000000;
        QTest::newRow("set-up start past end") << QList<int>{500, 1, 1000, 1000, 1, 1000} << 0 << 0 << 500 << 1000;
        QTest::newRow("clamped to limits") << QList<int>{0, 1, 10, 11, 1, 10} << 0 << 0 << 1 << 10;
        QTest::newRow("user start past end") << QList<int>{1, 1, 10, 5, 1, 10} << 8 << 0 << 8 << 8;
        QTest::newRow("user end before start") << QList<int>{6, 1, 10, 10, 1, 10} << 0 << 2 << 2 << 2;
        QTest::newRow("user range 3 to 5") << QList<int>{1, 1, 10, 10, 1, 10} << 3 << 5 << 3 << 5;
        QTest::newRow("no traces") << QList<int>{1, 1, 0, 0, 1, 0} << 0 << 0 << 0 << 0;
    }
    void traceRange()
    {
        QFETCH(QList<int>, setUp);
        QFETCH(int, userStart);
        QFETCH(int, userEnd);
        TraceHeaderEditDialog dialog;
        dialog.setStartRange(setUp[0], setUp[1], setUp[2]);
        dialog.setEndRange(setUp[3], setUp[4], setUp[5]);
        if (userStart)
            dialog.findChild<QSpinBox*>(QStringLiteral("traceStartIdxSpinBox"))->setValue(userStart);
        if (userEnd)
            dialog.findChild<QSpinBox*>(QStringLiteral("traceEndIdxSpinBox"))->setValue(userEnd);
        QTEST(dialog.startTrace(), "start");
        QTEST(dialog.endTrace(), "end");
    }

    void rangeFollowsCheckBox()
    {
        TraceHeaderEditDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit header value"));
        QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
        const QStringList range{QStringLiteral("fromLabel"), QStringLiteral("traceStartIdxSpinBox"),
                                QStringLiteral("toLabel"), QStringLiteral("traceEndIdxSpinBox")};
        for (bool apply : {false, true, false}) {
            dialog.setApplyToAllTraces(apply);
            QCOMPARE(dialog.applyToAllTraces(), apply);
            for (const QString& name : range)
                QVERIFY2(dialog.findChild<QWidget*>(name)->isEnabled() == apply, qPrintable(name));
        }
        saveSnapshot(dialog);
    }

private:
    static void saveSnapshot(TraceHeaderEditDialog& dialog)
    {
        const QString dir = qEnvironmentVariable("TREVALON_SNAPSHOT_DIR");
        if (dir.isEmpty())
            return;
        dialog.setValue(QStringLiteral("1200"));
        dialog.setApplyToAllTraces(true);
        dialog.setStartRange(1, 1, 1000000);
        dialog.setEndRange(1000000, 1, 1000000);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.grab().save(dir + QStringLiteral("/traceheadereditdialog.png")));
    }
};

QTEST_MAIN(TestTraceHeaderEditDialog)
#include "tst_traceheadereditdialog.moc"
