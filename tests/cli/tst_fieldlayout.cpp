// Custom fields: layout files, and fields of every type through the
// commands (edit, dump, stats, CSV export and import) and the sort, checked
// against bytes encoded here from the type's definition.

#include "clitest.h"
#include "fieldlayout.h"
#include "fixture.h"
#include "segy.h"
#include "tracesort.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

namespace {

// The value's bytes as the type defines them, big-endian.
QByteArray encoded(const QString& type, const QString& text)
{
    quint64 raw = 0;
    int width = 4;
    if (type == "ieee32") {
        const float v = text.toFloat();
        quint32 w;
        std::memcpy(&w, &v, 4);
        raw = w;
    } else if (type == "ieee64") {
        const double v = text.toDouble();
        std::memcpy(&raw, &v, 8);
        width = 8;
    } else if (type == "ibm32") {
        raw = referenceIbmWord(text.toDouble());
    } else {
        width = type.mid(type.startsWith('u') ? 4 : 3).toInt() / 8;
        raw = type.startsWith('u') ? text.toULongLong() : quint64(text.toLongLong());
    }
    QByteArray bytes(width, '\0');
    for (int k = 0; k < width; ++k)
        bytes[width - 1 - k] = char(raw >> (8 * k));
    return bytes;
}


}  // namespace

class TestFieldLayout : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void refused_data();
    void refused();
    void everyType_data();
    void everyType();
    void fieldsSharingAStandardField_data();
    void fieldsSharingAStandardField();
    void computedValues_data();
    void computedValues();
};

void TestFieldLayout::roundTrip()
{
    const QByteArray json = R"({"traceHeader": [
        {"name": "iline", "byte": 17, "type": "int32", "description": "Inline"},
        {"name": "cdpx", "byte": 181, "type": "ieee64", "scalar": "71"}],
        "binaryHeader": [{"name": "vendor", "byte": 3301, "type": "uint16"}]})";
    FieldLayout layout;
    QString error;
    QVERIFY2(layout.loadJson(json, &error), qPrintable(error));
    QCOMPARE(layout.fields().size(), 3);
    FieldLayout again;
    QVERIFY(again.loadJson(layout.toJson(), &error));
    QCOMPARE(again.toJson(), layout.toJson());
    const FieldDescription* cdpx = again.find("CDPX", HeaderBlock::Trace);
    QVERIFY(cdpx);
    QCOMPARE(cdpx->label(), QString("181-188"));
    QCOMPARE(cdpx->scalarField, QString("71"));
    QCOMPARE(again.find("vendor", HeaderBlock::Binary)->offset(), 100);

    // A misspelt key or a byte that is no whole number refuses the file.
    for (const QByteArray& bad : {QByteArray(R"({"tracheader": []})"),
                                  QByteArray(R"({"traceHeader": [{"name": "x", "byte": "17", "type": "int8"}]})"),
                                  QByteArray(R"({"traceHeader": [{"name": "x", "byte": 17.5, "type": "int8"}]})")})
        QVERIFY2(!FieldLayout().loadJson(bad, &error), bad.constData());
}

void TestFieldLayout::refused_data()
{
    QTest::addColumn<QStringList>("definitions");
    QTest::addColumn<QString>("named");  // in the reason

    QTest::newRow("past the trace header") << QStringList{"tail=237:int64"} << "tail";
    QTest::newRow("past the binary header") << QStringList{"end=3597:ieee64"} << "end";
    QTest::newRow("unknown type") << QStringList{"x=1:float"} << "x=1:float";
    QTest::newRow("named twice") << QStringList{"a=1:int8", "A=9:int8"} << "A";
    QTest::newRow("name of digits") << QStringList{"189=189:int32"} << "189";
}

