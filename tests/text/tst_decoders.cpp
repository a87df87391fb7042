#include "decoders.h"
#include "headers.h"

#include <QtTest>
#include <functional>
#include <memory>

// Decoders are checked on real header objects holding the value in the field
// the decoder reads.

namespace {

using DecoderFactory = std::function<std::unique_ptr<SEGYHeaderAbstractDecoder>(int)>;

template <typename T>
DecoderFactory factory()
{
    return [](int field) { return std::unique_ptr<SEGYHeaderAbstractDecoder>(new T(field)); };
}

int traceField(int startByte)
{
    return traceHeaderFieldIndex(QString::number(startByte));
}

int binaryField(int startByte)
{
    return binaryHeaderFieldIndex(QString::number(startByte));
}

struct CodeTable {
    const char* name;
    DecoderFactory make;
    QList<QPair<int, QString>> codes;  // every code the decoder knows
};

QString deg(const char* text)
{
    return QString::fromUtf8(text);
}

const QList<CodeTable>& codeTables()
{
    static const QList<CodeTable> tables = {
        {"SampleFormat", factory<SEGYSampleFormatDecoder>(),
         {{1, "4-byte IBM floating-point"}, {2, "Integer 32 bit"}, {3, "Integer 16 bit"},
          {4, "4-byte fixed point with gain"}, {5, "IEEE floating point"}, {6, "IEEE floating point 64 bit"},
          {7, "Integer 24 bit"}, {8, "Integer 8 bit"}, {9, "Integer 64 bit"}, {10, "Unsigned integer 32 bit"},
          {11, "Unsigned integer 16 bit"}, {12, "Unsigned integer 64 bit"}, {15, "Unsigned integer 24 bit"},
          {16, "Unsigned integer 8 bit"}}},
        {"TraceIdentification", factory<SEGYTraceIdentificationDecoder>(),
         {{-1, "User defined"}, {0, "Unknown"}, {1, "Seismic data"}, {2, "Dead"}, {3, "Dummy"},
          {4, "Time break"}, {5, "Uphole"}, {6, "Sweep"}, {7, "Timing"}, {8, "Waterbreak"},
          {9, "Near-field gun signature"}, {10, "Far-field gun singature"},
          {11, "Seismic pressure sensor"}, {12, "Multicomponent sensor - Vertical"},
          {13, "Multicomponent sensor - Cross-line"}, {14, "Multicomponent sensor - In-line"},
          {15, "Rot. Multicomponent sensor - Vertical"}, {16, "Rot. Multicomponent sensor - Cross-line"},
          {17, "Rot. Multicomponent sensor - In-line"}, {18, "Vibrator reaction mass"},
          {19, "Vibrator baseplate"}, {20, "Vibrator ground force"}, {21, "Vibrator reference"},
          {22, "Time-velocity pairs"}}},
        {"DataUse", factory<SEGYDataUseDecoder>(), {{1, "Production"}, {2, "Test"}}},
        {"CoordinateUnit", factory<SEGYCoordinateUnitDecoder>(),
         {{1, "Meters"}, {2, "Seconds of arc"}, {3, "Decimal degrees"}, {4, "DMS"}}},
        {"DataTracesCorrelation", factory<SEGYDataTracesCorrelationDecoder>(), {{1, "No"}, {2, "Yes"}}},
        {"BinaryGainRecovery", factory<SEGYBinaryGainRecoveryDecoder>(), {{1, "Yes"}, {2, "No"}}},
        {"SweepType", factory<SEGYSweepTypeDecoder>(),
         {{0, "Undefined"}, {1, "Linear sweep"}, {2, "Parabolic sweep"}, {3, "Exponential sweep"},
          {4, "User defined sweep"}}},
        {"TaperType", factory<SEGYTaperTypeDecoder>(),
         {{0, "Undefined"}, {1, "Linear"}, {2, "Cos2"}, {3, "Unknown"}}},
        {"TimeBasis", factory<SEGYTimeBasisDecoder>(),
         {{1, "Local"}, {2, "GMT"}, {3, "User defined"}, {4, "UTC"}}},
        {"OverTravel", factory<SEGYOverTravelDecoder>(), {{1, "Down or behind"}, {2, "Up or ahead"}}},
        {"TraceValMeasurementUnit", factory<SEGYTraceValMeasurementUnitDecoder>(),
         {{-1, "User defined"}, {0, "Unkown"}, {1, "Pascal"}, {2, "Volts"}, {3, "Millivolts"},
          {4, "Amperes"}, {5, "Meters"}, {6, "Meters per second"}, {7, "Meters per second squared"},
          {8, "Newton"}, {9, "Watt"}}},
        {"SourceTypeOrientation", factory<SEGYSourceTypeOrientationDecoder>(),
         {{-1, "User defined"}, {0, "Unknown"}, {1, "Vibratory - Vertical"},
          {2, "Vibratory - Cross-line"}, {3, "Vibratory - In-line"}, {4, "Impulsive - Vertical"},
          {5, "Impulsive - Cross-line"}, {6, "Impulsive - In-line"},
          {7, "Distrib. Impulsive - Vertical"}, {8, "Distrib. Impulsive - Cross-line"},
          {9, "Distrib. Impulsive - In-line"}}},
        {"SourceMeasurementUnit", factory<SEGYSourceMeasurementUnitDecoder>(),
         {{-1, "User defined"}, {0, "Unknown"}, {1, "Joule"}, {2, "Kilowatt"}, {3, "Pascal"},
          {4, "Bar or Bar-meter"}, {5, "Newton"}, {6, "Kilograms"}}},
        {"TraceSortingCode", factory<SEGYTraceSortingCodeDecoder>(),
         {{-1, "Other"}, {0, "Unknown"}, {1, "No sorting"}, {2, "CDP ensemble"},
          {3, "Single fold continous profile"}, {4, "Horizontally stacked"},
          {5, "Common source point"}, {6, "Common receiver point"}, {7, "Common offset point"},
          {8, "Common mid-point"}, {9, "Common conversion point"}}},
        {"AmplitudeRecoveryMethod", factory<SEGYAmplitudeRecoveryMethodDecoder>(),
         {{1, "None"}, {2, "Spherical divergence"}, {3, "AGC"}, {4, "Other"}}},
        {"MeasurementSystem", factory<SEGYMeasurementSystemDecoder>(), {{1, "Meters"}, {2, "Feet"}}},
        {"ImpulseSignalPolarity", factory<SEGYImpulseSignalPolarityDecoder>(),
         {{1, "Negative"}, {2, "Positive"}}},
        {"VibratoryPolarity", factory<SEGYVibratoryPolarityDecoder>(),
         {{0, "Undefined"}, {1, deg("337.5° to 22.5°")}, {2, deg("22.5° to 67.5°")},
          {3, deg("67.5° to 112.5°")}, {4, deg("112.5° to 157.5°")}, {5, deg("157.5° to 202.5°")},
          {6, deg("202.5° to 247.5°")}, {7, deg("247.5° to 292.5°")}, {8, deg("292.5° to 337.5°")}}},
    };
    return tables;
}

}  // namespace

