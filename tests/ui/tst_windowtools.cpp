// The tools of the window's trace header tab, driven offscreen: the edit
// dialog on a cell or a range in either orientation and after a sort, the
// fields shown, trace headers to and from text, and the reprojection checked
// against the file model's own.

#include "fieldlayout.h"
#include "fixture.h"
#include "headerfields.h"
#include "headertablemodels.h"
#include "reprojection.h"
#include "reprojectcoordinatesdialog.h"
#include "segy.h"
#include "segytraceheadercomparertablemodel.h"
#include "traceheadereditdialog.h"
#include "traceheaderssortdialog.h"
#include "tracesort.h"
#include "windowsupport.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QTabWidget>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QWizard>
#include <QSpinBox>
#include <QCheckBox>
#include <QtTest>
#include <cstring>

namespace {

constexpr int Traces = 6;

int field(const char* startByte)
{
    return traceHeaderFieldIndex(QLatin1String(startByte));
}

// Traces numbered 1..6 in 1-4, identification code 1, coordinates in
// centimetres of UTM zone 31 (ED50).
SegyFixture survey()
{
    SegyFixture f;
    f.text("C 1 TOOLS").geometry(2, 1, 4000);
    for (int t = 0; t < Traces; ++t) {
        f.addTrace(2, 1, [](int i) { return double(i); });
        f.tr32(t, 1, t + 1).tr16(t, 29, 1).tr16(t, 71, -100).tr16(t, 89, 1);
        for (int byte : {73, 81, 181})
            f.tr32(t, byte, 43215000 + 2500 * t);
        for (int byte : {77, 85, 185})
            f.tr32(t, byte, 458132000 + 1000 * t);
    }
    return f;
}

QTableView* traceView(MainWindow& w)
{
    return w.findChild<QTableView*>(QStringLiteral("traceHeadersTableView"));
}

void clickCell(MainWindow& w, const QModelIndex& index, bool twice)
{
    QMetaObject::invokeMethod(&w, "on_traceHeadersTableView_clicked", Q_ARG(QModelIndex, index));
    if (twice)
        QMetaObject::invokeMethod(&w, "on_traceHeadersTableView_doubleClicked", Q_ARG(QModelIndex, index));
}

}  // namespace

