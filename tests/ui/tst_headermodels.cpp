// The header table models: structure under QAbstractItemModelTester, decoded
// text and colours, raw display, both orientations, refused edits, range
// edits and the field list's search.

#include "fixture.h"
#include "headerfields.h"
#include "headertablemodels.h"
#include "segy.h"
#include "tracesort.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int Traces = 4;

int traceField(const char* startByte)
{
    return traceHeaderFieldIndex(QLatin1String(startByte));
}

}  // namespace

class TestHeaderModels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Trace identification codes 1 (standard) and 99 (not), sequence numbers 1..4.
        SegyFixture f;
        f.text("C 1 MODELS").geometry(2, 1, 250);
        for (int t = 0; t < Traces; ++t) {
            f.addTrace(2, 1, [](int i) { return double(i); });
            f.tr32(t, 1, t + 1);
            f.tr16(t, 29, t == 1 ? 99 : 1);
        }
        const QString path = m_dir.filePath(QStringLiteral("models.sgy"));
        QVERIFY(f.writeTo(path));
        m_segy.setDevice(new QFile(path));
        QVERIFY(m_segy.open());
        m_list.loadFrom(&m_segy);
    }

    void modelStructure_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("mode");
        QTest::newRow("loaded, traces as rows") << true << 0;
        QTest::newRow("loaded, traces as columns") << true << 1;
        QTest::newRow("loaded, unknown mode") << true << 7;
        QTest::newRow("no file, traces as rows") << false << 0;
        QTest::newRow("no file, traces as columns") << false << 1;
    }

    void modelStructure()
    {
        QFETCH(bool, loaded);
        QFETCH(int, mode);
        SEGY empty;
        TraceHeaderList emptyList;
        SEGY* segy = loaded ? &m_segy : &empty;
        TraceHeaderList* list = loaded ? &m_list : &emptyList;

        SEGYBinaryHeaderTableModel binary(segy);
        SEGYTraceHeadersTableModel traces(list, mode);
        TraceHeaderSelectionTableModel selection;
        TraceHeadersFilterModel filter;
        filter.setSourceModel(&selection);
        QAbstractItemModelTester t1(&binary, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester t2(&traces, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester t3(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);

        QCOMPARE(binary.rowCount(), BinaryHeaderFieldCount);
        QCOMPARE(binary.columnCount(), 2);
        QCOMPARE(binary.index(4, 0).data().isValid(), loaded);
        const int traceCount = loaded ? Traces : 0;
        QCOMPARE(traces.rowCount(), mode == 0 ? traceCount : mode == 1 ? TraceHeaderFieldCount : 0);
        QCOMPARE(traces.columnCount(), mode == 0 ? TraceHeaderFieldCount : mode == 1 ? traceCount : 0);

        // Resets and edits go through the testers too.
        traces.beginReset();
        traces.setMode(mode == 0 ? 1 : 0);
        traces.endReset();
        traces.setData(traces.cellIndex(0, traceField("1")), QStringLiteral("1"));
    }

    // Decoded text, colour and raw display of three kinds of field, in both
    // orientations and in the binary header.
    void cells_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("field");
        QTest::addColumn<QVariant>("text");
        QTest::addColumn<QVariant>("colour");
        const int id = traceField("29");
        const int sequence = traceField("1");
        const QVariant blue = QColor(Qt::blue), red = QColor(Qt::red), black = QColor(Qt::black);
        for (int mode : {0, 1}) {
            const QByteArray m = mode == 0 ? "rows" : "columns";
            QTest::newRow((m + ": standard id").constData()) << mode << false << 0 << id << QVariant("Seismic data") << blue;
            QTest::newRow((m + ": odd id").constData()) << mode << false << 1 << id << QVariant("99 - Non standard value") << red;
            QTest::newRow((m + ": plain number").constData()) << mode << false << 2 << sequence << QVariant("3") << black;
            QTest::newRow((m + ": raw id").constData()) << mode << true << 0 << id << QVariant(1) << QVariant();
            QTest::newRow((m + ": raw odd id").constData()) << mode << true << 1 << id << QVariant(99) << QVariant();
        }
    }

    void cells()
    {
        QFETCH(int, mode);
        QFETCH(bool, raw);
        QFETCH(int, position);
        QFETCH(int, field);
        QFETCH(QVariant, text);
        QFETCH(QVariant, colour);
        SEGYTraceHeadersTableModel model(&m_list, mode);
        model.setRawDisplay(raw);
        const QModelIndex cell = model.cellIndex(position, field);
        QCOMPARE(mode == 0 ? cell.row() : cell.column(), position);
        QCOMPARE(cell.data(Qt::DisplayRole), text);
        QCOMPARE(cell.data(Qt::ForegroundRole), colour);
        QCOMPARE(cell.data(RawValueRole), QVariant(m_segy.traceHeaderValue(position, field)));
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), traceHeaderDescriptions().at(field));
    }

    void headers()
    {
        for (int mode : {0, 1}) {
            SEGYTraceHeadersTableModel model(&m_list, mode);
            const Qt::Orientation fields = mode == 0 ? Qt::Horizontal : Qt::Vertical;
            const Qt::Orientation traces = mode == 0 ? Qt::Vertical : Qt::Horizontal;
            QCOMPARE(model.headerData(2, fields).toString(), QStringLiteral("9-12"));
            QCOMPARE(model.headerData(2, fields, Qt::ToolTipRole).toString(), traceHeaderDescriptions().at(2));
            QCOMPARE(model.headerData(0, traces).toInt(), 1);
            QCOMPARE(model.headerData(3, traces).toInt(), 4);
        }
        SEGYBinaryHeaderTableModel binary(&m_segy);
        QCOMPARE(binary.headerData(0, Qt::Vertical).toString(), QStringLiteral("3201-3204"));
        QCOMPARE(binary.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Description"));
        QCOMPARE(binary.index(5, 0).data().toString(), QStringLiteral("4 KHz"));
        QCOMPARE(binary.index(5, 0).data(Qt::ForegroundRole), QVariant(QColor(Qt::blue)));
        binary.setRawDisplay(true);
        QCOMPARE(binary.index(5, 0).data(), QVariant(250));
    }

    void refusedEdits_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("stored");
        QTest::newRow("text") << "abc" << false;
        QTest::newRow("too wide for two bytes") << "70000" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("fits") << "-32768" << true;
    }

    void refusedEdits()
    {
        QFETCH(QString, value);
        QFETCH(bool, stored);
        const int field = traceField("29");
        const int before = m_list.at(3)->value(field);
        SEGYTraceHeadersTableModel model(&m_list, 0);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QCOMPARE(model.setData(model.cellIndex(3, field), value), stored);
        QCOMPARE(changed.count(), 1);  // the view repaints the kept value too
        QCOMPARE(m_list.at(3)->value(field), stored ? value.toInt() : before);
        m_list.at(3)->storeValue(field, before);

        SEGYBinaryHeaderTableModel binary(&m_segy);
        const int fold = m_segy.mainHeaderValue(10);
        QCOMPARE(binary.setData(binary.index(10, 0), value), stored);  // also two bytes, signed
        m_segy.setMainHeaderValue(10, fold);
    }

    // A sample count that would move the traces after it is refused, for
    // one cell and for a range alike.
    void layoutEditsRefused()
    {
        SegyFixture f;
        f.geometry(0, 1, 250);  // traces walked by their own counts
        for (int t = 0; t < 4; ++t)
            f.addTrace(2, 1, [](int i) { return double(i); });
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("walked.sgy"));
        QVERIFY(f.writeTo(path));
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        TraceHeaderList list;
        list.loadFrom(&segy);
        SEGYTraceHeadersTableModel model(&list, 0);
        const int count = traceField("115");
        QVERIFY(!model.setData(model.cellIndex(1, count), 3));
        QVERIFY(model.setData(model.cellIndex(1, count), 2));
        QCOMPARE(model.setRangeValue(segy, count, 0, 3, 5), 0);
        QCOMPARE(model.setRangeValue(segy, traceField("189"), 0, 3, 5), 4);
        for (int t = 0; t < 4; ++t)
            QCOMPARE(segy.traceSamplesCount(t), 2);
    }

    // A range edit stores in list order and is announced as one change.
    void rangeEdit_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("rows") << 0 << "77" << 3;
        QTest::newRow("columns") << 1 << "77" << 3;
        QTest::newRow("refused") << 0 << "99999" << 0;
    }

    void rangeEdit()
    {
        QFETCH(int, mode);
        QFETCH(QString, value);
        QFETCH(int, stored);
        TraceHeaderList sorted;
        sorted.loadFrom(&m_segy);
        sorted.sort({TraceHeaderSortKey{traceField("1"), false}});  // sequence 4, 3, 2, 1
        SEGYTraceHeadersTableModel model(&sorted, mode);
        const int field = traceField("29");
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QCOMPARE(model.setRangeValue(m_segy, field, 1, 5, value), stored);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), model.cellIndex(1, field));
        QCOMPARE(changed.at(0).at(1).value<QModelIndex>(), model.cellIndex(3, field));
        // Positions 1-3 of the sorted list are file traces 2, 1, 0.
        const QList<int> expected = stored ? QList<int>{77, 77, 77, 1} : QList<int>{1, 99, 1, 1};
        for (int t = 0; t < Traces; ++t) {
            QCOMPARE(m_segy.traceHeaderValue(t, field), expected[t]);
            m_segy.setTraceHeaderValue(t, field, t == 1 ? 99 : 1);
        }
    }

    void fieldList_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("firstMatch");
        QTest::newRow("small letters") << "coordinate" << "[71-72] - ";
        QTest::newRow("capitals") << "COORDINATE" << "[71-72] - ";
        QTest::newRow("byte range") << "73-76" << "[73-76] - ";
        QTest::newRow("nothing") << "" << "[1-4] - ";
    }

    void fieldList()
    {
        QFETCH(QString, search);
        QFETCH(QString, firstMatch);
        TraceHeaderSelectionTableModel selection;
        TraceHeadersFilterModel filter;
        filter.setSourceModel(&selection);
        filter.setFilterFixedString(search);
        QVERIFY(filter.rowCount() > 0);
        QVERIFY(filter.index(0, 0).data().toString().startsWith(firstMatch));
        for (int r = 0; r < filter.rowCount(); ++r)
            QVERIFY(filter.index(r, 0).data().toString().contains(search, Qt::CaseInsensitive));
        if (!search.isEmpty()) {
            int expected = 0;
            for (int f = 0; f < TraceHeaderFieldCount; ++f)
                expected += selection.index(f, 0).data().toString().contains(search, Qt::CaseInsensitive);
            QCOMPARE(filter.rowCount(), expected);
        }
    }

    void checkStates()
    {
        TraceHeaderSelectionTableModel selection;
        const QModelIndex third = selection.index(2, 0);
        QCOMPARE(third.data(Qt::UserRole).toInt(), 9);
        QCOMPARE(third.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(selection.setData(third, Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(third.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(selection.setData(third, Qt::Checked, Qt::CheckStateRole));
        QVERIFY(selection.setData(third, Qt::PartiallyChecked, Qt::CheckStateRole));
        QVERIFY(!selection.isChecked(2));
        selection.setCheckable(false);
        QVERIFY(!third.data(Qt::CheckStateRole).isValid());
        QVERIFY(!selection.setData(third, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(selection.flags(third), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }

private:
    QTemporaryDir m_dir;
    SEGY m_segy;
    TraceHeaderList m_list;
};

QTEST_MAIN(TestHeaderModels)
#include "tst_headermodels.moc"