class TestDecoders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void enumerationTables_data();
    void enumerationTables();
    void nullHeader();
    void sampleInterval_data();
    void sampleInterval();
    void coordinates_data();
    void coordinates();
    void coordinateNeedsTraceHeader();
    void fieldTextSelection_data();
    void fieldTextSelection();
    void fieldTextWithoutDecoder();
};

void TestDecoders::initTestCase()
{
    // Registered a second time under a locale with a decimal comma.
    qInfo("locale %s, decimal point '%s'", qPrintable(QLocale().name()),
          qPrintable(QString(QLocale().decimalPoint())));
}

void TestDecoders::enumerationTables_data()
{
    QTest::addColumn<int>("table");
    for (int i = 0; i < codeTables().size(); ++i)
        QTest::newRow(codeTables()[i].name) << i;
}

void TestDecoders::enumerationTables()
{
    QFETCH(int, table);
    const CodeTable& expected = codeTables()[table];
    // Any 2-byte trace field serves as the carrier.
    const int field = traceField(29);
    SEGYTraceHeader header;
    const auto decoder = expected.make(field);

    int minCode = 0, maxCode = 0;
    for (const auto& code : expected.codes) {
        QVERIFY(header.setValue(field, code.first));
        bool ok = false;
        QCOMPARE(decoder->decode(&header, &ok), code.second);
        QVERIFY(ok);
        minCode = qMin(minCode, code.first);
        maxCode = qMax(maxCode, code.first);
    }
    // Nothing beyond the table is recognised.
    for (int value : {minCode - 1, maxCode + 1, 32767, -32768, 100}) {
        QVERIFY(header.setValue(field, value));
        bool ok = true;
        QCOMPARE(decoder->decode(&header, &ok), QStringLiteral("%1 - Non standard value").arg(value));
        QVERIFY(!ok);
    }
    QCOMPARE(static_cast<SEGYHeaderEnumDecoder*>(decoder.get())->map().size(), expected.codes.size());
}