class TestWindowTools : public QObject
{
    Q_OBJECT

private:
    QString m_file;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // The remembered layout goes to a settings file of this run's own.
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
    }

    // A layout's fields in the field list and the table, edited through the
    // edit dialog as typed, validated by type, and remembered.
    void fieldLayout()
    {
        const QString layout = m_dir.filePath(QStringLiteral("layout.json"));
        QFile json(layout);
        QVERIFY(json.open(QIODevice::WriteOnly));
        json.write(R"({"traceHeader": [{"name": "cdpx_f", "byte": 181, "type": "ieee32", "description": "CDP X as a float"}]})");
        json.close();
        {
            MainWindow w;
            QVERIFY(loadAndWait(w, m_file));
            QVERIFY(w.loadFieldLayout(layout));
            auto* list = w.findChild<QTableView*>(QStringLiteral("selectedHeadersTableView"));
            QCOMPARE(list->model()->rowCount(), TraceHeaderFieldCount + 1);
            QVERIFY(list->model()->index(TraceHeaderFieldCount, 0).data().toString().startsWith("[cdpx_f] - CDP X"));
            QAbstractItemModel* table = traceView(w)->model();
            QCOMPARE(table->headerData(TraceHeaderFieldCount, Qt::Horizontal).toString(), QString("cdpx_f"));

            for (const QString& typed : {QStringLiteral("12.5"), QStringLiteral("x1.5e")}) {
                const QModelIndex cell = table->index(2, TraceHeaderFieldCount);
                clickCell(w, cell, true);
                auto* dialog = w.findChild<TraceHeaderEditDialog*>();
                auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("traceFieldLineEdit"));
                edit->clear();
                QTest::keyClicks(edit, typed);
                ModalAnswers answers;
                if (typed != QLatin1String("12.5"))
                    answers.click(QMessageBox::Ok);
                dialog->accept();
                QCOMPARE(answers.seen.size(), typed == QLatin1String("12.5") ? 0 : 1);
                // Letters are never let through: "x1.5e" arrives as "1.5e", no number.
                QCOMPARE(cell.data().toString(), QString("12.5"));
            }
            float stored = 12.5f;
            quint32 bits;
            std::memcpy(&bits, &stored, 4);
            QCOMPARE(quint32(w.segy()->traceHeaderValue(2, fieldIndex(TraceField::CdpX))), bits);
            if (!qEnvironmentVariableIsEmpty("TREVALON_SNAPSHOT_DIR")) {
                w.resize(1180, 720);
                w.show();
                w.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(2);
                QCoreApplication::processEvents();
                traceView(w)->scrollTo(table->index(2, TraceHeaderFieldCount));
                QCoreApplication::processEvents();
                w.grab().save(qEnvironmentVariable("TREVALON_SNAPSHOT_DIR") + "/field-layout.png");
            }
        }
        MainWindow again;
        QCOMPARE(again.findChild<QTableView*>(QStringLiteral("selectedHeadersTableView"))->model()->rowCount(),
                 TraceHeaderFieldCount + 1);
        again.clearFieldLayout();
    }

    // A revision 2 file: its binary header fields and extension 1's fields
    // as groups of their own.
    void revision2Fields()
    {
        MainWindow w;
        QVERIFY(loadAndWait(w, sharedSample(QStringLiteral("rotated-small-rev2.sgy"))));
        auto* list = w.findChild<QTableView*>(QStringLiteral("selectedHeadersTableView"));
        QCOMPARE(list->model()->rowCount(), TraceHeaderFieldCount + extension1Fields().size());
        QVERIFY(list->model()->index(TraceHeaderFieldCount, 0).data().toString().startsWith("[ext1.TraceSequenceLine]"));
        const int cdpX = TraceHeaderFieldCount + 23;
        QCOMPARE(traceView(w)->model()->headerData(cdpX, Qt::Horizontal).toString(), QString("ext1.CdpX"));
        QCOMPARE(traceView(w)->model()->index(1, cdpX).data().toString(), QString("2079"));
        auto* binary = w.findChild<QTableView*>(QStringLiteral("binaryHeaderTableView"));
        QCOMPARE(binary->model()->rowCount(), BinaryHeaderFieldCount + revision2BinaryFields().size());
        QCOMPARE(binary->model()->headerData(BinaryHeaderFieldCount + 9, Qt::Vertical).toString(), QString("MinorRevision"));
        if (!qEnvironmentVariableIsEmpty("TREVALON_SNAPSHOT_DIR")) {
            w.resize(1180, 720);
            w.show();
            w.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
            binary->scrollToBottom();
            QCoreApplication::processEvents();
            w.grab().save(qEnvironmentVariable("TREVALON_SNAPSHOT_DIR") + "/revision2.png");
        }
    }

    // Reopen as: a file whose format code is wrong read with the right one.
    void reopenAs()
    {
        SegyFixture f;
        f.geometry(8, 3);  // the samples are 4-byte IEEE floats
        for (int t = 0; t < 3; ++t)
            f.addTrace(8, 5, [](int i) { return double(i); });
        const QString path = m_dir.filePath(QStringLiteral("wrongformat.sgy"));
        QVERIFY(f.writeTo(path));
        const QByteArray before = fileBytes(path);
        MainWindow w;
        QVERIFY(loadAndWait(w, path));
        QVERIFY(w.segy()->traceCount() != 3);
        auto* reopen = w.findChild<QMenu*>(QStringLiteral("menuReopen_as"));
        QVERIFY(reopen);
        QAction* ieee = nullptr;
        for (QAction* group : reopen->actions())
            if (group->menu())
                for (QAction* choice : group->menu()->actions())
                    if (choice->text().startsWith(QLatin1String("5 - ")))
                        ieee = choice;
        QVERIFY(ieee);
        QVERIFY(waitForOperation(w, [&]() { ieee->trigger(); }));
        QCOMPARE(w.segy()->traceCount(), 3);
        QVERIFY(w.findChild<QTextEdit*>(QStringLiteral("summaryTextEdit"))->toPlainText().contains("IEEE floating point"));
        QCOMPARE(fileBytes(path), before);
    }

    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("tools.sgy"));
        QVERIFY(survey().writeTo(m_file));
    }

    // Trace id cells (2 bytes) edited through the dialog; positions follow
    // the table order, which the descending sort reverses.
    void editDialog_data()
    {
        QTest::addColumn<bool>("columns");
        QTest::addColumn<bool>("sorted");
        QTest::addColumn<int>("position");  // cell double-clicked
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("first");  // 0: that cell only
        QTest::addColumn<int>("last");
        QTest::addColumn<QList<int>>("changedTraces");  // file order
        QTest::newRow("one cell") << false << false << 2 << "5" << 0 << 0 << QList<int>{2};
        QTest::newRow("range, rows") << false << false << 0 << "5" << 3 << 5 << QList<int>{2, 3, 4};
        QTest::newRow("range, columns") << true << false << 0 << "5" << 3 << 5 << QList<int>{2, 3, 4};
        QTest::newRow("range after sort") << false << true << 0 << "5" << 1 << 2 << QList<int>{5, 4};
        QTest::newRow("range after sort, columns") << true << true << 1 << "5" << 1 << 2 << QList<int>{5, 4};
        QTest::newRow("too wide") << false << false << 1 << "40000" << 0 << 0 << QList<int>();
        QTest::newRow("too wide, range") << true << false << 1 << "40000" << 1 << 6 << QList<int>();
        QTest::newRow("empty") << false << false << 1 << "" << 0 << 0 << QList<int>();
    }

    void editDialog()
    {
        QFETCH(bool, columns);
        QFETCH(bool, sorted);
        QFETCH(int, position);
        QFETCH(QString, value);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QList<int>, changedTraces);
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        if (sorted)
            w.traceHeaderList()->sort({TraceHeaderSortKey{field("1"), false}});
        if (columns)
            w.findChild<QToolButton*>(QStringLiteral("traceHeaderSwitchModeButton"))->click();
        auto* model = qobject_cast<SEGYTraceHeadersTableModel*>(traceView(w)->model());
        const int id = field("29");
        clickCell(w, model->cellIndex(position, id), true);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("traceHeaderDescriptionLabel"))->text(),
                 QStringLiteral("29-30 ") + traceHeaderDescriptions().at(id));

        // Pre-filled with the stored number, not "Seismic data"; range 1..n.
        auto* dialog = w.findChild<TraceHeaderEditDialog*>();
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->value(), QStringLiteral("1"));
        QCOMPARE(dialog->startTrace(), 1);
        QCOMPARE(dialog->endTrace(), Traces);
        QVERIFY(!dialog->applyToAllTraces());

        dialog->setValue(value);
        if (first > 0) {
            dialog->setApplyToAllTraces(true);
            dialog->setStartRange(first, 1, Traces);
            dialog->setEndRange(last, 1, Traces);
        }
        ModalAnswers answers;
        const bool refused = changedTraces.isEmpty();
        if (refused)
            answers.click(QMessageBox::Ok);
        dialog->accept();
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(answers.seen,
                 refused ? QStringList{"Warning!|This value is not valid for this field."} : QStringList());
        for (int t = 0; t < Traces; ++t)
            QCOMPARE(w.segy()->traceHeaderValue(t, id), changedTraces.contains(t) ? 5 : 1);
        QVERIFY(w.hasPendingModification());  // refused or not, as for any edit of the table
    }

    // Unchecked fields stay hidden in either orientation; None and All.
    void fieldsShown()
    {
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        QTableView* view = traceView(w);
        auto* list = w.findChild<QTableView*>(QStringLiteral("selectedHeadersTableView"))->model();
        QVERIFY(list->setData(list->index(2, 0), Qt::Unchecked, Qt::CheckStateRole));
        QVERIFY(view->isColumnHidden(2) && !view->isColumnHidden(3));
        auto* orientation = w.findChild<QToolButton*>(QStringLiteral("traceHeaderSwitchModeButton"));
        orientation->click();
        QCOMPARE(orientation->toolTip(), QStringLiteral("Switch to horizontal view"));
        QVERIFY(view->isRowHidden(2) && !view->isRowHidden(3));
        QVERIFY(!view->isColumnHidden(2));  // now a trace
        orientation->click();
        QVERIFY(view->isColumnHidden(2) && !view->isRowHidden(2));

        // The search narrows the field list only.
        w.findChild<QLineEdit*>(QStringLiteral("traceHeaderFilterLineEdit"))->setText(QStringLiteral("COORDINATE"));
        QVERIFY(list->rowCount() < 20);
        QVERIFY(!view->isColumnHidden(field("73")) && !view->isColumnHidden(0));

        w.findChild<QPushButton*>(QStringLiteral("uncheckAllPushButton"))->click();
        for (int f = 0; f < TraceHeaderFieldCount; ++f)
            QVERIFY(view->isColumnHidden(f));
        w.findChild<QPushButton*>(QStringLiteral("checkAllPushButton"))->click();
        for (int f = 0; f < TraceHeaderFieldCount; ++f)
            QVERIFY(!view->isColumnHidden(f));
        QVERIFY(!w.hasPendingModification());
    }

    // The field list shows whole descriptions: "[73-76] - Source coordinate
    // - X." on one line beside its box, longer ones wrapped on taller rows.
    // Rendered to /tmp/trevalon-fieldlist.png for a look.
    void fieldListShowsWholeDescriptions()
    {
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        w.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentWidget(w.findChild<QWidget*>(QStringLiteral("traceHeaderTab")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* view = w.findChild<QTableView*>(QStringLiteral("selectedHeadersTableView"));
        const QModelIndex source = view->model()->index(field("73"), 0);
        view->scrollTo(source);
        w.grab().save(QStringLiteral("/tmp/trevalon-fieldlist.png"));
        QCOMPARE(source.data().toString(), QStringLiteral("[73-76] - Source coordinate - X."));
        const QFontMetrics metrics(view->font());
        const int box = view->style()->pixelMetric(QStyle::PM_IndicatorWidth);
        QVERIFY2(view->columnWidth(0) >= metrics.horizontalAdvance(source.data().toString()) + box,
                 qPrintable(QString::number(view->columnWidth(0))));
        int longest = 0;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            QVERIFY(view->rowHeight(source.row()) <= view->rowHeight(row));  // one line
            if (metrics.horizontalAdvance(view->model()->index(row, 0).data().toString())
                > metrics.horizontalAdvance(view->model()->index(longest, 0).data().toString()))
                longest = row;
        }
        if (metrics.horizontalAdvance(view->model()->index(longest, 0).data().toString()) + box > view->columnWidth(0))
            QVERIFY(view->rowHeight(longest) > view->rowHeight(source.row()));
    }

    // Sorting through the dialog changes the order shown, not the file.
    void sortDialog()
    {
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        w.findChild<QAction*>(QStringLiteral("actionTrace_sort"))->trigger();
        auto* dialog = w.findChild<TraceHeadersSortDialog*>();
        QVERIFY(dialog->isVisible());
        auto* keys = qobject_cast<SEGYTraceHeaderComparerTableModel*>(
            dialog->findChild<QTableView*>(QStringLiteral("selectedTableView"))->model());
        keys->appendKey({field("1"), false});
        dialog->accept();
        QCOMPARE(traceView(w)->model()->index(0, field("1")).data().toInt(), Traces);
        QCOMPARE(traceView(w)->model()->headerData(0, Qt::Vertical).toInt(), 1);
        QVERIFY(!w.hasPendingModification());
    }

    // Export, change one cell and the sample count of the text, import: the
    // cell lands, the sample count is refused and reported at once, and the
    // second dialog opens where the first left off. An import that changes
    // nothing leaves the file unmodified.
    void textRoundTrip_data()
    {
        QTest::addColumn<bool>("change");
        QTest::newRow("changed") << true;
        QTest::newRow("unchanged") << false;
    }

    void textRoundTrip()
    {
        QFETCH(bool, change);
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        const QString csv = m_dir.filePath(QStringLiteral("headers.csv"));
        QFile::remove(csv);
        ModalAnswers answers;
        answers.choose(csv);
        w.findChild<QAction*>(QStringLiteral("actionTrace_headers_to_ASCII_data_file"))->trigger();
        QTRY_VERIFY(answers.allAnswered());
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = file.readAll().split('\n');
        file.close();
        QCOMPARE(lines.size(), Traces + 2);  // a header line, one per trace, an empty end
        if (change) {
            QList<QByteArray> cells = lines[3].split(',');
            cells[field("189")] = " 4242";
            cells[field("115")] = " 9";
            lines[3] = cells.join(',');
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(lines.join('\n'));
            file.close();
        }

        QString folderOffered;
        answers.then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            folderOffered = dialog->directory().absolutePath();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(csv);
            static_cast<QDialog*>(dialog)->accept();
        });
        if (change)
            answers.click(QMessageBox::Ok);
        w.findChild<QAction*>(QStringLiteral("actionTrace_headers_from_ASCII_data_file"))->trigger();
        QTRY_VERIFY(answers.allAnswered());
        // Traces the import left as they were are counted, with the reason.
        QCOMPARE(answers.seen.size(), change ? 1 : 0);
        if (change)
            QVERIFY2(answers.seen[0].startsWith(QStringLiteral("Warning|%1 trace(s) were left unchanged.\nIt appears")
                                                    .arg(Traces - 1)),
                     qPrintable(answers.seen[0]));
        QCOMPARE(folderOffered, QFileInfo(m_dir.path()).absoluteFilePath());
        QCOMPARE(w.segy()->traceHeaderValue(2, field("189")), change ? 4242 : 0);
        QCOMPARE(w.segy()->traceHeaderValue(2, field("115")), 2);
        QCOMPARE(traceView(w)->model()->index(2, field("189")).data().toInt(), change ? 4242 : 0);
        QCOMPARE(w.hasPendingModification(), change);
        QCOMPARE(w.findChild<QTextEdit*>(QStringLiteral("errorLogTextEdit"))
                     ->toPlainText()
                     .contains(QLatin1String("new number of samples")),
                 change);
    }

    // Positions from a text file through the Tools menu: a line that cannot
    // be stored as it is keeps Finish from going through, and nothing is
    // written; without it the positions land and the table shows them.
    void positioningImport_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<bool>("refused");
        QTest::newRow("all lines stored") << QByteArray("a;10;20\r\nb;11;21\r\n") << false;
        QTest::newRow("a value that is no number") << QByteArray("a;10;20\r\nb;x;21\r\n") << true;
    }
    void positioningImport()
    {
        QFETCH(QByteArray, lines);
        QFETCH(bool, refused);
        const QString text = m_dir.filePath(QStringLiteral("positions.txt"));
        QFile out(text);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(lines);
        out.close();
        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        bool stayedOpen = false;
        ModalAnswers answers;
        answers.choose(text);
        answers.then([&stayedOpen](QWidget* modal) {
            auto* wizard = qobject_cast<QWizard*>(modal);
            if (!wizard)
                return;
            wizard->findChild<QCheckBox*>(QStringLiteral("semicolonCheckBox"))->click();
            while (wizard->currentId() != wizard->pageIds().last())
                wizard->next();
            QWidget* page = wizard->currentPage();
            page->findChild<QCheckBox*>(QStringLiteral("cdpCheckBox"))->setChecked(true);
            page->findChild<QSpinBox*>(QStringLiteral("cdpXSpinBox"))->setValue(2);
            page->findChild<QSpinBox*>(QStringLiteral("cdpYSpinBox"))->setValue(3);
            wizard->accept();
            stayedOpen = wizard->isVisible();
            if (stayedOpen)
                wizard->reject();
        });
        if (!refused)
            answers.click(QMessageBox::Ok);
        w.findChild<QAction*>(QStringLiteral("actionImport_positioning_data"))->trigger();
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(stayedOpen, refused);
        QCOMPARE(w.hasPendingModification(), !refused);
        QCOMPARE(w.segy()->traceHeaderValue(0, field("181")), refused ? 43215000 : 10);
        QCOMPARE(traceView(w)->model()->index(1, field("181")).data(RawValueRole).toInt(),
                 refused ? 43215000 + 2500 : 11);
    }

    // The window's reprojection gives exactly the file model's result; a
    // failing one changes nothing and says so.
    void reprojection_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("fails");
        QTest::addColumn<QString>("reason");  // the warning after its first line
        QTest::newRow("ED50 to WGS 84") << "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs" << false << "";
        const QString all = QStringLiteral("%1 trace(s) were left unchanged.\n").arg(Traces);
        QTest::newRow("unknown system") << "+proj=nonsense" << true
                                        << all + "output coordinate reference system: PROJ cannot read +proj=nonsense (Invalid value for an argument).";
        QTest::newRow("definition without +") << "proj=utm +zone=31" << true
                                              << all + "output coordinate reference system: proj=utm +zone=31 is not a PROJ definition (it begins with +).";
    }

    void reprojection()
    {
        QFETCH(QString, output);
        QFETCH(bool, fails);
        QFETCH(QString, reason);
        const QString input = QStringLiteral("+proj=utm +zone=31 +ellps=intl +units=m +no_defs");
        SEGY reference;
        reference.setDevice(new QFile(m_file));
        QVERIFY(reference.open());
        QCOMPARE(reprojectTraceCoordinates(&reference, 0, 0, input, output) != 0, fails);

        MainWindow w;
        QVERIFY(loadAndWait(w, m_file));
        ModalAnswers answers;
        answers.then([&](QWidget* modal) {
            auto* dialog = qobject_cast<ReprojectCoordinatesDialog*>(modal);
            dialog->findChild<QComboBox*>(QStringLiteral("inEpsgComboBox"))->setEditText(input);
            dialog->findChild<QComboBox*>(QStringLiteral("outEpsgComboBox"))->setEditText(output);
            dialog->accept();
        });
        if (fails)
            answers.click(QMessageBox::Ok);
        w.findChild<QAction*>(QStringLiteral("actionReproject_coordinates"))->trigger();
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(answers.seen,
                 fails ? QStringList{QStringLiteral("Warning|An error occurred while projecting positioning data.\n")
                                     + reason}
                       : QStringList());
        for (int t = 0; t < Traces; ++t)
            for (const char* byte : {"71", "73", "77", "81", "85", "89", "181", "185"})
                QCOMPARE(w.segy()->traceHeaderValue(t, field(byte)), reference.traceHeaderValue(t, field(byte)));
        QVERIFY(fails || w.segy()->traceHeaderValue(0, field("73")) != 43215000);
        QCOMPARE(traceView(w)->model()->index(0, field("73")).data(RawValueRole).toInt(),
                 reference.traceHeaderValue(0, field("73")));
        QCOMPARE(w.hasPendingModification(), !fails);  // a failure changes nothing
        QVERIFY(w.findChildren<ReprojectCoordinatesDialog*>().isEmpty());
    }
};

QTEST_MAIN(TestWindowTools)
#include "tst_windowtools.moc"
