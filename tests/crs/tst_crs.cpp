// Reference systems: the catalogue look-ups, resolving a system from a code
// or a definition, the point transform against PROJ's own cs2cs, and the
// rules of the trace coordinate reprojection.

#include "crsdefinition.h"
#include "fixture.h"
#include "headerfields.h"
#include "reprojection.h"
#include "segy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <QtTest>
#include <cmath>

namespace {

const QString Ed50Utm31 = QStringLiteral("+proj=utm +zone=31 +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +units=m +no_defs");
const QString Wgs84Utm31 = QStringLiteral("+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs");
const QString Ed50 = QStringLiteral("+proj=longlat +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +no_defs");
const QString Wgs84 = QStringLiteral("+proj=longlat +datum=WGS84 +no_defs");
const QString BritishGrid = QStringLiteral(
    "+proj=tmerc +lat_0=49 +lon_0=-2 +k=0.9996012717 +x_0=400000 +y_0=-100000 +ellps=airy "
    "+towgs84=446.448,-125.157,542.06,0.15,0.247,0.842,-20.489 +units=m +no_defs");
const QString Refused = QStringLiteral("+proj=nosuchprojection +ellps=intl");
const QString Wgs84Geoid = QStringLiteral("+proj=longlat +datum=WGS84 +geoidgrids=no-such-grid.gtx +no_defs");

QString catalogue()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/epsg.db3");
}

void removeCatalogue()
{
    QFile::remove(catalogue());
    QDir(catalogue()).removeRecursively();
}

struct Row
{
    QVariant id;
    QVariant name;  // null QVariant: NULL
    QString proj;
};

// Writes the catalogue the program reads, beside this test executable.
void writeCatalogue(const QList<Row>& rows, const QString& idType = QStringLiteral("INTEGER"))
{
    removeCatalogue();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(catalogue());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("CREATE TABLE datum (id %1, name TEXT, proj TEXT)").arg(idType)));
        for (const Row& r : rows) {
            q.prepare(QStringLiteral("INSERT INTO datum (id, name, proj) VALUES (?, ?, ?)"));
            q.addBindValue(r.id);
            q.addBindValue(r.name.isNull() ? QVariant(QVariant::String) : r.name);
            q.addBindValue(r.proj);
            QVERIFY(q.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
}

QList<Row> sampleRows()
{
    return {
        {4326, QStringLiteral("WGS 84"), Wgs84},
        {32631, QStringLiteral("WGS 84 / UTM zone 31N"), Wgs84Utm31},
        {23031, QStringLiteral("ED50 / UTM zone 31N"), Ed50Utm31},
        {4322, QStringLiteral("wgs 72"), QStringLiteral("+proj=longlat +ellps=WGS72 +no_defs")},
        {9999, QVariant(), QStringLiteral("+proj=longlat +ellps=intl +no_defs")},
        {27700, QStringLiteral("O'Brien grid"), BritishGrid},
        {3857, QStringLiteral("WGSX84 pseudo"), QStringLiteral("+proj=merc +a=6378137 +b=6378137 +units=m")},
        {7, QStringLiteral("Refused"), Refused},
    };
}

QList<int> ids(const QList<CrsDefinition>& list)
{
    QList<int> out;
    for (const CrsDefinition& d : list)
        out << d.id;
    return out;
}

// Runs PROJ's cs2cs on points (degrees for geographic input) and returns its
// results at full precision.
QList<QPointF> cs2cs(const QString& from, const QString& to, const QList<QPointF>& points)
{
    QStringList args{QStringLiteral("-f"), QStringLiteral("%.12f")};
    args << from.split(QLatin1Char(' '), Qt::SkipEmptyParts) << QStringLiteral("+to")
         << to.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QProcess p;
    p.start(QStringLiteral("/usr/bin/cs2cs"), args);
    if (!p.waitForStarted())
        return {};
    QByteArray input;
    for (const QPointF& pt : points)
        input += QByteArray::number(pt.x(), 'g', 17) + ' ' + QByteArray::number(pt.y(), 'g', 17) + '\n';
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished();
    QList<QPointF> out;
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> cells = line.simplified().split(' ');
        if (cells.size() >= 2)
            out << QPointF(cells[0].toDouble(), cells[1].toDouble());
    }
    return out;
}

struct Trace
{
    int scalar = 0, units = 0;
    int sx = 0, sy = 0, gx = 0, gy = 0, cx = 0, cy = 0;
};

const char* const Fields[] = {"71", "89", "73", "77", "81", "85", "181", "185"};

QList<int> values(const Trace& t)
{
    return {t.scalar, t.units, t.sx, t.sy, t.gx, t.gy, t.cx, t.cy};
}

QList<int> values(const SEGY& segy, int trace)
{
    QList<int> out;
    for (const char* f : Fields)
        out << segy.traceHeaderValue(trace, traceHeaderFieldIndex(QLatin1String(f)));
    return out;
}