void TestDecoders::nullHeader()
{
    bool ok = true;
    QCOMPARE(SEGYTraceIdentificationDecoder(7).decode(nullptr, &ok), QString());
    QVERIFY(ok);  // untouched
    ok = true;
    QCOMPARE(SEGYSampleIntervalDecoder(5).decode(nullptr, &ok), QString());
    QVERIFY(ok);
    ok = false;
    QCOMPARE(SEGYCoordinateDecoder(21).decode(nullptr, &ok), QString());
    QVERIFY(ok);
    // The flag pointer is optional.
    SEGYTraceHeader header;
    QCOMPARE(SEGYTraceIdentificationDecoder(7).decode(&header), QStringLiteral("Unknown"));
}

void TestDecoders::sampleInterval_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("0") << 0 << "0" << false;
    QTest::newRow("250") << 250 << "4 KHz" << true;
    QTest::newRow("500") << 500 << "2 KHz" << true;
    QTest::newRow("1000") << 1000 << "1 KHz" << true;
    QTest::newRow("2000") << 2000 << "0.5 KHz" << true;
    QTest::newRow("4000") << 4000 << "0.25 KHz" << true;
    QTest::newRow("3000") << 3000 << "0.333 KHz" << true;
    QTest::newRow("6000") << 6000 << "0.167 KHz" << true;
    QTest::newRow("8000") << 8000 << "0.125 KHz" << true;
    QTest::newRow("-250") << -250 << "-4 KHz" << true;
    QTest::newRow("-3000") << -3000 << "-0.333 KHz" << true;
    QTest::newRow("1") << 1 << "1000 KHz" << true;
    QTest::newRow("3") << 3 << "333.333 KHz" << true;
    QTest::newRow("32767") << 32767 << "0.031 KHz" << true;
    QTest::newRow("-32768") << -32768 << "-0.031 KHz" << true;
}

void TestDecoders::sampleInterval()
{
    QFETCH(int, interval);
    QFETCH(QString, text);
    QFETCH(bool, ok);

    SEGYTraceHeader trace;
    SEGYMainHeader main;
    const QList<QPair<CHeader*, int>> places = {
        {&trace, traceField(117)}, {&main, binaryField(3217)}, {&main, binaryField(3219)}};
    for (const auto& place : places) {
        QVERIFY(place.first->setValue(place.second, interval));
        bool decodedOk = !ok;
        QCOMPARE(SEGYSampleIntervalDecoder(place.second).decode(place.first, &decodedOk), text);
        QCOMPARE(decodedOk, ok);
        // The header tables get the same through the field text.
        bool hasDecoder = false;
        decodedOk = !ok;
        QCOMPARE(place.first->fieldText(place.second, &hasDecoder, &decodedOk), text);
        QVERIFY(hasDecoder);
        QCOMPARE(decodedOk, ok);
    }
}