void TestFieldLayout::refused()
{
    QFETCH(QStringList, definitions);
    QFETCH(QString, named);
    FieldLayout layout;
    QString error;
    bool ok = true;
    for (const QString& definition : definitions)
        ok = ok && layout.addDefinition(definition, &error);
    QVERIFY(!ok);
    QVERIFY2(error.contains(named), qPrintable(error));

    // The command line refuses it before touching any file, naming it.
    QStringList arguments{"missing.sgy", "dump"};
    for (const QString& definition : definitions)
        arguments << "--field" << definition;
    const Result result = runProgram(arguments);
    QCOMPARE(result.status, 1);
    QVERIFY2(result.err.join('\n').contains(named), qPrintable(result.err.join('\n')));
}

void TestFieldLayout::everyType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");  // as dump, stats and the CSV give it back

    QTest::newRow("int8") << "int8" << 236 << "-5" << "-5";
    QTest::newRow("int16") << "int16" << 181 << "-1234" << "-1234";
    QTest::newRow("int32 across two fields") << "int32" << 183 << "-123456789" << "-123456789";
    QTest::newRow("int64") << "int64" << 233 << "-1234567890123" << "-1234567890123";
    QTest::newRow("uint8") << "uint8" << 240 << "200" << "200";
    QTest::newRow("uint16") << "uint16" << 182 << "60000" << "60000";
    QTest::newRow("uint32") << "uint32" << 181 << "4000000000" << "4000000000";
    QTest::newRow("uint64") << "uint64" << 233 << "18000000000000000000" << "18000000000000000000";
    QTest::newRow("ibm32") << "ibm32" << 181 << "-118.625" << "-118.625";
    QTest::newRow("ieee32 rounded") << "ieee32" << 181 << "0.1" << "0.100000001";
    QTest::newRow("ieee64") << "ieee64" << 233 << "1234567.5" << "1234567.5";
}

void TestFieldLayout::everyType()
{
    QFETCH(QString, type);
    QFETCH(int, byte);
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath("survey.sgy");
    QVERIFY(surveyFixture().writeTo(path));
    const QByteArray before = fileContents(path);
    const QStringList field{"--field", QStringLiteral("f=%1:%2").arg(byte).arg(type)};

    // edit: only the field's bytes of traces 2 and 3 change, to the encoding.
    Result result = runProgram(QStringList{path, "edit", "-t", "f=" + value, "--interval", "2-4"} + field);
    QCOMPARE(result.status, 0);
    QCOMPARE(result.err.join('\n').contains("cannot hold"), value != shown);
    QByteArray expected = before;
    const QByteArray bytes = encoded(type, value);
    const int traceBytes = (before.size() - 3600) / SurveyTraces;
    for (int trace : {2, 3})
        expected.replace(3600 + trace * traceBytes + byte - 1, bytes.size(), bytes);
    QCOMPARE(fileContents(path), expected);

    // dump and stats read it back.
    result = runProgram(QStringList{path, "dump", "--fields", "f", "--traces", "2-3"} + field);
    QCOMPARE(result.out, QStringList({"trace\tf", "2\t" + shown}));
    result = runProgram(QStringList{path, "stats", "--fields", "f", "--json"} + field);
    const QJsonObject stats = QJsonDocument::fromJson(result.rawOut).object()["fields"].toArray().at(0).toObject();
    QCOMPARE(stats["distinct"].toInt(), 2);
    QCOMPARE(stats["first"].toVariant().toString(), stats["last"].toVariant().toString());
    const QString extreme = value.startsWith('-') ? "minimum" : "maximum";
    QCOMPARE(stats[extreme].toDouble(), shown.toDouble());

    // CSV: the column by name; a value put into trace 5 lands in its bytes.
    const QString csv = dir.filePath("headers.csv");
    QCOMPARE(runProgram(QStringList{path, "export-headers", "--ascii-out", csv, "--delim", ";"} + field).status, 0);
    QStringList rows = QString::fromUtf8(fileContents(csv)).split("\r\n");
    const int column = rows[0].split(';').indexOf("f");
    QVERIFY(column > 0);
    QCOMPARE(rows[3].split(';').at(column), shown);
    QStringList cells = rows[6].split(';');
    cells[column] = value;
    rows[6] = cells.join(';');
    QFile out(csv);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(rows.join("\r\n").toUtf8());
    out.close();
    QCOMPARE(runProgram(QStringList{path, "import-headers", "--ascii-in", csv, "--delim", ";"} + field).status, 0);
    expected.replace(3600 + 5 * traceBytes + byte - 1, bytes.size(), bytes);
    QCOMPARE(fileContents(path), expected);

    // The sort puts traces 2, 3 and 5 first or last by the field.
    SEGY segy;
    FieldLayout layout;
    QString error;
    QVERIFY(layout.addDefinition(field[1], &error));
    segy.setFieldLayout(layout);
    segy.setDevice(new QFile(path));
    QVERIFY(segy.open());
    TraceHeaderList list;
    list.loadFrom(&segy);
    const bool ascending = value.startsWith('-');
    list.sort({{TraceHeaderFieldCount, ascending}});
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    QCOMPARE((QList<SEGYTraceHeader*>{list.at(0), list.at(1), list.at(2), list.at(3)}),
             (QList<SEGYTraceHeader*>{headers[2], headers[3], headers[5], headers[0]}));
}

