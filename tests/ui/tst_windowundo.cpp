// Undo and redo in the window, driven offscreen: every kind of change taken
// back and made again in the file model, the pending flag at the saved
// state, a save after an undo, and the history's byte budget.

#include "fixture.h"
#include "headerfields.h"
#include "headertablemodels.h"
#include "reprojectcoordinatesdialog.h"
#include "segy.h"
#include "traceheadereditdialog.h"
#include "windowsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QPlainTextEdit>
#include <QWizard>
#include <QtTest>

namespace {

constexpr int Traces = 5;

int field(const char* startByte)
{
    return traceHeaderFieldIndex(QLatin1String(startByte));
}

SegyFixture survey()
{
    SegyFixture f;
    f.text("C 1 UNDO").geometry(2, 1, 4000);
    for (int t = 0; t < Traces; ++t) {
        f.addTrace(2, 1, [](int i) { return double(i); });
        f.tr32(t, 1, t + 1).tr16(t, 29, 1).tr16(t, 71, -100).tr16(t, 89, 1).tr32(t, 189, 10 + t);
        for (int byte : {73, 81, 181})
            f.tr32(t, byte, 43215000 + 2500 * t);
        for (int byte : {77, 85, 185})
            f.tr32(t, byte, 458132000 + 1000 * t);
    }
    return f;
}

// Every header value of the file model, in one comparable block.
QByteArray headerState(const SEGY& segy)
{
    QByteArray state = segy.textHeader();
    QDataStream out(&state, QIODevice::Append);
    for (int f = 0; f < BinaryHeaderFieldCount; ++f)
        out << segy.mainHeaderValue(f);
    for (int t = 0; t < segy.traceCount(); ++t)
        for (int f = 0; f < TraceHeaderFieldCount; ++f)
            out << segy.traceHeaderValue(t, f);
    return state;
}

QAction* action(MainWindow& w, const char* name)
{
    return w.findChild<QAction*>(QLatin1String(name));
}

}  // namespace