void TestDecoders::coordinates_data()
{
    QTest::addColumn<int>("startByte");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("scalar");
    QTest::addColumn<int>("units");
    QTest::addColumn<QString>("text");

    QTest::newRow("source X west") << 73 << -1234567 << -100 << 1 << "12345.67 W";
    QTest::newRow("source Y south") << 77 << -1234567 << -100 << 1 << "12345.67 S";
    QTest::newRow("group X east") << 81 << 51234560 << -100 << 1 << "512345.60 E";
    QTest::newRow("positive scalar multiplies") << 73 << 1234 << 10 << 1 << "12340.00 E";
    QTest::newRow("scalar 0 leaves the value") << 77 << 1234 << 0 << 1 << "1234.00 N";
    QTest::newRow("zero is north") << 77 << 0 << -100 << 1 << "0.00 N";
    QTest::newRow("zero is east") << 73 << 0 << 1 << 1 << "0.00 E";
    QTest::newRow("seconds of arc, no range check") << 85 << 1800000 << 1 << 2 << deg("500° 0' 0.000\" N");
    QTest::newRow("seconds of arc with seconds") << 81 << -163815 << 1 << 2 << deg("45° 30' 15.000\" W");
    QTest::newRow("decimal degrees") << 77 << 455 << -10 << 3 << deg("45° 30' 0.000\" N");
    QTest::newRow("decimal degrees south") << 85 << -123456 << -1000 << 3 << deg("123° 27' 22.000\" S");
    QTest::newRow("carry into minutes and degrees") << 77 << 109999 << -10000 << 3 << deg("11° 0' 0.000\" N");
    QTest::newRow("carry into minutes only") << 73 << 105999 << -10000 << 3 << deg("10° 36' 0.000\" E");
    QTest::newRow("DMS units are not split") << 77 << 453030 << -10000 << 4 << "45.3030000 N";
    QTest::newRow("units 0") << 73 << -1234567 << -100 << 0 << "12345.6700000 W";
    QTest::newRow("unknown units") << 73 << 5 << 1 << 7 << "5.0000000 E";
    QTest::newRow("CDP X ignores units") << 181 << 455 << -10 << 3 << "45.50 E";
    QTest::newRow("CDP Y ignores units") << 185 << -455 << -10 << 2 << "45.50 S";
    QTest::newRow("CDP X large") << 181 << 2147483647 << 10000 << 1 << "21474836470000.00 E";
}

void TestDecoders::coordinates()
{
    QFETCH(int, startByte);
    QFETCH(int, value);
    QFETCH(int, scalar);
    QFETCH(int, units);
    QFETCH(QString, text);

    SEGYTraceHeader header;
    const int field = traceField(startByte);
    QVERIFY(header.setValue(field, value));
    QVERIFY(header.setValue(traceField(71), scalar));
    QVERIFY(header.setValue(traceField(89), units));
    bool hasDecoder = false;
    bool ok = false;
    QCOMPARE(header.fieldText(field, &hasDecoder, &ok), text);
    QVERIFY(hasDecoder);
    QVERIFY(ok);
}

void TestDecoders::coordinateNeedsTraceHeader()
{
    SEGYMainHeader main;
    QVERIFY(main.setValue(0, 1234));
    bool ok = false;
    QCOMPARE(SEGYCoordinateDecoder(0).decode(&main, &ok), QString());
    QVERIFY(ok);

    // The two settings: letters and units.
    SEGYTraceHeader header;
    QVERIFY(header.setValue(traceField(73), -455));
    QVERIFY(header.setValue(traceField(71), -10));
    QVERIFY(header.setValue(traceField(89), 3));
    SEGYCoordinateDecoder decoder(traceField(73));
    QVERIFY(!decoder.eastWest());
    QVERIFY(decoder.useCoordinateUnits());
    QCOMPARE(decoder.decode(&header), deg("45° 30' 0.000\" S"));
    decoder.setUseCoordinateUnits(false);
    QCOMPARE(decoder.decode(&header), QStringLiteral("45.50 S"));
    QCOMPARE(SEGYCoordinateDecoder(traceField(73), true).decode(&header), deg("45° 30' 0.000\" W"));
}

