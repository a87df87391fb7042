// The geometry command end to end: its JSON read back and checked against
// a least-squares fit numpy makes of python3-segyio's reading of the shared
// samples, the maps it draws without a display, degrees projected with
// --epsg, and its refusals.

#include "clitest.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

// numpy's fit of the CDP positions (scalar applied) to the inline and
// crossline numbers: origin, the per-number vectors and the RMS residual.
QJsonObject numpyFit(const QString& path)
{
    static const char* script = R"(
import json, sys, numpy, segyio
with segyio.open(sys.argv[1], ignore_geometry=True) as f:
    h = [f.header[i] for i in range(f.tracecount)]
s = numpy.array([t[71] for t in h], float)
s = numpy.where(s > 0, s, numpy.where(s < 0, -1 / s, 1))
x = numpy.array([t[181] for t in h]) * s
y = numpy.array([t[185] for t in h]) * s
il = numpy.array([t[189] for t in h], float); xl = numpy.array([t[193] for t in h], float)
m = numpy.column_stack([numpy.ones(len(h)), il - il.min(), xl - xl.min()])
cx = numpy.linalg.lstsq(m, x, rcond=None)[0]; cy = numpy.linalg.lstsq(m, y, rcond=None)[0]
r = numpy.hypot(x - m @ cx, y - m @ cy)
print(json.dumps({"ox": cx[0], "oy": cy[0], "ax": cx[1], "ay": cy[1], "bx": cx[2], "by": cy[2],
                  "rms": float(numpy.sqrt((r * r).mean()))}))
)";
    QProcess python;
    python.start(QString::fromLocal8Bit(qgetenv("TREVALON_PYTHON")), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    python.waitForFinished(-1);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

double azimuthOf(double east, double north)
{
    const double degrees = std::atan2(east, north) * 180 / M_PI;
    return degrees < 0 ? degrees + 360 : degrees;
}

}  // namespace

class TestGeometryCommand : public QObject
{
    Q_OBJECT

private slots:
    void matchesNumpyOnSharedSamples_data()
    {
        QTest::addColumn<QString>("sample");
        for (const char* name : {"f3.sgy", "acute-small.sgy", "obtuse-small.sgy", "right-small.sgy", "left-small.sgy",
                                 "inv-acute-small.sgy", "reflex-small.sgy"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void matchesNumpyOnSharedSamples()
    {
        QFETCH(QString, sample);
        const QString path = sharedSample(sample);
        const Result r = runProgram({path, QStringLiteral("geometry"), QStringLiteral("--json")});
        QCOMPARE(r.status, 0);
        const QJsonObject report = parseJson(r);
        const QJsonObject grid = report.value(QStringLiteral("grid")).toObject();
        QCOMPARE(report.value(QStringLiteral("kind")).toString(), QStringLiteral("grid3d"));
        const QJsonObject fit = numpyFit(path);
        QVERIFY2(!fit.isEmpty(), "python3-segyio with numpy did not run");
        const QJsonObject origin = grid.value(QStringLiteral("origin")).toObject();
        auto close = [](const QJsonValue& ours, double theirs, double tolerance) {
            return std::fabs(ours.toDouble() - theirs) <= tolerance;
        };
        const double ax = fit.value(QStringLiteral("ax")).toDouble(), ay = fit.value(QStringLiteral("ay")).toDouble();
        const double bx = fit.value(QStringLiteral("bx")).toDouble(), by = fit.value(QStringLiteral("by")).toDouble();
        QVERIFY(close(origin.value(QStringLiteral("x")), fit.value(QStringLiteral("ox")).toDouble(), 0.002));
        QVERIFY(close(origin.value(QStringLiteral("y")), fit.value(QStringLiteral("oy")).toDouble(), 0.002));
        QVERIFY(close(grid.value(QStringLiteral("inlineAzimuth")), azimuthOf(bx, by), 0.001));
        QVERIFY(close(grid.value(QStringLiteral("crosslineAzimuth")), azimuthOf(ax, ay), 0.001));
        QVERIFY(close(grid.value(QStringLiteral("inlineBinSize")), std::hypot(bx, by), 0.002));
        QVERIFY(close(grid.value(QStringLiteral("crosslineBinSize")), std::hypot(ax, ay), 0.002));
        QVERIFY(close(grid.value(QStringLiteral("rmsResidual")), fit.value(QStringLiteral("rms")).toDouble(), 0.002));
        QCOMPARE(grid.value(QStringLiteral("missingNodes")).toInt(), 0);
        QCOMPARE(grid.value(QStringLiteral("duplicateNodes")).toInt(), 0);
        QCOMPARE(grid.value(QStringLiteral("corners")).toArray().size(), 4);
    }

    // Numbers named by a layout give the grid their bytes give.
    void layoutFieldsByName()
    {
        const QString path = sharedSample(QStringLiteral("f3.sgy"));
        const Result bytes = runProgram({path, "geometry", "--json"});
        const Result named = runProgram({path, "geometry", "--json", "--field", "il=189:int32", "--field",
                                         "xl=193:int32", "--inline", "il", "--crossline", "xl"});
        QVERIFY2(named.status == 0, qPrintable(named.err.join("\n")));
        QJsonObject byName = parseJson(named).value("grid").toObject(), byBytes = parseJson(bytes).value("grid").toObject();
        QCOMPARE(byName.take("inlineBytes").toString(), QStringLiteral("il"));
        byBytes.remove("inlineBytes");
        byName.remove("crosslineBytes");
        byBytes.remove("crosslineBytes");
        QCOMPARE(byName, byBytes);
        QCOMPARE(runProgram({path, "geometry", "--inline", "il"}).status, 1);  // no such field
    }

    // The map is written with no display, as PNG or SVG, whole or not at all.
    void drawsMaps_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("status");
        QTest::newRow("png") << "map.png" << QStringList() << 0;
        QTest::newRow("svg coloured") << "map.svg" << QStringList{QStringLiteral("--colour-by"), QStringLiteral("189")} << 0;
        QTest::newRow("other suffix") << "map.jpg" << QStringList() << 1;
        QTest::newRow("colour without map") << "" << QStringList{QStringLiteral("--colour-by"), QStringLiteral("189")} << 1;
        QTest::newRow("no such field") << "map.png" << QStringList{QStringLiteral("--colour-by"), QStringLiteral("190")} << 1;
        QTest::newRow("no directory") << "missing/map.png" << QStringList() << 1;
    }
    void drawsMaps()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, extra);
        QFETCH(int, status);
        QTemporaryDir dir;
        QStringList arguments{sharedSample(QStringLiteral("f3.sgy")), QStringLiteral("geometry")};
        if (!name.isEmpty())
            arguments << QStringLiteral("--map") << dir.filePath(name);
        const Result r = runProgram(arguments + extra);
        QCOMPARE(r.status, status);
        if (status != 0) {
            QVERIFY(r.err.join(QLatin1Char('\n')).contains(QLatin1String("Error:")));
            QVERIFY(!name.isEmpty() || r.out.isEmpty());
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
            return;
        }
        QVERIFY(r.err.filter(QStringLiteral("QStandardPaths")).isEmpty());
        QFile picture(dir.filePath(name));
        QVERIFY(picture.open(QIODevice::ReadOnly));
        const QByteArray bytes = picture.readAll();
        if (name.endsWith(QLatin1String(".svg"))) {
            QVERIFY(bytes.contains("<svg"));
            QVERIFY(bytes.contains("IL 133 / XL 892"));
        } else {
            const QImage image = QImage::fromData(bytes, "PNG");
            QCOMPARE(image.size(), QSize(1200, 900));
            // The CDPs' green is there.
            bool green = false;
            for (int y = 0; y < image.height() && !green; y += 2)
                for (int x = 0; x < image.width() && !green; ++x)
                    green = image.pixel(x, y) == qRgb(44, 160, 44);
            QVERIFY(green);
        }
    }

