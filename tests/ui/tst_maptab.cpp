// The Map tab offscreen on a real 3-D crop: a point found under the
// mouse, a click selecting the trace's row, table rows ringed on the map,
// zoom about the cursor, and the map following a header edit. Set
// TREVALON_SNAPSHOT_DIR to keep a picture of the tab.

#include "fixture.h"
#include "headerchanges.h"
#include "headertablemodels.h"
#include "maptab.h"
#include "segy.h"
#include "surveymapview.h"
#include "windowsupport.h"

#include <QCheckBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

class TestMapTab : public QObject
{
    Q_OBJECT

private:
    QTableView* table() { return m_window->findChild<QTableView*>(QStringLiteral("traceHeadersTableView")); }
    SurveyMapView* view() { return m_window->mapTab()->view(); }
    // Whether the ring's gold is drawn within a few pixels of a point.
    bool ringedNear(QPointF at)
    {
        const QImage image = view()->grab().toImage();
        for (int dy = -8; dy <= 8; ++dy)
            for (int dx = -8; dx <= 8; ++dx)
                if (image.pixelColor(int(at.x()) + dx, int(at.y()) + dy) == QColor(255, 215, 0))
                    return true;
        return false;
    }

    std::unique_ptr<MainWindow> m_window;

private slots:
    void initTestCase()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->resize(1100, 760);
        m_window->show();
        QVERIFY(loadAndWait(*m_window, sharedSample(QStringLiteral("f3.sgy"))));
        auto* tabs = m_window->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        tabs->setCurrentWidget(m_window->mapTab());
        QCOMPARE(tabs->tabText(tabs->currentIndex()), QStringLiteral("Map"));
        QCoreApplication::processEvents();
        QVERIFY(view()->geometry().grid.fitted);
        const QByteArray snapshots = qgetenv("TREVALON_SNAPSHOT_DIR");
        if (!snapshots.isEmpty())
            m_window->grab().save(QString::fromLocal8Bit(snapshots) + QStringLiteral("/maptab.png"));
    }
    void cleanupTestCase() { m_window.reset(); }

    void hitsPointsAndSelectsRows_data()
    {
        QTest::addColumn<int>("trace");
        QTest::newRow("first") << 0;
        QTest::newRow("middle") << 200;
        QTest::newRow("last") << 413;
    }
    void hitsPointsAndSelectsRows()
    {
        QFETCH(int, trace);
        const QPoint at = view()->pixelOf(trace, TracePositions::Cdps).toPoint();
        QCOMPARE(view()->traceAt(at).trace, trace);
        QCOMPARE(view()->traceAt(at + QPoint(2, 1)).trace, trace);
        QTest::mouseClick(view(), Qt::LeftButton, Qt::NoModifier, at);
        const QModelIndexList rows = table()->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).row(), trace);
        // The row chosen on the map is ringed there, as table rows are.
        QVERIFY(ringedNear(at));
    }

    void ringsTableSelection()
    {
        table()->selectionModel()->select(table()->model()->index(30, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QVERIFY(ringedNear(view()->pixelOf(30, TracePositions::Cdps)));
        QVERIFY(!ringedNear(view()->pixelOf(300, TracePositions::Cdps)));
        table()->clearSelection();
        QVERIFY(!ringedNear(view()->pixelOf(30, TracePositions::Cdps)));
    }

    // The field chosen in the trace headers tab's field list colours the
    // CDPs once the check box asks for it.
    void coloursByListedField()
    {
        auto* fields = m_window->findChild<QTableView*>(QStringLiteral("selectedHeadersTableView"));
        auto* colour = m_window->mapTab()->findChild<QCheckBox*>(QStringLiteral("colourCheckBox"));
        const int crossline = fieldIndex(TraceField::Crossline);
        fields->setCurrentIndex(fields->model()->index(crossline, 0));
        QCOMPARE(view()->colourField(), -1);
        colour->click();
        QCOMPARE(view()->colourField(), crossline);
        QCOMPARE(colour->text(), QStringLiteral("Colour CDPs by 193-196"));
        colour->click();
        QCOMPARE(view()->colourField(), -1);
    }

    void zoomsAboutCursor()
    {
        const QPoint at = view()->pixelOf(100, TracePositions::Cdps).toPoint();
        const double before = view()->view().unitsPerPixel;
        QWheelEvent wheel(QPointF(at), QPointF(view()->mapToGlobal(at)), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view(), &wheel);
        QVERIFY(view()->view().unitsPerPixel < before * 0.7);
        view()->repaint();
        QCOMPARE(view()->traceAt(at).trace, 100);
        view()->fitAll();
        QCOMPARE(view()->view().unitsPerPixel, before);
    }

    // A cell typed into the table and a change stored by the file object
    // (as range edits, imports, reprojections and undo are) move the point
    // without a reload.
    void followsHeaderEdits_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::newRow("cell edit") << true;
        QTest::newRow("stored change") << false;
    }
    void followsHeaderEdits()
    {
        QFETCH(bool, typed);
        SEGY* segy = m_window->segy();
        const int trace = typed ? 7 : 8;
        const int x = segy->traceHeaderValue(trace, fieldIndex(TraceField::CdpX));
        const QPointF before = view()->pixelOf(trace, TracePositions::Cdps);
        if (typed) {
            auto* model = static_cast<SEGYTraceHeadersTableModel*>(table()->model());
            QVERIFY(model->setData(model->cellIndex(trace, fieldIndex(TraceField::CdpX)), QString::number(x + 1000)));
        } else {
            HeaderChanges changes;
            changes.setTraceValue(trace, TraceField::CdpX, x + 1000);  // 100 m east
            QVERIFY(segy->apply(changes).ok);
        }
        QCoreApplication::processEvents();
        view()->repaint();
        const QPointF after = view()->pixelOf(trace, TracePositions::Cdps);
        QVERIFY(after.x() - before.x() > 20);
        QCOMPARE(view()->traceAt(after.toPoint()).trace, trace);
        QCOMPARE(view()->geometry().grid.offNodeTraces, typed ? 1 : 2);
    }
};

QTEST_MAIN(TestMapTab)
#include "tst_maptab.moc"