class TestWindowUndo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    // The change of one kind, made as a user would.
    void change(MainWindow& w, const QString& kind)
    {
        auto* view = w.findChild<QTableView*>(QStringLiteral("traceHeadersTableView"));
        auto* model = qobject_cast<SEGYTraceHeadersTableModel*>(view->model());
        ModalAnswers answers;
        if (kind == QLatin1String("cell")) {
            QVERIFY(model->setData(model->cellIndex(2, field("189")), QStringLiteral("77"), Qt::EditRole));
        } else if (kind == QLatin1String("binary cell")) {
            auto* binary = w.findChild<QTableView*>(QStringLiteral("binaryHeaderTableView"))->model();
            QVERIFY(binary->setData(binary->index(5, 0), QStringLiteral("2000"), Qt::EditRole));
        } else if (kind == QLatin1String("range")) {
            const QModelIndex cell = model->cellIndex(0, field("189"));
            QMetaObject::invokeMethod(&w, "on_traceHeadersTableView_doubleClicked", Q_ARG(QModelIndex, cell));
            auto* dialog = w.findChild<TraceHeaderEditDialog*>();
            dialog->setValue(QStringLiteral("5"));
            dialog->setApplyToAllTraces(true);
            dialog->setStartRange(2, 1, Traces);
            dialog->setEndRange(4, 1, Traces);
            dialog->accept();
        } else if (kind == QLatin1String("CSV import")) {
            const QString csv = m_dir.filePath(QStringLiteral("headers.csv"));
            QFile::remove(csv);
            QVERIFY(w.segy()->exportTraceHeadersToASCIIFile(csv, QStringLiteral(", ")));
            QFile file(csv);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QList<QByteArray> lines = file.readAll().split('\n');
            file.close();
            for (int line : {1, 3}) {
                QList<QByteArray> cells = lines[line].split(',');
                cells[field("189")] = " 4242";
                cells[field("1")] = " 99";
                lines[line] = cells.join(',');
            }
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(lines.join('\n'));
            file.close();
            answers.choose(csv);
            action(w, "actionTrace_headers_from_ASCII_data_file")->trigger();
        } else if (kind == QLatin1String("reprojection")) {
            answers.then([](QWidget* modal) {
                auto* dialog = qobject_cast<ReprojectCoordinatesDialog*>(modal);
                dialog->findChild<QComboBox*>(QStringLiteral("inEpsgComboBox"))
                    ->setEditText(QStringLiteral("+proj=utm +zone=31 +ellps=intl +units=m +no_defs"));
                dialog->findChild<QComboBox*>(QStringLiteral("outEpsgComboBox"))
                    ->setEditText(QStringLiteral("+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs"));
                dialog->accept();
            });
            action(w, "actionReproject_coordinates")->trigger();
        } else if (kind == QLatin1String("positioning import")) {
            const QString text = m_dir.filePath(QStringLiteral("positions.txt"));
            QFile out(text);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write("a;10;20\r\nb;11;21\r\n");
            out.close();
            answers.choose(text).then([](QWidget* modal) {
                auto* wizard = qobject_cast<QWizard*>(modal);
                wizard->findChild<QCheckBox*>(QStringLiteral("semicolonCheckBox"))->click();
                while (wizard->currentId() != wizard->pageIds().last())
                    wizard->next();
                QWidget* page = wizard->currentPage();
                page->findChild<QCheckBox*>(QStringLiteral("cdpCheckBox"))->setChecked(true);
                page->findChild<QSpinBox*>(QStringLiteral("cdpXSpinBox"))->setValue(2);
                page->findChild<QSpinBox*>(QStringLiteral("cdpYSpinBox"))->setValue(3);
                wizard->accept();
            });
            answers.click(QMessageBox::Ok);  // the import's summary
            action(w, "actionImport_positioning_data")->trigger();
        } else if (kind == QLatin1String("textual header")) {
            w.findChild<QPushButton*>(QStringLiteral("editTextHeaderButton"))->click();
            auto* edit = w.findChild<QPlainTextEdit*>(QStringLiteral("textHeaderEdit"));
            edit->moveCursor(QTextCursor::Start);
            QTest::keyClicks(edit, QStringLiteral("NEW "));
        }
        QTRY_VERIFY(answers.allAnswered());
    }