    // Positions in degrees: no fit without a projected system; with one,
    // bins of 0.0002 degrees of longitude and 0.0001 of latitude at 52 N.
    void projectsDegrees_data()
    {
        QTest::addColumn<QString>("epsg");
        QTest::newRow("degrees") << QString();
        QTest::newRow("UTM 31N") << QStringLiteral("32631");
    }
    void projectsDegrees()
    {
        QFETCH(QString, epsg);
        SegyFixture fx;
        fx.geometry(2, 1);
        int t = 0;
        for (int i = 0; i < 6; ++i) {
            for (int j = 0; j < 5; ++j, ++t) {
                fx.addTrace(2, 1, [](int) { return 0.0; });
                fx.tr16(t, 71, -10000).tr16(t, 89, 3).tr32(t, 189, 10 + i).tr32(t, 193, 20 + j);
                fx.tr32(t, 181, 30000 + 2 * j).tr32(t, 185, 520000 + i);
            }
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("degrees.sgy"));
        QVERIFY(fx.writeTo(path));
        QStringList arguments{path, QStringLiteral("geometry"), QStringLiteral("--json")};
        if (!epsg.isEmpty())
            arguments << QStringLiteral("--epsg") << epsg;
        const Result r = runProgram(arguments);
        QCOMPARE(r.status, 0);
        const QJsonObject report = parseJson(r);
        if (epsg.isEmpty()) {
            QCOMPARE(report.value(QStringLiteral("unit")).toString(), QStringLiteral("deg"));
            QVERIFY(report.value(QStringLiteral("grid")).isNull());
            QCOMPARE(report.value(QStringLiteral("notes")).toArray().size(), 1);
            QCOMPARE(report.value(QStringLiteral("extents")).toObject().value(QStringLiteral("cdps")).toObject()
                         .value(QStringLiteral("maxX")).toDouble(), 3.0008);
            return;
        }
        QCOMPARE(report.value(QStringLiteral("unit")).toString(), QStringLiteral("m"));
        const QJsonObject grid = report.value(QStringLiteral("grid")).toObject();
        QVERIFY(std::fabs(grid.value(QStringLiteral("inlineBinSize")).toDouble() - 13.75) < 0.1);
        QVERIFY(std::fabs(grid.value(QStringLiteral("crosslineBinSize")).toDouble() - 11.13) < 0.1);
        QVERIFY(grid.value(QStringLiteral("rmsResidual")).toDouble() < 0.05);
    }

    // A pre-stack 2-D shot line whose headers claim degrees, in text.
    void reportsInText()
    {
        const Result r = runProgram({sharedSample(QStringLiteral("viking_small.segy")), QStringLiteral("geometry")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("Traces: 480")));
        QVERIFY(r.out.filter(QRegularExpression(QStringLiteral("^Receivers +479 +1 "))).size() == 1);
        QVERIFY(r.out.contains(
            QStringLiteral("Note: No trace has a CDP position (181-188): no bin grid or line to describe.")));
    }
};

QTEST_GUILESS_MAIN(TestGeometryCommand)
#include "tst_geometrycommand.moc"
