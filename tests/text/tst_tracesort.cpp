#include "textsupport.h"
#include "tracesort.h"

#include <QtTest>
#include <algorithm>

Q_DECLARE_METATYPE(QList<TraceHeaderSortKey>)

namespace {

constexpr int SourcePoint = 4;      // bytes 17-20
constexpr int TraceInEnsemble = 6;  // bytes 25-28
constexpr int Elevation = 12;       // bytes 41-44
constexpr int Identification = 7;   // bytes 29-30

QList<TraceHeaderSortKey> keys(std::initializer_list<TraceHeaderSortKey> list)
{
    return QList<TraceHeaderSortKey>(list);
}

QVector<SEGYTraceHeader*> order(const TraceHeaderList& list)
{
    QVector<SEGYTraceHeader*> headers;
    for (int i = 0; i < list.count(); ++i)
        headers << list.at(i);
    return headers;
}

// Positions in file order of the list's headers.
QList<int> positions(const TraceHeaderList& list, const SEGY& segy)
{
    const QList<SEGYTraceHeader*> all = segy.traceHeaders();
    QList<int> result;
    for (int i = 0; i < list.count(); ++i)
        result << all.indexOf(list.at(i));
    return result;
}

}  // namespace

class TestTraceSort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listAccess();
    void sourcePointThenTraceDescending();
    void signedDescending();
    void stableAcrossSorts();
    void keysThatNeverDecide();
    void comparer();
    void agreesWithComparisonSort_data();
    void agreesWithComparisonSort();
    void fileOrderUntouched();

private:
    std::unique_ptr<SEGY> survey(const QList<QList<QPair<int, int>>>& traces);

    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestTraceSort::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

// One trace per entry, each given as (start byte, value) pairs of 4-byte fields.
std::unique_ptr<SEGY> TestTraceSort::survey(const QList<QList<QPair<int, int>>>& traces)
{
    SegyFixture fixture;
    fixture.geometry(1, 1);
    for (int t = 0; t < traces.size(); ++t) {
        fixture.addTrace(1, 1, [](int) { return 0.0; });
        for (const auto& cell : traces[t])
            fixture.tr32(t, cell.first, cell.second);
    }
    const QString path = m_dir.filePath(QStringLiteral("sort%1.sgy").arg(++m_files));
    if (!fixture.writeTo(path))
        return nullptr;
    return loadSegy(path);
}

void TestTraceSort::listAccess()
{
    TraceHeaderList list;
    QCOMPARE(list.count(), 0);
    QVERIFY(!list.at(0));
    list.sort(keys({{SourcePoint, true}}));  // nothing to sort
    list.loadFrom(nullptr);
    QCOMPARE(list.count(), 0);

    auto segy = survey({{{17, 3}}, {{17, 1}}, {{17, 2}}});
    QVERIFY(segy);
    list.loadFrom(segy.get());
    QCOMPARE(list.count(), 3);
    QCOMPARE(order(list), QVector<SEGYTraceHeader*>::fromList(segy->traceHeaders()));
    QVERIFY(!list.at(-1));
    QVERIFY(!list.at(3));

    list.sort(keys({{SourcePoint, true}}));
    QCOMPARE(positions(list, *segy), (QList<int>{1, 2, 0}));
    // Loading again starts from file order.
    list.loadFrom(segy.get());
    QCOMPARE(positions(list, *segy), (QList<int>{0, 1, 2}));

    // A new load, a close or the end of the file object empties the list
    // before the headers go.
    QVERIFY(segy->open());
    QCOMPARE(list.count(), 0);
    list.loadFrom(segy.get());
    segy->close();
    QCOMPARE(list.count(), 0);
    auto other = survey({{{17, 5}}});
    list.loadFrom(other.get());
    other.reset();
    QCOMPARE(list.count(), 0);
}