void TestDecoders::fieldTextSelection_data()
{
    QTest::addColumn<bool>("trace");
    QTest::addColumn<int>("startByte");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("29") << true << 29 << 22 << "Time-velocity pairs";
    QTest::newRow("35") << true << 35 << 2 << "Test";
    QTest::newRow("89") << true << 89 << 4 << "DMS";
    QTest::newRow("117") << true << 117 << 2000 << "0.5 KHz";
    QTest::newRow("125") << true << 125 << 2 << "Yes";
    QTest::newRow("133") << true << 133 << 4 << "User defined sweep";
    QTest::newRow("139") << true << 139 << 2 << "Cos2";
    QTest::newRow("167") << true << 167 << 4 << "UTC";
    QTest::newRow("179") << true << 179 << 2 << "Up or ahead";
    QTest::newRow("203") << true << 203 << 0 << "Unkown";
    QTest::newRow("211") << true << 211 << 9 << "Watt";
    QTest::newRow("217") << true << 217 << 9 << "Distrib. Impulsive - In-line";
    QTest::newRow("231") << true << 231 << 6 << "Kilograms";
    QTest::newRow("73") << true << 73 << -5 << "5.0000000 W";
    QTest::newRow("77") << true << 77 << -5 << "5.0000000 S";
    QTest::newRow("81") << true << 81 << 5 << "5.0000000 E";
    QTest::newRow("85") << true << 85 << 5 << "5.0000000 N";
    QTest::newRow("181") << true << 181 << -5 << "5.00 W";
    QTest::newRow("185") << true << 185 << -5 << "5.00 S";
    QTest::newRow("3217") << false << 3217 << 4000 << "0.25 KHz";
    QTest::newRow("3219") << false << 3219 << 250 << "4 KHz";
    QTest::newRow("3225") << false << 3225 << 5 << "IEEE floating point";
    QTest::newRow("3229") << false << 3229 << 9 << "Common conversion point";
    QTest::newRow("3239") << false << 3239 << 3 << "Exponential sweep";
    QTest::newRow("3247") << false << 3247 << 3 << "Unknown";
    QTest::newRow("3249") << false << 3249 << 1 << "No";
    QTest::newRow("3251") << false << 3251 << 1 << "Yes";
    QTest::newRow("3253") << false << 3253 << 3 << "AGC";
    QTest::newRow("3255") << false << 3255 << 2 << "Feet";
    QTest::newRow("3257") << false << 3257 << 1 << "Negative";
    QTest::newRow("3259") << false << 3259 << 8 << deg("292.5° to 337.5°");
}

void TestDecoders::fieldTextSelection()
{
    QFETCH(bool, trace);
    QFETCH(int, startByte);
    QFETCH(int, value);
    QFETCH(QString, text);

    SEGYTraceHeader traceHeader;
    SEGYMainHeader mainHeader;
    CHeader* header = trace ? static_cast<CHeader*>(&traceHeader) : &mainHeader;
    const int field = trace ? traceField(startByte) : binaryField(startByte);
    QVERIFY(field >= 0);
    QVERIFY(header->setValue(field, value));
    bool hasDecoder = false;
    bool ok = false;
    QCOMPARE(header->fieldText(field, &hasDecoder, &ok), text);
    QVERIFY(hasDecoder);
    QVERIFY(ok);
    QCOMPARE(header->fieldText(field), text);
}

void TestDecoders::fieldTextWithoutDecoder()
{
    // Every field outside the decoder table shows its number.
    const QList<int> traceDecoded = {29, 35, 73, 77, 81, 85, 89, 117, 125, 133, 139, 167, 179,
                                     181, 185, 203, 211, 217, 231};
    SEGYTraceHeader header;
    for (int field = 0; field < TraceHeaderFieldCount; ++field) {
        if (traceDecoded.contains(traceHeaderStartBytes()[field]))
            continue;
        const int value = traceHeaderStartBytes()[field] == 115 ? 7 : -7;  // counts are unsigned
        QVERIFY(header.setValue(field, value));
        bool hasDecoder = true;
        bool ok = true;
        QCOMPARE(header.fieldText(field, &hasDecoder, &ok), QString::number(value));
        QVERIFY(!hasDecoder);
        QVERIFY(ok);  // left untouched
    }
    SEGYMainHeader main;
    QVERIFY(main.setValue(binaryField(3221), 1500));
    bool hasDecoder = true;
    QCOMPARE(main.fieldText(binaryField(3221), &hasDecoder), QStringLiteral("1500"));
    QVERIFY(!hasDecoder);
    QCOMPARE(main.fieldText(-1, &hasDecoder), QStringLiteral("0"));
    QVERIFY(!hasDecoder);
}

QTEST_GUILESS_MAIN(TestDecoders)
#include "tst_decoders.moc"
