// The survey geometry report on synthetic surveys with known grids, lines
// and offsets, and the reading of positions with their scalars and units.

#include "fixture.h"
#include "headers.h"
#include "segy.h"
#include "surveygeometry.h"

#include <QFile>
#include <QtTest>
#include <cmath>

namespace {

const double Origin[2] = {512000.0, 6104000.0};

// A post-stack grid: inlines il0, il0 + ilStep, ... and crosslines from 200,
// an inline running at azimuth degrees, crosslines 12.5 m apart along it
// and inlines 25 m apart; every position off by up to noise metres.
TracePositions grid(double azimuth, int ilStep, double noise, int inlines = 21, int crosslines = 40)
{
    TracePositions p;
    p.inlineField = fieldIndex(TraceField::Inline);
    p.crosslineField = fieldIndex(TraceField::Crossline);
    const double a = azimuth * M_PI / 180;
    quint32 seed = 12345;
    auto jitter = [&] {
        seed = seed * 1664525u + 1013904223u;
        return (double(seed >> 8) / double(1 << 24) * 2 - 1) * noise;
    };
    for (int i = 0; i < inlines; ++i) {
        for (int j = 0; j < crosslines; ++j) {
            const double x = Origin[0] + j * 12.5 * std::sin(a) + i * 25 * std::sin(a + M_PI / 2) + jitter();
            const double y = Origin[1] + j * 12.5 * std::cos(a) + i * 25 * std::cos(a + M_PI / 2) + jitter();
            for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
                p.x[layer].push_back(layer == TracePositions::Cdps ? x : NAN);
                p.y[layer].push_back(layer == TracePositions::Cdps ? y : NAN);
            }
            p.inlines.push_back(1000 + i * ilStep);
            p.crosslines.push_back(200 + j);
            p.offsets.push_back(0);
            p.cdpNumbers.push_back(0);
        }
    }
    return p;
}

void removeTrace(TracePositions& p, int t)
{
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        p.x[layer].erase(p.x[layer].begin() + t);
        p.y[layer].erase(p.y[layer].begin() + t);
    }
    for (auto* v : {&p.inlines, &p.crosslines, &p.offsets, &p.cdpNumbers})
        v->erase(v->begin() + t);
}

// Appends a copy of trace t.
void duplicateTrace(TracePositions& p, int t)
{
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        p.x[layer].push_back(p.x[layer][size_t(t)]);
        p.y[layer].push_back(p.y[layer][size_t(t)]);
    }
    for (auto* v : {&p.inlines, &p.crosslines, &p.offsets, &p.cdpNumbers})
        v->push_back((*v)[size_t(t)]);
}

}  // namespace

class TestSurveyGeometry : public QObject
{
    Q_OBJECT

private slots:
    void fitsKnownGrids_data()
    {
        QTest::addColumn<double>("azimuth");
        QTest::addColumn<int>("ilStep");
        QTest::addColumn<double>("noise");
        QTest::newRow("north, exact") << 0.0 << 1 << 0.0;
        QTest::newRow("30 degrees, noise") << 30.0 << 1 << 0.5;
        QTest::newRow("east, inline step 2") << 90.0 << 2 << 0.0;
        QTest::newRow("137 degrees, step 2, noise") << 137.0 << 2 << 2.0;
    }
    void fitsKnownGrids()
    {
        QFETCH(double, azimuth);
        QFETCH(int, ilStep);
        QFETCH(double, noise);
        const SurveyGeometry g = surveyGeometry(grid(azimuth, ilStep, noise));
        const BinGrid& b = g.grid;
        QCOMPARE(g.kind, SurveyGeometry::Grid3D);
        QVERIFY(b.fitted);
        const double tolerance = noise / 5 + 1e-6;
        QVERIFY2(std::fabs(b.originX - Origin[0]) < tolerance && std::fabs(b.originY - Origin[1]) < tolerance,
                 qPrintable(QStringLiteral("%1 %2").arg(b.originX, 0, 'f', 3).arg(b.originY, 0, 'f', 3)));
        QVERIFY(std::fabs(b.inlineAzimuth - azimuth) < 0.05);
        QVERIFY(std::fabs(b.crosslineAzimuth - std::fmod(azimuth + 90, 360)) < 0.05);
        QVERIFY(std::fabs(b.inlineBinSize - 12.5) < 0.02);
        QVERIFY(std::fabs(b.crosslineBinSize - 25) < 0.02);
        QCOMPARE(b.inlineStep, ilStep);
        QCOMPARE(b.crosslineStep, 1);
        QCOMPARE(b.inlineMax, 1000 + 20 * ilStep);
        QVERIFY(b.rmsResidual <= noise && b.maxResidual <= noise * std::sqrt(2.0) + 1e-6);
        QVERIFY(noise == 0 || b.rmsResidual > noise / 4);
        QCOMPARE(b.offNodeTraces, 0);
        QCOMPARE(b.nodes, 21 * 40);
        QCOMPARE(b.missingNodes + b.duplicateNodes, 0);
        // Corners: the last inline and crossline at the far corner.
        const double a = azimuth * M_PI / 180;
        QVERIFY(std::fabs(b.corners[2].x - (Origin[0] + 39 * 12.5 * std::sin(a) + 20 * 25 * std::cos(a))) < noise + 1e-6);
        QCOMPARE(b.corners[2].inl, 1000 + 20 * ilStep);
        QCOMPARE(b.corners[2].xl, 239);
    }