void TestTraceSort::sourcePointThenTraceDescending()
{
    auto segy = survey({{{17, 20}, {25, 1}}, {{17, 10}, {25, 1}}, {{17, 20}, {25, 3}},
                        {{17, 10}, {25, 2}}, {{17, 20}, {25, 2}}, {{17, 5}, {25, 9}}});
    QVERIFY(segy);
    TraceHeaderList list;
    list.loadFrom(segy.get());
    list.sort(keys({{SourcePoint, true}, {TraceInEnsemble, false}}));
    QList<QPair<int, int>> shown;
    for (int i = 0; i < list.count(); ++i)
        shown << qMakePair(list.at(i)->value(SourcePoint), list.at(i)->value(TraceInEnsemble));
    QCOMPARE(shown, (QList<QPair<int, int>>{{5, 9}, {10, 2}, {10, 1}, {20, 3}, {20, 2}, {20, 1}}));
}

void TestTraceSort::signedDescending()
{
    auto segy = survey({{{41, 0}}, {{41, -3}}, {{41, 5}}, {{41, -2147483647}}, {{41, 2147483647}}});
    QVERIFY(segy);
    TraceHeaderList list;
    list.loadFrom(segy.get());
    list.sort(keys({{Elevation, false}}));
    QList<int> values;
    for (int i = 0; i < list.count(); ++i)
        values << list.at(i)->value(Elevation);
    QCOMPARE(values, (QList<int>{2147483647, 5, 0, -3, -2147483647}));
    list.sort(keys({{Elevation, true}}));
    values.clear();
    for (int i = 0; i < list.count(); ++i)
        values << list.at(i)->value(Elevation);
    QCOMPARE(values, (QList<int>{-2147483647, -3, 0, 5, 2147483647}));

    // 2-byte fields hold negative values as well.
    QVERIFY(segy->setTraceHeaderValue(0, Identification, -1));
    QVERIFY(segy->setTraceHeaderValue(2, Identification, 22));
    list.loadFrom(segy.get());
    list.sort(keys({{Identification, true}}));
    QCOMPARE(positions(list, *segy), (QList<int>{0, 1, 3, 4, 2}));
}

void TestTraceSort::stableAcrossSorts()
{
    // Ties keep the order the list had before the call.
    auto segy = survey({{{17, 2}, {25, 1}}, {{17, 1}, {25, 2}}, {{17, 2}, {25, 2}},
                        {{17, 1}, {25, 1}}, {{17, 2}, {25, 1}}});
    QVERIFY(segy);
    TraceHeaderList list;
    list.loadFrom(segy.get());
    list.sort(keys({{SourcePoint, true}}));
    QCOMPARE(positions(list, *segy), (QList<int>{1, 3, 0, 2, 4}));
    list.sort(keys({{SourcePoint, true}}));
    QCOMPARE(positions(list, *segy), (QList<int>{1, 3, 0, 2, 4}));

    // The earlier order breaks the ties of the next sort.
    list.sort(keys({{TraceInEnsemble, false}}));
    QCOMPARE(positions(list, *segy), (QList<int>{1, 2, 3, 0, 4}));
    list.sort(keys({{SourcePoint, false}}));
    QCOMPARE(positions(list, *segy), (QList<int>{2, 0, 4, 1, 3}));
}

void TestTraceSort::keysThatNeverDecide()
{
    auto segy = survey({{{17, 3}}, {{17, 1}}, {{17, 2}}, {{17, 1}}});
    QVERIFY(segy);
    TraceHeaderList list;
    list.loadFrom(segy.get());
    list.sort(keys({{-1, true}, {91, false}, {100000, true}}));
    QCOMPARE(positions(list, *segy), (QList<int>{0, 1, 2, 3}));

    // Outside keys are skipped; the valid one still sorts.
    list.sort(keys({{-5, false}, {SourcePoint, false}, {91, true}}));
    QCOMPARE(positions(list, *segy), (QList<int>{0, 2, 1, 3}));

    // A repeated field decides nothing the second time.
    list.loadFrom(segy.get());
    list.sort(keys({{SourcePoint, true}, {SourcePoint, false}}));
    QCOMPARE(positions(list, *segy), (QList<int>{1, 3, 2, 0}));
}

