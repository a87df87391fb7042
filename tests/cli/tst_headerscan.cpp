// The scan on synthetic 3-D surveys whose inline, crossline and CDP
// coordinates lie at bytes the standard does not give them, as integers and
// as floats; its layout file is then used as it is.

#include "clitest.h"
#include "fixture.h"
#include "headerscan.h"
#include "segy.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstring>

namespace {

constexpr int Inlines = 12;
constexpr int Crosslines = 40;

// Raw bytes of a value of a type, in the fixture's byte order.
QByteArray encoded(double value, const QString& type, bool little)
{
    QByteArray bytes;
    quint64 raw = 0;
    int width = 4;
    if (type == "int32") {
        raw = quint32(qint32(value));
    } else if (type == "int16") {
        raw = quint16(qint16(value));
        width = 2;
    } else if (type == "ieee32") {
        const float f = float(value);
        quint32 w;
        std::memcpy(&w, &f, 4);
        raw = w;
    } else if (type == "ibm32") {
        raw = referenceIbmWord(value);
    } else {
        std::memcpy(&raw, &value, 8);
        width = 8;
    }
    for (int k = 0; k < width; ++k)
        bytes.append(char(raw >> (8 * (little ? k : width - 1 - k))));
    return bytes;
}

// The value of role k (inline, crossline, CDP X, CDP Y) at trace t of a grid
// turned against north, 12.5 m bins.
double gridValue(int k, int t)
{
    const int il = t / Crosslines, xl = t % Crosslines;
    const double values[] = {100.0 + il, 1000.0 + 2 * xl, 512000.25 + 12.5 * xl + 3.5 * il,
                             6123000.5 + 12.5 * il - 3.5 * xl};
    return values[k];
}

}  // namespace

class TestHeaderScan : public QObject
{
    Q_OBJECT

private slots:
    void findsFields_data();
    void findsFields();
};

void TestHeaderScan::findsFields_data()
{
    QTest::addColumn<bool>("little");
    QTest::addColumn<QStringList>("placed");  // "role=BYTE:TYPE" for inline, crossline, cdp_x, cdp_y

    QTest::newRow("integers in unassigned bytes, IEEE coordinates")
        << false << QStringList{"inline=221:int32", "crossline=233:int16", "cdp_x=181:ieee32", "cdp_y=185:ieee32"};
    QTest::newRow("other fields' bytes, IEEE doubles")
        << false << QStringList{"inline=9:int32", "crossline=21:int32", "cdp_x=225:ieee64", "cdp_y=233:ieee64"};
    QTest::newRow("little-endian, IBM coordinates")
        << true << QStringList{"inline=237:int16", "crossline=239:int16", "cdp_x=201:ibm32", "cdp_y=205:ibm32"};
}

void TestHeaderScan::findsFields()
{
    QFETCH(bool, little);
    QFETCH(QStringList, placed);
    SegyFixture f(little ? QDataStream::LittleEndian : QDataStream::BigEndian);
    f.geometry(4, 1);
    for (int t = 0; t < Inlines * Crosslines; ++t) {
        f.addTrace(4, 1, [](int i) { return double(i); });
        for (int k = 0; k < 4; ++k) {
            const QStringList parts = placed[k].section('=', 1).split(':');
            f.trBytes(t, parts[0].toInt(), encoded(gridValue(k, t), parts[1], little));
        }
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("grid.sgy");
    QVERIFY(f.writeTo(path));

    SEGY segy;
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    // Each role is found, reading the values placed there (the same bytes
    // may be read as a narrower field when the high half is 0: the values
    // are what count); the floats by their own type.
    const ScanResult result = scanTraceHeaders(segy);
    QStringList found;
    for (const ScanSuggestion& s : result.suggestions)
        found << QStringLiteral("%1=%2:%3").arg(s.role).arg(s.field.startByte).arg(valueTypeName(s.field.type));
    const QStringList roles{"inline", "crossline", "cdp_x", "cdp_y"};
    for (int k = 0; k < 4; ++k) {
        const auto s = std::find_if(result.suggestions.begin(), result.suggestions.end(),
                                    [&](const ScanSuggestion& x) { return x.role == roles[k]; });
        QVERIFY2(s != result.suggestions.end(), qPrintable(found.join(", ")));
        if (k < 2)
            QCOMPARE(s->confidence, QString("high"));
        else
            QVERIFY2(placed[k].endsWith(valueTypeName(s->field.type)), qPrintable(found.join(", ")));
        for (int t : {0, 41, Inlines * Crosslines - 1})
            QVERIFY2(qAbs(segy.fieldValue(segy.traceHeaders().at(t), s->field).toDouble() - gridValue(k, t)) < 1,
                     qPrintable(found.join(", ")));
    }

    // The printed layout works as it is.
    const Result scan = runProgram({path, "scan", "--json"});
    QCOMPARE(scan.status, 0);
    const QString layout = dir.filePath("layout.json");
    QFile out(layout);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(scan.rawOut);
    out.close();
    const Result dump = runProgram({path, "dump", "--layout", layout, "--fields", "inline,crossline", "--traces", "41-42"});
    QCOMPARE(dump.out, QStringList({"trace\tinline\tcrossline", "41\t101\t1002"}));
}

QTEST_GUILESS_MAIN(TestHeaderScan)
#include "tst_headerscan.moc"