private slots:
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("undo.sgy"));
        QFile::remove(m_file);
        QVERIFY(survey().writeTo(m_file));
    }

    void undoRedo_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("undoText");
        QTest::newRow("cell") << "cell" << "Undo Edit 189-192 on trace 3";
        QTest::newRow("binary cell") << "binary cell" << "Undo Edit 3217-3218";
        QTest::newRow("range") << "range" << "Undo Edit 189-192 on 3 traces";
        QTest::newRow("CSV import") << "CSV import" << "Undo Import trace headers";
        QTest::newRow("reprojection") << "reprojection" << "Undo Reproject coordinates";
        QTest::newRow("positioning import") << "positioning import" << "Undo Import positions";
        QTest::newRow("textual header") << "textual header" << "Undo Edit textual header";
    }
    void undoRedo()
    {
        QFETCH(QString, kind);
        QFETCH(QString, undoText);
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        QAction* undo = action(w, "actionUndo");
        QAction* redo = action(w, "actionRedo");
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        const QByteArray before = headerState(*w.segy());
        change(w, kind);
        // The box becomes a step when it is stored: here, as the menu opens.
        emit w.findChild<QMenu*>(QStringLiteral("menuEdit"))->aboutToShow();
        const QByteArray after = headerState(*w.segy());
        QVERIFY(after != before);
        QVERIFY(w.hasPendingModification());
        QCOMPARE(undo->text(), undoText);
        QCOMPARE(w.history().count(), 1);

        undo->trigger();
        QCOMPARE(headerState(*w.segy()), before);
        QVERIFY(!w.hasPendingModification());
        QVERIFY(!undo->isEnabled());
        QCOMPARE(redo->text(), QString(undoText).replace(0, 4, QStringLiteral("Redo")));
        auto* view = w.findChild<QTableView*>(QStringLiteral("traceHeadersTableView"));
        QCOMPARE(view->model()->index(2, field("189")).data(RawValueRole).toInt(), 12);
        QCOMPARE(w.findChild<QPlainTextEdit*>(QStringLiteral("textHeaderEdit"))->toPlainText().left(8),
                 QStringLiteral("C 1 UNDO"));

        redo->trigger();
        QCOMPARE(headerState(*w.segy()), after);
        QVERIFY(w.hasPendingModification());
        QCOMPARE(undo->text(), undoText);
        QVERIFY(!redo->isEnabled());
        // Nothing was recorded by the undo and redo themselves.
        QCOMPARE(w.history().count(), 1);
    }

    // Save, undo past the save, save again: the old bytes are back on disk;
    // the flag follows the saved state both ways.
    void undoPastSave()
    {
        const QByteArray original = fileBytes(m_file);
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        change(w, QStringLiteral("range"));
        change(w, QStringLiteral("cell"));
        auto save = [&]() {
            ModalAnswers answers;
            answers.click(QMessageBox::Ok);
            QVERIFY(waitForOperation(w, [&]() { action(w, "actionSave")->trigger(); }));
            QTRY_VERIFY(answers.allAnswered());
        };
        save();
        QVERIFY(!w.hasPendingModification());
        const QByteArray edited = fileBytes(m_file);
        QVERIFY(edited != original);

        action(w, "actionUndo")->trigger();
        QVERIFY(w.hasPendingModification());
        action(w, "actionRedo")->trigger();
        QVERIFY(!w.hasPendingModification());
        action(w, "actionUndo")->trigger();
        action(w, "actionUndo")->trigger();
        QVERIFY(w.hasPendingModification());
        save();
        QCOMPARE(fileBytes(m_file), original);
        QVERIFY(!w.hasPendingModification());
        // Redo away from the new saved state, and back to the first save.
        action(w, "actionRedo")->trigger();
        QVERIFY(w.hasPendingModification());
        action(w, "actionRedo")->trigger();
        save();
        QCOMPARE(fileBytes(m_file), edited);
        // A new load starts a new history.
        QVERIFY(loadAndWait(w, m_file));
        QVERIFY(!action(w, "actionUndo")->isEnabled());
    }

    void budgetDropsOldestStep()
    {
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        change(w, QStringLiteral("range"));
        // Room for the range edit and a little more, not for a second step.
        w.history().setBudget(w.history().bytes() + 10);
        QVERIFY(!w.errorLog().contains(QLatin1String("dropped")));
        change(w, QStringLiteral("cell"));
        QVERIFY(w.errorLog().contains(QStringLiteral("The oldest undo steps were dropped to keep the history under %1.")
                                          .arg(ChangeHistory::sizeText(w.history().budget()))));
        QCOMPARE(w.history().count(), 1);
        action(w, "actionUndo")->trigger();
        QVERIFY(!action(w, "actionUndo")->isEnabled());
        // The range edit stays; the saved state is out of reach.
        QCOMPARE(w.segy()->traceHeaderValue(2, field("189")), 5);
        QVERIFY(w.hasPendingModification());
    }

    // A picture of the window with the Edit menu open after an undo, for a
    // look by eye (TREVALON_SNAPSHOT_DIR).
    void snapshot()
    {
        const QString dir = qEnvironmentVariable("TREVALON_SNAPSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("TREVALON_SNAPSHOT_DIR is not set");
        MainWindow w;
        w.resize(1180, 720);
        w.show();
        QVERIFY(loadAndWait(w, m_file));
        change(w, QStringLiteral("range"));
        change(w, QStringLiteral("cell"));
        action(w, "actionUndo")->trigger();
        auto* menu = w.findChild<QMenu*>(QStringLiteral("menuEdit"));
        w.menuBar()->setActiveAction(menu->menuAction());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(w.grab().save(dir + QStringLiteral("/window-undo.png")));
        QVERIFY(menu->grab().save(dir + QStringLiteral("/window-edit-menu.png")));
        menu->hide();
    }
};

QTEST_MAIN(TestWindowUndo)
#include "tst_windowundo.moc"