void TestTraceSort::comparer()
{
    auto segy = survey({{{17, 1}, {25, 5}}, {{17, 1}, {25, 6}}});
    QVERIFY(segy);
    SEGYTraceHeader* a = segy->traceHeaders()[0];
    SEGYTraceHeader* b = segy->traceHeaders()[1];
    QVERIFY(!SEGYTraceHeaderComparer({})(a, b));
    QVERIFY(!SEGYTraceHeaderComparer(keys({{SourcePoint, true}}))(a, b));
    QVERIFY(SEGYTraceHeaderComparer(keys({{SourcePoint, true}, {TraceInEnsemble, true}}))(a, b));
    QVERIFY(!SEGYTraceHeaderComparer(keys({{SourcePoint, true}, {TraceInEnsemble, true}}))(b, a));
    QVERIFY(SEGYTraceHeaderComparer(keys({{SourcePoint, false}, {TraceInEnsemble, false}}))(b, a));
    QVERIFY(!SEGYTraceHeaderComparer(keys({{TraceInEnsemble, true}}))(a, a));
    QVERIFY(!SEGYTraceHeaderComparer(keys({{200, true}}))(a, b));
}

void TestTraceSort::agreesWithComparisonSort_data()
{
    QTest::addColumn<QList<TraceHeaderSortKey>>("sortKeys");
    QTest::newRow("one key") << keys({{SourcePoint, true}});
    QTest::newRow("three keys") << keys({{Identification, false}, {SourcePoint, true}, {Elevation, false}});
    QTest::newRow("full-range values") << keys({{Elevation, true}, {TraceInEnsemble, false}});
    QTest::newRow("wider than one word together")
        << keys({{SourcePoint, true}, {Elevation, false}, {TraceInEnsemble, true}});
    QTest::newRow("with outside keys") << keys({{-1, true}, {SourcePoint, false}, {95, true}, {Elevation, true}});
}

void TestTraceSort::agreesWithComparisonSort()
{
    // A plain stable comparison sort with the comparer is the reference.
    QFETCH(QList<TraceHeaderSortKey>, sortKeys);
    QRandomGenerator random(77);
    QList<QList<QPair<int, int>>> traces;
    for (int t = 0; t < 3000; ++t) {
        traces << QList<QPair<int, int>>{{17, int(random.bounded(-3, 4))},
                                         {25, int(random.generate())},
                                         {41, random.bounded(2) ? int(random.generate()) : int(random.bounded(-2, 2))}};
    }
    auto segy = survey(traces);
    QVERIFY(segy);
    for (int t = 0; t < segy->traceCount(); ++t)
        QVERIFY(segy->setTraceHeaderValue(t, Identification, int(random.bounded(-2, 3))));

    TraceHeaderList list;
    list.loadFrom(segy.get());
    // Start from a shuffled order so the tie-break is not file order.
    list.sort(keys({{TraceInEnsemble, true}}));
    QVector<SEGYTraceHeader*> expected = order(list);
    std::stable_sort(expected.begin(), expected.end(), SEGYTraceHeaderComparer(sortKeys));
    list.sort(sortKeys);
    QVERIFY(order(list) == expected);
}

void TestTraceSort::fileOrderUntouched()
{
    auto segy = survey({{{17, 3}}, {{17, 1}}, {{17, 2}}});
    QVERIFY(segy);
    const QList<SEGYTraceHeader*> before = segy->traceHeaders();
    TraceHeaderList list;
    list.loadFrom(segy.get());
    list.sort(keys({{SourcePoint, true}}));
    QCOMPARE(segy->traceHeaders(), before);
    QCOMPARE(segy->traceHeaderValue(0, SourcePoint), 3);
}

QTEST_GUILESS_MAIN(TestTraceSort)
#include "tst_tracesort.moc"