// Loads a file of the given traces (3 IBM samples each) into segy.
bool loadTraces(SEGY& segy, const QTemporaryDir& dir, const QList<Trace>& traces)
{
    SegyFixture fx;
    fx.geometry(3, 1);
    for (int i = 0; i < traces.size(); ++i) {
        const Trace& t = traces[i];
        fx.addTrace(3, 1, [](int s) { return double(s); });
        fx.tr16(i, 71, qint16(t.scalar)).tr16(i, 89, qint16(t.units));
        fx.tr32(i, 73, t.sx).tr32(i, 77, t.sy).tr32(i, 81, t.gx).tr32(i, 85, t.gy).tr32(i, 181, t.cx).tr32(i, 185, t.cy);
    }
    static int serial = 0;
    const QString path = dir.filePath(QStringLiteral("t%1.sgy").arg(++serial));
    if (!fx.writeTo(path))
        return false;
    segy.setDevice(new QFile(path));
    return segy.open() && segy.traceCount() == traces.size();
}

}  // namespace

Q_DECLARE_METATYPE(Trace)

class TestCrs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void init() { removeCatalogue(); }
    void cleanupTestCase() { removeCatalogue(); }

    // ---- catalogue look-ups ----

    void missingOrUnusableCatalogue_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("no file") << 0;
        QTest::newRow("directory") << 1;
        QTest::newRow("not a database") << 2;
    }
    void missingOrUnusableCatalogue()
    {
        QFETCH(int, kind);
        if (kind == 1)
            QVERIFY(QDir().mkpath(catalogue()));
        if (kind == 2) {
            QFile f(catalogue());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'x'));
        }
        // Told apart from a code the catalogue does not hold.
        const CrsCatalogue unusable(catalogue());
        for (const CrsLookup& lookup : {unusable.byId(4326), unusable.byName(QString())}) {
            QVERIFY(lookup.definitions.isEmpty());
            QVERIFY2(lookup.error.startsWith(QStringLiteral("The coordinate reference system catalogue %1 ")
                                                 .arg(catalogue())),
                     qPrintable(lookup.error));
        }
        const CrsResolution resolved = resolveCrs(unusable, QStringLiteral("4326"));
        QCOMPARE(resolved.error, unusable.byId(4326).error);
        QCOMPARE(resolved.definition.id, 0);
    }

    void byId_data()
    {
        QTest::addColumn<QString>("idType");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("expectFound");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("proj");
        for (const QString& type : {QStringLiteral("INTEGER"), QStringLiteral("TEXT")}) {
            QTest::newRow(qPrintable(type + " present")) << type << 23031 << true << "ED50 / UTM zone 31N" << Ed50Utm31;
            QTest::newRow(qPrintable(type + " null name")) << type << 9999 << true << ""
                                                           << "+proj=longlat +ellps=intl +no_defs";
            QTest::newRow(qPrintable(type + " absent")) << type << 1234 << false << "" << "";
        }
    }
    void byId()
    {
        QFETCH(QString, idType);
        QFETCH(int, code);
        QFETCH(bool, expectFound);
        QFETCH(QString, name);
        QFETCH(QString, proj);
        QList<Row> rows = sampleRows();
        if (idType == QLatin1String("TEXT"))
            for (Row& r : rows)
                r.id = r.id.toString();
        writeCatalogue(rows, idType);
        const CrsLookup lookup = CrsCatalogue(catalogue()).byId(code);
        QCOMPARE(lookup.error, QString());
        const QList<CrsDefinition> list = lookup.definitions;
        QCOMPARE(list.size(), expectFound ? 1 : 0);
        if (expectFound) {
            QCOMPARE(list[0].id, code);
            QCOMPARE(list[0].name(), name);
            QCOMPARE(list[0].proj(), proj);
        }
    }

    void byName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("expected");
        const QList<int> named{4326, 32631, 23031, 4322, 27700, 3857, 7};
        QTest::newRow("empty: every named row, table order") << "" << named;
        QTest::newRow("any case") << "WGS" << QList<int>{4326, 32631, 4322, 3857};
        QTest::newRow("inner words, other case") << "utm ZONE" << QList<int>{32631, 23031};
        QTest::newRow("underscore wildcard") << "WGS_84" << QList<int>{4326, 32631, 3857};
        QTest::newRow("percent wildcard") << "%" << named;
        QTest::newRow("single quote") << "O'Brien" << QList<int>{27700};
        QTest::newRow("quote and statement text") << "'; DROP TABLE datum; --" << QList<int>{};
        QTest::newRow("name holding a quote") << "Brien" << QList<int>{27700};
        QTest::newRow("no match") << "Mars" << QList<int>{};
    }
    void byName()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, expected);
        writeCatalogue(sampleRows());
        const CrsLookup lookup = CrsCatalogue(catalogue()).byName(text);
        QCOMPARE(lookup.error, QString());
        QCOMPARE(ids(lookup.definitions), expected);
    }

    // Each catalogue has a connection of its own, gone with it.
    void connectionsBelongToCatalogues()
    {
        writeCatalogue(sampleRows());
        const QStringList before = QSqlDatabase::connectionNames();
        {
            const CrsCatalogue first(catalogue());
            const CrsCatalogue second(catalogue());
            QCOMPARE(QSqlDatabase::connectionNames().size(), before.size() + 2);
            for (int i = 0; i < 2; ++i) {
                QCOMPARE(first.byId(4326).definitions.size(), 1);
                QCOMPARE(second.byName(QStringLiteral("UTM")).definitions.size(), 2);
            }
        }
        QCOMPARE(QSqlDatabase::connectionNames(), before);
        // Read only: a catalogue never creates the file it was given.
        const QString absent = dir.filePath(QStringLiteral("absent.db3"));
        QVERIFY(!CrsCatalogue(absent).error().isEmpty());
        QVERIFY(!QFile::exists(absent));
    }

    void resolve_data()
    {
        QTest::addColumn<int>("epsg");      // -1: resolve the text alone
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("id");        // of the definition; 0 when it fails
        QTest::addColumn<QString>("error");
        QTest::newRow("code") << -1 << "23031" << 23031 << "";
        QTest::newRow("EPSG: and code, blanks around") << -1 << " epsg:4326 " << 4326 << "";
        QTest::newRow("PROJ text") << -1 << Wgs84Utm31 << -1 << "";
        QTest::newRow("unknown code") << -1 << "1234" << 0 << "EPSG code 1234 is not in the catalogue.";
        QTest::newRow("name") << -1 << "WGS 84" << 0 << "WGS 84 is not a PROJ definition (it begins with +).";
        QTest::newRow("code and garbage") << -1 << "4326x" << 0 << "4326x is not a PROJ definition (it begins with +).";
        QTest::newRow("nothing") << -1 << "" << 0 << "No coordinate reference system was given.";
        QTest::newRow("side: PROJ text beats the code") << 23031 << Wgs84 << -1 << "";
        QTest::newRow("side: code, text without +") << 23031 << Wgs84.mid(1) << 23031 << "";
        QTest::newRow("side: no code, text without +") << 0 << Wgs84.mid(1) << 0
                                                        << Wgs84.mid(1) + " is not a PROJ definition (it begins with +).";
        QTest::newRow("side: neither") << 0 << "" << 0 << "No coordinate reference system was given.";
    }
    void resolve()
    {
        QFETCH(int, epsg);
        QFETCH(QString, text);
        QFETCH(int, id);
        QFETCH(QString, error);
        writeCatalogue(sampleRows());
        const CrsCatalogue catalogue(::catalogue());
        const CrsResolution r = epsg < 0 ? resolveCrs(catalogue, text) : resolveCrs(catalogue, epsg, text);
        QCOMPARE(r.error, error);
        QCOMPARE(r.definition.id, id);
        if (id == -1)
            QCOMPARE(r.definition.proj(), text.trimmed());
        if (id > 0)
            QCOMPARE(r.definition.proj(), catalogue.byId(id).definitions.value(0).proj());
    }

    void generatedCatalogue_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<bool>("shifted");  // carries +towgs84
        QTest::newRow("4326") << 4326 << "WGS 84" << 3.0 << 45.0 << false;
        QTest::newRow("4230") << 4230 << "ED50" << 3.0 << 45.0 << true;
        QTest::newRow("23031") << 23031 << "ED50 / UTM zone 31N" << 3.0 << 45.0 << true;
        QTest::newRow("32631") << 32631 << "WGS 84 / UTM zone 31N" << 3.0 << 45.0 << false;
        QTest::newRow("27700") << 27700 << "OSGB36 / British National Grid" << -2.0 << 53.0 << true;
        QTest::newRow("2154") << 2154 << "RGF93 v1 / Lambert-93" << 3.0 << 46.0 << true;
        QTest::newRow("3857") << 3857 << "WGS 84 / Pseudo-Mercator" << 3.0 << 45.0 << false;
        // Paris meridian: the registry's shift is a rotation then a Helmert shift.
        QTest::newRow("27572") << 27572 << "NTF (Paris) / Lambert zone II" << 2.5 << 46.5 << true;
    }
    void generatedCatalogue()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QFETCH(double, lon);
        QFETCH(double, lat);
        QFETCH(bool, shifted);
        const QString generated = QString::fromLocal8Bit(qgetenv("TREVALON_BIN_DIR")) + QStringLiteral("/epsg.db3");
        QVERIFY2(QFile::exists(generated), qPrintable(generated));
        QVERIFY(QFile::copy(generated, catalogue()));
        const CrsCatalogue copy(catalogue());
        const QList<CrsDefinition> list = copy.byId(code).definitions;
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].name(), name);
        QVERIFY(list[0].proj().startsWith(QLatin1String("+proj=")));
        QCOMPARE(list[0].proj().contains(QLatin1String("+towgs84=")), shifted);
        // PROJ accepts the definition: a point inside its area of use goes there and back.
        bool ok = false;
        GeoPoint p;
        p.x = lon;
        p.y = lat;
        const CrsDefinition wgs(Wgs84, -1, QString());
        const GeoPoint there = transformPoint(wgs, list[0], degreesToRadians(p), &ok);
        QVERIFY(ok);
        const GeoPoint back = radiansToDegrees(transformPoint(list[0], wgs, there, &ok));
        QVERIFY(ok);
        QVERIFY(std::abs(back.x - lon) < 1e-7 && std::abs(back.y - lat) < 1e-7);
        if (code == 4326)
            QVERIFY(copy.byName(QString()).definitions.size() > 4000);
    }

    // ---- point transform against cs2cs ----

    void agreesWithCs2cs_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("units");   // of the stored input values
        QTest::addColumn<int>("scalar");  // of the stored input values
        QTest::addColumn<QList<QPointF>>("stored");
        QTest::addColumn<bool>("geographicOut");
        QTest::newRow("projected to projected, datum shift")
            << Ed50Utm31 << Wgs84Utm31 << 1 << -100
            << QList<QPointF>{{43215012, 458132037}, {50000000, 500000000}, {28765433, 421234599}} << false;
        // Longitude 0 is a position like any other.
        QTest::newRow("geographic to projected") << Ed50 << Wgs84Utm31 << 3 << -10000
                                                 << QList<QPointF>{{21234, 451234}, {57891, 432109}, {5, 512345}, {0, 451234}}
                                                 << false;
        QTest::newRow("projected to geographic") << BritishGrid << Wgs84 << 1 << -100
                                                 << QList<QPointF>{{53012345, 18065432}, {29876543, 71234567}} << true;
        QTest::newRow("seconds of arc") << Ed50 << Wgs84Utm31 << 2 << -100
                                        << QList<QPointF>{{1080045, 16200012}, {722345, 15912399}} << false;
        QTest::newRow("classic init form") << "+init=epsg:23031" << "+init=epsg:32631" << 1 << -100
                                           << QList<QPointF>{{43215012, 458132037}} << false;
        // Geographic however written: latlong, or with a vertical part on a
        // geoid grid that does not exist (PROJ then leaves heights alone).
        QTest::newRow("latlong output") << Ed50Utm31 << "+proj=latlong +datum=WGS84" << 1 << -100
                                        << QList<QPointF>{{43215012, 458132037}, {0, 458132037}} << true;
        QTest::newRow("geoid grid input") << Wgs84Geoid << Wgs84Utm31 << 3 << -10000
                                          << QList<QPointF>{{21234, 451234}, {57891, 432109}} << false;
        QTest::newRow("geoid grid output") << Ed50Utm31 << Wgs84Geoid << 1 << -100
                                           << QList<QPointF>{{43215012, 458132037}} << true;
    }

    void keysInAnyOrder()
    {
        GeoPoint p;
        p.x = 432150.12;
        p.y = 4581320.37;
        bool ok = false, reorderedOk = false;
        const GeoPoint expected = transformPoint(CrsDefinition(Ed50Utm31, -1, QString()),
                                                 CrsDefinition(Wgs84Utm31, -1, QString()), p, &ok);
        const GeoPoint out = transformPoint(
            CrsDefinition(QStringLiteral("+towgs84=-87,-98,-121,0,0,0,0 +zone=31 +ellps=intl +proj=utm +units=m"), -1, QString()),
            CrsDefinition(QStringLiteral(" +datum=WGS84 +proj=utm +zone=31"), -1, QString()), p, &reorderedOk);
        QVERIFY(ok);
        QVERIFY(reorderedOk);
        QCOMPARE(out.x, expected.x);
        QCOMPARE(out.y, expected.y);
    }
    void agreesWithCs2cs()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, units);
        QFETCH(int, scalar);
        QFETCH(QList<QPointF>, stored);
        QFETCH(bool, geographicOut);

        // The values the routine hands to the transform, in cs2cs's units.
        QList<QPointF> input;
        for (const QPointF& s : stored) {
            QPointF v(s.x() / -scalar, s.y() / -scalar);
            if (units == 2)
                v /= 3600.0;
            input << v;
        }
        const QList<QPointF> expected = cs2cs(from, to, input);
        QCOMPARE(expected.size(), input.size());

        const CrsDefinition source(from, -1, QString()), target(to, -1, QString());
        QList<Trace> traces;
        for (int i = 0; i < input.size(); ++i) {
            GeoPoint p;
            p.x = input[i].x();
            p.y = input[i].y();
            if (units != 1)
                p = degreesToRadians(p);
            bool ok = false;
            GeoPoint out = transformPoint(source, target, p, &ok);
            QVERIFY(ok);
            if (geographicOut) {
                out = radiansToDegrees(out);
                QVERIFY2(std::abs(out.x - expected[i].x()) < 1e-11, qPrintable(QString::number(out.x - expected[i].x())));
                QVERIFY2(std::abs(out.y - expected[i].y()) < 1e-11, qPrintable(QString::number(out.y - expected[i].y())));
            } else {
                QVERIFY2(std::abs(out.x - expected[i].x()) < 1e-6, qPrintable(QString::number(out.x - expected[i].x())));
                QVERIFY2(std::abs(out.y - expected[i].y()) < 1e-6, qPrintable(QString::number(out.y - expected[i].y())));
            }
            Trace t;
            t.scalar = scalar;
            t.units = units;
            t.sx = t.gx = t.cx = int(stored[i].x());
            t.sy = t.gy = t.cy = int(stored[i].y());
            traces << t;
        }

        // The integers the reprojection stores: cs2cs's results scaled and rounded.
        SEGY segy;
        QVERIFY(loadTraces(segy, dir, traces));
        QCOMPARE(reprojectTraceCoordinates(&segy, 0, 0, from, to), 0);
        const int multiplier = geographicOut ? 10000 : 100;
        for (int i = 0; i < expected.size(); ++i) {
            const int x = int(std::lround(expected[i].x() * multiplier));
            const int y = int(std::lround(expected[i].y() * multiplier));
            QCOMPARE(values(segy, i), (QList<int>{-multiplier, geographicOut ? 3 : 1, x, y, x, y, x, y}));
        }
    }

    // Enough traces for every core, each kind of position repeating in its
    // own way: each stored value is cs2cs's result rounded.
    void largeSurveyAgreesWithCs2cs()
    {
        const int n = 40000, channels = 96;
        QList<Trace> traces;
        QList<QPointF> input;
        for (int i = 0; i < n; ++i) {
            const int shot = i / channels, channel = i % channels;
            const int sx = 43215000 + 2500 * shot + (shot * 37) % 61, sy = 458132000 + 1250 * shot;
            const int gx = 43215000 + 1250 * (2 * shot + channel) + (channel * 13) % 29, gy = 458132000 + 625 * (2 * shot + channel);
            const Trace t{-100, 1, sx, sy, gx, gy, (sx + gx) / 2, (sy + gy) / 2};
            traces << t;
            for (int k = 0; k < 3; ++k)
                input << QPointF(values(t)[2 + 2 * k] / 100.0, values(t)[3 + 2 * k] / 100.0);
        }
        const QList<QPointF> expected = cs2cs(Ed50Utm31, Wgs84Utm31, input);
        QCOMPARE(expected.size(), input.size());
        SEGY segy;
        QVERIFY(loadTraces(segy, dir, traces));
        QCOMPARE(reprojectTraceCoordinates(&segy, 0, 0, Ed50Utm31, Wgs84Utm31), 0);
        for (int i = 0; i < n; ++i) {
            QList<int> want{-100, 1};
            for (int k = 0; k < 3; ++k)
                want << int(std::lround(expected[3 * i + k].x() * 100)) << int(std::lround(expected[3 * i + k].y() * 100));
            QCOMPARE(values(segy, i), want);
        }
    }

    void transformFailures_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::newRow("refused source") << Refused << Wgs84 << 500000.0 << 5000000.0;
        QTest::newRow("refused target") << Wgs84Utm31 << QStringLiteral("+proj=utm +zone=99 +ellps=intl") << 500000.0 << 5000000.0;
        QTest::newRow("empty text") << QString() << Wgs84 << 1.0 << 1.0;
        QTest::newRow("latitude beyond the pole") << Wgs84 << Wgs84Utm31 << 0.05 << 1.7;
    }
    void transformFailures()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(double, x);
        QFETCH(double, y);
        GeoPoint p;
        p.x = x;
        p.y = y;
        p.z = 3.0;
        bool ok = true;
        const GeoPoint out = transformPoint(CrsDefinition(from, -1, QString()), CrsDefinition(to, -1, QString()), p, &ok);
        QCOMPARE(ok, false);
        QCOMPARE(out.x, 0.0);
        QCOMPARE(out.y, 0.0);
        QCOMPARE(out.z, 0.0);
        transformPoint(CrsDefinition(from, -1, QString()), CrsDefinition(to, -1, QString()), p, nullptr);
    }

    void angleConversionsIncludeHeight()
    {
        GeoPoint p;
        p.x = 180.0;
        p.y = -90.0;
        p.z = 57.29577951308232;
        const GeoPoint r = degreesToRadians(p);
        QCOMPARE(r.x, M_PI);
        QCOMPARE(r.y, -M_PI / 2);
        QCOMPARE(r.z, 1.0);
        QCOMPARE(radiansToDegrees(r).x, 180.0);
    }

    // ---- reprojection rules ----

    void outputScaling_data()
    {
        QTest::addColumn<QString>("proj");
        QTest::addColumn<int>("multiplier");
        QTest::addColumn<int>("unitsCode");
        QTest::newRow("metres") << "+proj=utm +zone=31 +units=m" << 100 << 1;
        QTest::newRow("feet") << "+proj=tmerc +units=us-ft" << 100 << 1;
        QTest::newRow("longlat") << "+proj=longlat +datum=WGS84" << 10000 << 3;
        QTest::newRow("latlong") << "+proj=latlong +datum=WGS84" << 10000 << 3;
        QTest::newRow("geoid grid") << Wgs84Geoid << 10000 << 3;
        QTest::newRow("refused: the caller's values stay") << Refused << 7 << 9;
    }
    void outputScaling()
    {
        QFETCH(QString, proj);
        QFETCH(int, multiplier);
        QFETCH(int, unitsCode);
        int m = 7, u = 9;  // the caller's defaults stay when nothing matches
        ::outputScaling(proj, &m, &u);
        QCOMPARE(m, multiplier);
        QCOMPARE(u, unitsCode);
    }

    // Identity transforms make the expected integers exact.
    void traceRules_data()
    {
        QTest::addColumn<QString>("to");
        QTest::addColumn<Trace>("before");
        QTest::addColumn<Trace>("after");
        const QString lin = Wgs84Utm31;
        QTest::newRow("scalar -100") << lin << Trace{-100, 1, 12345600, 456789012, 12345699, 456789099, 1, 1}
                                     << Trace{-100, 1, 12345600, 456789012, 12345699, 456789099, 1, 1};
        QTest::newRow("scalar 10 multiplies") << lin << Trace{10, 1, 50000, 450000, 50001, 450001, 60000, 460000}
                                              << Trace{-100, 1, 50000000, 450000000, 50001000, 450001000, 60000000, 460000000};
        QTest::newRow("scalar 0 reads as 1") << lin << Trace{0, 1, 500000, 4500000, 500001, 4500001, 500002, 4500002}
                                             << Trace{-100, 1, 50000000, 450000000, 50000100, 450000100, 50000200, 450000200};
        QTest::newRow("a pair is absent only when both are 0")
            << lin << Trace{-10, 1, 0, 45000000, 5000000, 0, 0, 0}
            << Trace{-100, 1, 0, 450000000, 50000000, 0, 0, 0};
        QTest::newRow("no position: any units code") << lin << Trace{0, 0, 0, 0, 0, 0, 0, 0}
                                                     << Trace{-100, 1, 0, 0, 0, 0, 0, 0};
        const QString geo = Wgs84;
        QTest::newRow("units 3: degrees") << geo << Trace{-1000, 3, 2512, 45123, 2512, 45123, 2512, 45123}
                                          << Trace{-10000, 3, 25120, 451230, 25120, 451230, 25120, 451230};
        QTest::newRow("units 2: seconds of arc") << geo << Trace{1, 2, 18000, 162000, 18000, 162000, 18000, 162000}
                                                 << Trace{-10000, 3, 50000, 450000, 50000, 450000, 50000, 450000};
        // Units 1: the values go to PROJ as they are, i.e. as radians.
        QTest::newRow("units 1: taken as radians") << geo << Trace{-100, 1, 50, 70, 50, 70, 50, 70}
                                                   << Trace{-10000, 3, 286479, 401070, 286479, 401070, 286479, 401070};
    }
    void traceRules()
    {
        QFETCH(QString, to);
        QFETCH(Trace, before);
        QFETCH(Trace, after);
        SEGY segy;
        QVERIFY(loadTraces(segy, dir, {before}));
        QCOMPARE(reprojectTraceCoordinates(&segy, 0, 0, to, to), 0);
        QCOMPARE(values(segy, 0), values(after));
    }

    // A file reprojected to its own system keeps every coordinate.
    void identityKeepsEveryCoordinate_data()
    {
        QTest::addColumn<QString>("proj");
        QTest::addColumn<int>("scalar");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("base");
        QTest::newRow("projected, centimetres") << Ed50Utm31 << -100 << 1 << 43215012;
        QTest::newRow("geographic, 1/10000 degree") << Ed50 << -10000 << 3 << 21234;
        QTest::newRow("geographic with a geoid") << Wgs84Geoid << -10000 << 3 << -1799999;
    }
    void identityKeepsEveryCoordinate()
    {
        QFETCH(QString, proj);
        QFETCH(int, scalar);
        QFETCH(int, units);
        QFETCH(int, base);
        QList<Trace> traces;
        for (int i = 0; i < 200; ++i)
            traces << Trace{scalar, units, base + 7 * i, 451234 + 13 * i, base - 3 * i, 452345 + i, base + i, 453456 - 11 * i};
        SEGY segy;
        QVERIFY(loadTraces(segy, dir, traces));
        QCOMPARE(reprojectTraceCoordinates(&segy, 0, 0, proj, proj), 0);
        for (int i = 0; i < traces.size(); ++i)
            QCOMPARE(values(segy, i), values(traces[i]));
    }

    void noFileLoaded()
    {
        SEGY segy;
        QSignalSpy started(&segy, &SEGY::editStarted);
        QCOMPARE(reprojectTraceCoordinates(&segy, 4326, 32631, Wgs84, Wgs84Utm31), -2);
        QCOMPARE(started.count(), 0);
    }

    // editStarted and editCompleted in pairs, whatever the outcome; progress
    // of the working out and of the storing only when the percentage changes.
    void signalsAndProgress_data()
    {
        QTest::addColumn<int>("traces");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("result");
        QTest::newRow("one trace") << 1 << Ed50Utm31 << 0;
        QTest::newRow("many traces") << 30000 << Ed50Utm31 << 0;
        QTest::newRow("refused system") << 1 << Refused << -1;
        QTest::newRow("no system") << 1 << QString() << -1;
    }
    void signalsAndProgress()
    {
        QFETCH(int, traces);
        QFETCH(QString, from);
        QFETCH(int, result);
        SEGY segy;
        QList<Trace> list;
        for (int i = 0; i < traces; ++i)
            list << Trace{-100, 1, 50000000 + i, 450000000, 0, 0, 0, 0};
        QVERIFY(loadTraces(segy, dir, list));
        QSignalSpy started(&segy, &SEGY::editStarted);
        QSignalSpy progress(&segy, &SEGY::editProgress);
        QSignalSpy completed(&segy, &SEGY::editCompleted);
        QList<int> working;
        QCOMPARE(reprojectTraceCoordinates(&segy, 0, 0, from, Wgs84Utm31, nullptr,
                                           [&](int percent) { working << percent; }),
                 result);
        QCOMPARE(started.count(), 1);
        QCOMPARE(completed.count(), 1);
        QList<int> storing;
        for (const QList<QVariant>& args : progress)
            storing << args.at(0).toInt();
        for (const QList<int>& percents : {working, storing}) {
            for (int i = 0; i < percents.size(); ++i)
                QVERIFY2(percents[i] < 100 && (i == 0 || percents[i] > percents[i - 1]), qPrintable(QString::number(percents[i])));
        }
        if (traces > 1)
            QVERIFY(working.size() > 2 && storing.size() > 0);
    }

    // Codes, texts and the catalogue: which system each side gets.
    void systemsSetUp_data()
    {
        QTest::addColumn<bool>("withCatalogue");
        QTest::addColumn<int>("inCode");
        QTest::addColumn<int>("outCode");
        QTest::addColumn<QString>("inText");
        QTest::addColumn<QString>("outText");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("error");  // the report's, its start
        QTest::newRow("codes from the catalogue") << true << 23031 << 32631 << "" << "" << 0 << true << "";
        QTest::newRow("texts need no catalogue") << false << 23031 << 32631 << Ed50Utm31 << Wgs84Utm31 << 0 << true << "";
        QTest::newRow("text beats a refused code") << true << 7 << 7 << Ed50Utm31 << Wgs84Utm31 << 0 << true << "";
        QTest::newRow("text without + is ignored") << true << 23031 << 32631 << Ed50Utm31 << Wgs84Utm31.mid(1) << 0 << true << "";
        QTest::newRow("missing catalogue") << false << 23031 << 32631 << "" << "" << -1 << false
                                           << "input coordinate reference system: The coordinate reference system catalogue " + catalogue() + " is missing or unreadable.";
        QTest::newRow("unknown code") << true << 23031 << 1234 << "" << "" << -1 << false
                                      << "output coordinate reference system: EPSG code 1234 is not in the catalogue.";
        QTest::newRow("code 0 without text") << true << 0 << 32631 << "" << "" << -1 << false
                                             << "input coordinate reference system: No coordinate reference system was given.";
        QTest::newRow("refused definition in the catalogue") << true << 7 << 32631 << "" << "" << -1 << false
                                                             << "input coordinate reference system: PROJ cannot read";
        QTest::newRow("refused typed definition") << false << 0 << 0 << Refused << Wgs84Utm31 << -1 << false
                                                  << "input coordinate reference system: PROJ cannot read";
    }
    void systemsSetUp()
    {
        QFETCH(bool, withCatalogue);
        QFETCH(int, inCode);
        QFETCH(int, outCode);
        QFETCH(QString, inText);
        QFETCH(QString, outText);
        QFETCH(int, result);
        QFETCH(bool, changed);
        QFETCH(QString, error);
        if (withCatalogue)
            writeCatalogue(sampleRows());
        const Trace before{-100, 1, 43215012, 458132037, 43215012, 458132037, 43215012, 458132037};
        SEGY segy;
        QVERIFY(loadTraces(segy, dir, {before}));
        QSignalSpy completed(&segy, &SEGY::editCompleted);
        ReprojectionReport report;
        QCOMPARE(reprojectTraceCoordinates(&segy, inCode, outCode, inText, outText, &report), result);
        QVERIFY2(error.isEmpty() ? report.error.isEmpty() : report.error.startsWith(error), qPrintable(report.error));
        QCOMPARE(report.text(), report.error);
        QCOMPARE(report.changedTraces, qint64(changed ? 1 : 0));
        const QList<QPointF> expected = cs2cs(Ed50Utm31, Wgs84Utm31, {QPointF(432150.12, 4581320.37)});
        QCOMPARE(expected.size(), 1);
        const int x = int(std::lround(expected[0].x() * 100)), y = int(std::lround(expected[0].y() * 100));
        const QList<int> want = changed ? QList<int>{-100, 1, x, y, x, y, x, y} : values(before);
        QCOMPARE(values(segy, 0), want);
        QCOMPARE(completed.count(), 1);
    }

    // All or nothing: one trace that cannot be reprojected leaves every
    // trace as it was, and the report names how many failed and the first.
    void allOrNothing_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<Trace>("bad");
        QTest::addColumn<int>("reason");
        QTest::newRow("PROJ refuses one pair") << Ed50 << Wgs84Utm31 << Trace{-1000, 3, 3000, 45000, 3000, 95000, 3000, 45000}
                                               << int(ReprojectionReport::NotTransformed);
        QTest::newRow("result too large for the field")
            << Wgs84Utm31 << Wgs84Utm31 << Trace{1, 1, 500000, 4500000, 500000, 4500000, 30000000, 4500000}
            << int(ReprojectionReport::DoesNotFit);
        QTest::newRow("result too small for the field")
            << Wgs84Utm31 << Wgs84Utm31 << Trace{1, 1, 500000, -22000000, 500000, 4500000, 500000, 4500000}
            << int(ReprojectionReport::DoesNotFit);
        QTest::newRow("units 0") << Ed50Utm31 << Wgs84Utm31 << Trace{-100, 0, 0, 0, 0, 0, 50000000, 450000000}
                                 << int(ReprojectionReport::UnknownUnits);
        QTest::newRow("units 4") << Ed50 << Wgs84Utm31 << Trace{-1000, 4, 3000, 45000, 3000, 45000, 3000, 45000}
                                 << int(ReprojectionReport::UnknownUnits);
    }
    void allOrNothing()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(Trace, bad);
        QFETCH(int, reason);
        Trace good = bad;
        good.units = 1;
        good.scalar = -100;
        good.sx = good.gx = good.cx = 50000000;
        good.sy = good.gy = good.cy = 450000000;
        if (!from.contains(QLatin1String("utm"))) {  // geographic input
            good.units = 3;
            good.scalar = -1000;
            good.sx = good.gx = good.cx = 3000;
            good.sy = good.gy = good.cy = 45000;
        }
        const QList<Trace> traces{good, good, bad, good, bad};
        SEGY segy;
        QVERIFY(loadTraces(segy, dir, traces));
        QSignalSpy completed(&segy, &SEGY::editCompleted);
        ReprojectionReport report;
        QCOMPARE(reprojectTraceCoordinates(&segy, 0, 0, from, to, &report), -1);
        QCOMPARE(completed.count(), 1);
        for (int i = 0; i < traces.size(); ++i)
            QCOMPARE(values(segy, i), values(traces[i]));
        QCOMPARE(report.traceCount, 5);
        QCOMPARE(report.failedTraces, 2);
        QCOMPARE(report.firstFailedTrace, 2);
        QCOMPARE(int(report.firstReason), reason);
        QVERIFY2(report.text().startsWith(QLatin1String("2 of 5 traces could not be reprojected; the first is trace index 2: ")),
                 qPrintable(report.text()));
        QVERIFY(report.text().endsWith(QLatin1String(". No trace was changed.")));
        if (reason == ReprojectionReport::UnknownUnits)
            QVERIFY(report.text().contains(QStringLiteral("units code is %1,").arg(bad.units)));

        // Once the bad traces are mended, the same run goes through.
        for (int i : {2, 4})
            for (int f = 0; f < 8; ++f)
                QVERIFY(segy.setTraceHeaderValue(i, traceHeaderFieldIndex(QLatin1String(Fields[f])), values(good)[f]));
        QCOMPARE(reprojectTraceCoordinates(&segy, 0, 0, from, to, &report), 0);
    }
};

QTEST_GUILESS_MAIN(TestCrs)
#include "tst_crs.moc"