    // Missing and doubled nodes, and a trace far from its node.
    void findsProblemNodes()
    {
        TracePositions p = grid(30, 1, 0);
        // 45 is inline 1001, crossline 205: 10 m along the inline > half of 12.5 m
        p.x[TracePositions::Cdps][45] += 5;
        p.y[TracePositions::Cdps][45] += 10 * std::sqrt(0.75);
        duplicateTrace(p, 100);
        duplicateTrace(p, 100);
        duplicateTrace(p, 300);
        removeTrace(p, 41);  // inline 1001, crossline 201
        removeTrace(p, 0);
        const SurveyGeometry g = surveyGeometry(p, 1);
        const BinGrid& b = g.grid;
        QCOMPARE(b.offNodeTraces, 1);
        QCOMPARE(b.firstOffNode.at(0).trace, 43);
        QCOMPARE(b.firstOffNode.at(0).xl, 205);
        QVERIFY(std::fabs(b.firstOffNode.at(0).distance - 10) < 0.1);
        QCOMPARE(b.missingNodes, 2);
        QCOMPARE(b.firstMissing.size(), size_t(1));  // one named
        QCOMPARE(b.firstMissing.at(0).inl, 1000);
        QCOMPARE(b.firstMissing.at(0).xl, 200);
        QCOMPARE(b.duplicateNodes, 2);
        QCOMPARE(b.firstDuplicates.at(0).traces, 3);
        QCOMPARE(b.firstDuplicates.at(0).inl, 1002);
        QCOMPARE(b.firstDuplicates.at(0).xl, 220);
    }

    void describesLineWithGap_data()
    {
        QTest::addColumn<bool>("numbered");
        QTest::newRow("by CDP numbers") << true;
        QTest::newRow("in trace order") << false;
    }
    // CDPs 1-50 and 56-100, 12.5 m apart at 30 degrees; stored in reverse,
    // numbered or not.
    void describesLineWithGap()
    {
        QFETCH(bool, numbered);
        TracePositions p = grid(0, 1, 0, 1, 95);
        int t = 0;
        for (int cdp = 100; cdp >= 1; --cdp) {
            if (cdp > 50 && cdp < 56)
                continue;
            p.x[TracePositions::Cdps][size_t(t)] = 1000 + 12.5 * (cdp - 1) * 0.5;
            p.y[TracePositions::Cdps][size_t(t)] = 2000 + 12.5 * (cdp - 1) * std::sqrt(0.75);
            p.inlines[size_t(t)] = p.crosslines[size_t(t)] = 0;
            p.cdpNumbers[size_t(t)] = numbered ? cdp : 0;
            ++t;
        }
        const SurveyGeometry g = surveyGeometry(p);
        QCOMPARE(g.kind, SurveyGeometry::Line2D);
        const SeismicLine& line = g.line;
        QCOMPARE(line.keyField, numbered ? fieldIndex(TraceField::Ensemble) : -1);
        QCOMPARE(line.points, 95);
        QVERIFY(std::fabs(line.length - 99 * 12.5) < 1e-6);
        QVERIFY(std::fabs(line.medianSpacing - 12.5) < 1e-6);
        QVERIFY(std::fabs(line.maxSpacing - 75) < 1e-6);
        QCOMPARE(line.gaps, 1);
        QCOMPARE(line.firstGaps.at(0).from, numbered ? 50 : 44);
        QCOMPARE(line.firstGaps.at(0).to, numbered ? 56 : 45);
    }