void TestFieldLayout::fieldsSharingAStandardField_data()
{
    // Two fields in the bytes of one standard field, set in one command.
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("first");  // file offset of the first field's bytes
    QTest::newRow("trace header") << "-t" << 3600 + 180;
    QTest::newRow("binary header") << "-b" << 3200;
}

void TestFieldLayout::fieldsSharingAStandardField()
{
    QFETCH(QString, option);
    QFETCH(int, first);
    QTemporaryDir dir;
    const QString path = dir.filePath("survey.sgy");
    QVERIFY(surveyFixture().writeTo(path));
    QByteArray expected = fileContents(path);
    const int byte = option == "-t" ? 181 : 3201;
    const Result result = runProgram({path, "edit", "--field", QStringLiteral("hi=%1:int16").arg(byte), "--field",
                                      QStringLiteral("lo=%1:int16").arg(byte + 2), option, "hi=-2", option, "lo=300",
                                      "--interval", "0-1"});
    QCOMPARE(result.status, 0);
    expected.replace(first, 4, encoded("int16", "-2") + encoded("int16", "300"));
    QCOMPARE(fileContents(path), expected);
}

void TestFieldLayout::computedValues_data()
{
    // An expression computed for each trace into a custom field.
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("shown");  // trace 3's value, or the error's end
    QTest::newRow("uint32 from the index") << "u=217:uint32" << "i*3" << "9";
    QTest::newRow("ieee32 from the index") << "u=221:ieee32" << "i*1000+5" << "3005";
    QTest::newRow("int8 out of range") << "u=236:int8" << "i*50" << "gives 150 at trace index 3, which is not a valid "
                                                                       "value for field u (int8).\"";
}

void TestFieldLayout::computedValues()
{
    QFETCH(QString, field);
    QFETCH(QString, expression);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath("survey.sgy");
    QVERIFY(surveyFixture().writeTo(path));
    const QByteArray before = fileContents(path);
    const Result edit = runProgram({path, "edit", "--field", field, "-t", "u=" + expression});
    if (shown.contains(' ')) {
        QCOMPARE(edit.status, 1);
        QVERIFY2(edit.err.join('\n').endsWith(shown), qPrintable(edit.err.join('\n')));
        QCOMPARE(fileContents(path), before);
        return;
    }
    QCOMPARE(edit.status, 0);
    QCOMPARE(runProgram({path, "dump", "--field", field, "--fields", "u", "--traces", "3-4"}).out,
             QStringList({"trace\tu", "3\t" + shown}));
}

QTEST_GUILESS_MAIN(TestFieldLayout)
#include "tst_fieldlayout.moc"
