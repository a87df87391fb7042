// The trace header edit dialog: what it hands back after its set-up and the
// user's typing, how its trace range behaves, and which traces of the file a
// range typed into it writes through the window.

#include "fixture.h"
#include "headerfields.h"
#include "headertablemodels.h"
#include "segy.h"
#include "traceheadereditdialog.h"
#include "tracesort.h"
#include "windowsupport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

namespace {

const QString EmptyRangeText = QStringLiteral("The first trace is after the last: nothing would be written.");

QSpinBox* startBox(QWidget& dialog)
{
    return dialog.findChild<QSpinBox*>(QStringLiteral("traceStartIdxSpinBox"));
}

QSpinBox* endBox(QWidget& dialog)
{
    return dialog.findChild<QSpinBox*>(QStringLiteral("traceEndIdxSpinBox"));
}

QPushButton* okButton(QWidget& dialog)
{
    return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
}

QLabel* emptyRangeLabel(QWidget& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("emptyRangeLabel"));
}

// Selects the whole text of a spin box as a user would (Ctrl+A), then types
// the text key by key; the other box must not move on any keystroke.
void typeInto(QSpinBox* box, const QString& text, const QSpinBox* other)
{
    QVERIFY(box->isEnabled());
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    auto* edit = box->findChild<QLineEdit*>();
    QVERIFY(edit);
    QCOMPARE(edit->selectedText(), edit->text());
    const int before = other->value();
    for (const QChar c : text) {
        QTest::keyClicks(box, QString(c));
        QCOMPARE(other->value(), before);
    }
    QCOMPARE(box->text(), text);
}

}  // namespace

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
        QTest::newRow("user start past end") << QList<int>{1, 1, 10, 5, 1, 10} << 8 << 0 << 8 << 5;
        QTest::newRow("user end before start") << QList<int>{6, 1, 10, 10, 1, 10} << 0 << 2 << 6 << 2;
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

    // The bounds typed key by key into the real boxes, in either order: each
    // keeps its own value, and a first trace after the last is shown and
    // refused while the range applies.
    void typedRange_data()
    {
        QTest::addColumn<bool>("endFirst");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("nothing");
        QTest::newRow("from 5, then to 10") << false << "5" << "10" << 5 << 10 << false;
        QTest::newRow("to 10, then from 5") << true << "5" << "10" << 5 << 10 << false;
        QTest::newRow("from 5, then to 3") << false << "5" << "3" << 5 << 3 << true;
        QTest::newRow("to 3, then from 5") << true << "5" << "3" << 5 << 3 << true;
        QTest::newRow("from 12, then to 1") << false << "12" << "1" << 12 << 1 << true;
        QTest::newRow("7 to 7") << false << "7" << "7" << 7 << 7 << false;
        QTest::newRow("1 to 12") << false << "1" << "12" << 1 << 12 << false;
    }
    void typedRange()
    {
        QFETCH(bool, endFirst);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, nothing);
        TraceHeaderEditDialog dialog;
        dialog.setValue(QStringLiteral("3"));
        dialog.setApplyToAllTraces(false);
        dialog.setStartRange(1, 1, 12);
        dialog.setEndRange(12, 1, 12);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.findChild<QCheckBox*>(QStringLiteral("allTracesCheckBox")), Qt::Key_Space);
        QVERIFY(dialog.applyToAllTraces());
        for (QSpinBox* box : {startBox(dialog), endBox(dialog)}) {
            QCOMPARE(box->minimum(), 1);
            QCOMPARE(box->maximum(), 12);
        }
        if (endFirst) {
            typeInto(endBox(dialog), to, startBox(dialog));
            typeInto(startBox(dialog), from, endBox(dialog));
        } else {
            typeInto(startBox(dialog), from, endBox(dialog));
            typeInto(endBox(dialog), to, startBox(dialog));
        }
        QTEST(dialog.startTrace(), "start");
        QTEST(dialog.endTrace(), "end");
        // Neither box narrowed the other's limits.
        for (QSpinBox* box : {startBox(dialog), endBox(dialog)}) {
            QCOMPARE(box->minimum(), 1);
            QCOMPARE(box->maximum(), 12);
        }
        QCOMPARE(emptyRangeLabel(dialog)->isVisibleTo(&dialog), nothing);
        QCOMPARE(emptyRangeLabel(dialog)->text(), EmptyRangeText);
        QCOMPARE(okButton(dialog)->isEnabled(), !nothing);
        if (nothing) {
            // Readable: below the range boxes, not squeezed over them.
            QLabel* label = emptyRangeLabel(dialog);
            QVERIFY(label->geometry().top() > endBox(dialog)->geometry().bottom());
            QVERIFY(label->height() >= label->heightForWidth(label->width()));
            QVERIFY(label->geometry().bottom() < okButton(dialog)->mapTo(&dialog, QPoint(0, 0)).y());
            saveSnapshot(dialog, QStringLiteral("traceheadereditdialog-emptyrange.png"));
        }

        QSignalSpy accepted(&dialog, &QDialog::accepted);
        if (nothing) {
            // Neither the disabled button, nor Return, nor a direct accept.
            QTest::mouseClick(okButton(dialog), Qt::LeftButton);
            QTest::keyClick(endBox(dialog), Qt::Key_Return);
            dialog.accept();
            QCOMPARE(accepted.count(), 0);
            QVERIFY(dialog.isVisible());
            // Without the range the same bounds do not matter.
            QTest::keyClick(dialog.findChild<QCheckBox*>(QStringLiteral("allTracesCheckBox")), Qt::Key_Space);
            QVERIFY(!emptyRangeLabel(dialog)->isVisibleTo(&dialog));
            QVERIFY(okButton(dialog)->isEnabled());
        }
        QTest::mouseClick(okButton(dialog), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
        QVERIFY(!dialog.isVisible());
    }

    // The range typed into the dialog opened from a cell of the window, and the
    // traces of the file that the accepted edit changed.
    void windowWritesRange_data()
    {
        QTest::addColumn<bool>("columns");
        QTest::addColumn<bool>("sorted");  // descending by 1-4: position p is file trace n - p
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QList<int>>("written");  // file order, 0-based; empty: refused
        QTest::newRow("5 to 10") << false << false << "5" << "10" << QList<int>{4, 5, 6, 7, 8, 9};
        QTest::newRow("5 to 10, columns") << true << false << "5" << "10" << QList<int>{4, 5, 6, 7, 8, 9};
        QTest::newRow("5 to 10, sorted") << false << true << "5" << "10" << QList<int>{7, 6, 5, 4, 3, 2};
        QTest::newRow("5 to 3") << false << false << "5" << "3" << QList<int>();
        QTest::newRow("7 to 7") << false << false << "7" << "7" << QList<int>{6};
        QTest::newRow("7 to 7, sorted") << false << true << "7" << "7" << QList<int>{5};
        QTest::newRow("1 to 1") << false << false << "1" << "1" << QList<int>{0};
        QTest::newRow("12 to 12") << true << false << "12" << "12" << QList<int>{11};
        QTest::newRow("1 to 12") << false << false << "1" << "12" << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    }
    void windowWritesRange()
    {
        QFETCH(bool, columns);
        QFETCH(bool, sorted);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QList<int>, written);
        constexpr int Traces = 12;
        const int id = traceHeaderFieldIndex(QStringLiteral("9"));  // field record number, 4 bytes
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("range.sgy"));
        SegyFixture f;
        f.text("C 1 RANGE").geometry(2, 1, 4000);
        for (int t = 0; t < Traces; ++t) {
            f.addTrace(2, 1, [](int i) { return double(i); });
            f.tr32(t, 1, t + 1).tr32(t, 9, 100 + t);
        }
        QVERIFY(f.writeTo(path));

        MainWindow w;
        QVERIFY(loadAndWait(w, path));
        if (sorted)
            w.traceHeaderList()->sort({TraceHeaderSortKey{traceHeaderFieldIndex(QStringLiteral("1")), false}});
        if (columns)
            w.findChild<QToolButton*>(QStringLiteral("traceHeaderSwitchModeButton"))->click();
        auto* model = qobject_cast<SEGYTraceHeadersTableModel*>(
            w.findChild<QTableView*>(QStringLiteral("traceHeadersTableView"))->model());
        QVERIFY(model);
        const QModelIndex cell = model->cellIndex(0, id);
        QMetaObject::invokeMethod(&w, "on_traceHeadersTableView_clicked", Q_ARG(QModelIndex, cell));
        QMetaObject::invokeMethod(&w, "on_traceHeadersTableView_doubleClicked", Q_ARG(QModelIndex, cell));
        auto* dialog = w.findChild<TraceHeaderEditDialog*>();
        QVERIFY(dialog->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(dialog));

        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("traceFieldLineEdit")), QStringLiteral("-7"));
        QTest::keyClick(dialog->findChild<QCheckBox*>(QStringLiteral("allTracesCheckBox")), Qt::Key_Space);
        typeInto(startBox(*dialog), from, endBox(*dialog));
        typeInto(endBox(*dialog), to, startBox(*dialog));

        ModalAnswers answers;
        answers.click(QMessageBox::Ok);  // only if the window warns, which it must not
        QTest::mouseClick(okButton(*dialog), Qt::LeftButton);
        if (written.isEmpty()) {
            dialog->accept();
            QVERIFY(dialog->isVisible());
            QVERIFY(emptyRangeLabel(*dialog)->isVisible());
            dialog->reject();
        }
        QTest::qWait(50);
        QCOMPARE(answers.seen, QStringList());
        QVERIFY(!dialog->isVisible());
        for (int t = 0; t < Traces; ++t)
            QCOMPARE(w.segy()->traceHeaderValue(t, id), written.contains(t) ? -7 : 100 + t);
        QCOMPARE(w.hasPendingModification(), !written.isEmpty());
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
        dialog.setValue(QStringLiteral("1200"));
        dialog.setApplyToAllTraces(true);
        dialog.setStartRange(1, 1, 1000000);
        dialog.setEndRange(1000000, 1, 1000000);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        saveSnapshot(dialog, QStringLiteral("traceheadereditdialog.png"));
    }

private:
    static void saveSnapshot(TraceHeaderEditDialog& dialog, const QString& name)
    {
        const QString dir = qEnvironmentVariable("TREVALON_SNAPSHOT_DIR");
        if (!dir.isEmpty())
            QVERIFY(dialog.grab().save(dir + QLatin1Char('/') + name));
    }
};

QTEST_MAIN(TestTraceHeaderEditDialog)
#include "tst_traceheadereditdialog.moc"