    // Shot and station numbers of a 2-D line fit a "grid" whose two
    // directions coincide: no cells, the CDPs described as a line.
    void shotsAndStationsMakeNoGrid()
    {
        TracePositions p = grid(40, 1, 0, 1, 200);
        for (int t = 0; t < 200; ++t) {
            const int shot = t / 10, station = 2 * shot + t % 10;
            p.inlines[size_t(t)] = 1000 + shot;
            p.crosslines[size_t(t)] = 5000 + station;
            p.cdpNumbers[size_t(t)] = 2 * shot + station;
            p.x[TracePositions::Cdps][size_t(t)] = 6.25 * p.cdpNumbers[size_t(t)] * std::sin(0.7);
            p.y[TracePositions::Cdps][size_t(t)] = 6.25 * p.cdpNumbers[size_t(t)] * std::cos(0.7);
        }
        const SurveyGeometry g = surveyGeometry(p);
        QVERIFY(g.grid.fitted && g.grid.degenerate);
        QCOMPARE(g.grid.offNodeTraces, 0);
        QCOMPARE(g.kind, SurveyGeometry::Line2D);
        QCOMPARE(g.line.keyField, fieldIndex(TraceField::Ensemble));
        QVERIFY(std::fabs(g.line.medianSpacing - 6.25) < 1e-9);
    }

    void checksOffsets_data()
    {
        QTest::addColumn<int>("wrong");
        QTest::newRow("right") << 0;
        QTest::newRow("three wrong") << 3;
    }
    void checksOffsets()
    {
        QFETCH(int, wrong);
        TracePositions p = grid(0, 1, 0, 1, 10);
        for (int t = 0; t < 10; ++t) {
            p.x[TracePositions::Sources][size_t(t)] = 1000.0;
            p.y[TracePositions::Sources][size_t(t)] = 2000.0;
            p.x[TracePositions::Receivers][size_t(t)] = 1000.0 + 30 * t;
            p.y[TracePositions::Receivers][size_t(t)] = 2000.0 + 40 * t;
            p.offsets[size_t(t)] = (t % 2 ? -50 : 50) * t + (t < wrong ? 3 * (t + 1) : 0);
        }
        const OffsetCheck c = surveyGeometry(p).offsets;
        QVERIFY(c.checked);
        QCOMPARE(c.traces, 10);
        QCOMPARE(c.overOneMetre, wrong);
        QCOMPARE(c.maxDifference, wrong ? 3.0 * wrong : 0.0);
        QCOMPARE(c.maxDifferenceTrace, wrong ? wrong - 1 : 0);
    }

    // Scalars and units as stored: a negative scalar divides, seconds of
    // arc become degrees, both stored values 0 are no position.
    void readsScaledPositions_data()
    {
        QTest::addColumn<int>("scalar");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("stored");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("unitName");
        QTest::newRow("centimetres") << -100 << 1 << 51234567 << 512345.67 << "m";
        QTest::newRow("times ten") << 10 << 1 << 51234 << 512340.0 << "m";
        QTest::newRow("seconds of arc") << -10 << 2 << 162000 << 4.5 << "deg";
        QTest::newRow("degrees") << -10000 << 3 << 45000 << 4.5 << "deg";
        QTest::newRow("DMS") << -100 << 4 << 4300000 << 4.5 << "deg";
    }
    void readsScaledPositions()
    {
        QFETCH(int, scalar);
        QFETCH(int, units);
        QFETCH(int, stored);
        QFETCH(double, expected);
        QFETCH(QString, unitName);
        SegyFixture fx;
        fx.geometry(4, 1);
        for (int t = 0; t < 2; ++t)
            fx.addTrace(4, 1, [](int) { return 0.0; });
        fx.tr16(0, 71, qint16(scalar)).tr16(0, 89, qint16(units)).tr32(0, 181, stored).tr32(0, 185, -stored);
        fx.tr32(0, 189, 7).tr32(1, 193, 9).tr32(0, 37, 1234).tr16(0, 69, -10).tr32(0, 45, 125);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.sgy"));
        QVERIFY(fx.writeTo(path));
        SEGY segy;
        segy.setDevice(new QFile(path));
        QVERIFY(segy.open());
        const TracePositions p = readTracePositions(segy, fieldIndex(TraceField::Inline), fieldIndex(TraceField::Crossline));
        QCOMPARE(p.traceCount(), 2);
        QVERIFY(std::fabs(p.x[TracePositions::Cdps][0] - expected) < 1e-9);
        QVERIFY(std::fabs(p.y[TracePositions::Cdps][0] + expected) < 1e-9);
        QVERIFY(!p.present(TracePositions::Cdps, 1));
        QVERIFY(!p.present(TracePositions::Sources, 0));
        QCOMPARE(p.unitName(), unitName);
        QCOMPARE(p.inlines[0], 7);
        QCOMPARE(p.crosslines[1], 9);
        QCOMPARE(p.offsets[0], 1234);
        QVERIFY(p.elevations);
        QCOMPARE(p.minElevation, 12.5);
        QCOMPARE(p.maxElevation, 12.5);
    }
};

QTEST_GUILESS_MAIN(TestSurveyGeometry)
#include "tst_surveygeometry.moc"
