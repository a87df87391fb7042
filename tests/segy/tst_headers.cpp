// Field catalogue, value rules, textual header codec and IBM conversion
// (decoding and the sample codecs live in test support, tracesamples.h).

#include "fixture.h"
#include "headers.h"
#include "samplecodec.h"
#include "tracesamples.h"
#include "textcodec.h"

#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>

class TestHeaders : public QObject
{
    Q_OBJECT

private slots:
    void catalogueLayout()
    {
        const HeaderTable& trace = traceHeaderTable();
        int width = 0;
        for (int i = 0; i < trace.count; ++i) {
            QCOMPARE(trace.offsets[i], width);  // contiguous, in order
            width += trace.specs[i].width;
        }
        QCOMPARE(width, 240);
        QCOMPARE(traceHeaderLabels().size(), 91);
        QCOMPARE(traceHeaderDescriptions().size(), 91);

        const HeaderTable& bin = binaryHeaderTable();
        QCOMPARE(bin.count, 30);
        QCOMPARE(bin.startBytes[26] + bin.specs[26].width - 1, 3260);
        QCOMPARE(bin.startBytes[29] + bin.specs[29].width - 1, 3506);
        QCOMPARE(bin.kinds[2], int(FieldKindInt));
        QCOMPARE(bin.kinds[3], int(FieldKindShort));
        QCOMPARE(binaryHeaderDescriptions().at(5), QString::fromUtf8("Sample interval in microseconds (μs). Mandatory for all data types."));
        QCOMPARE(traceHeaderDescriptions().at(89), QString::fromUtf8("Unassigned — For optional information. "));
    }

    void fieldIndexByStartByte_data()
    {
        QTest::addColumn<bool>("binary");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::newRow("trace 181") << false << "181" << 71;
        QTest::newRow("trace 237") << false << "237" << 90;
        QTest::newRow("trace 1") << false << "1" << 0;
        QTest::newRow("leading zero") << false << "0181" << -1;
        QTest::newRow("whole label") << false << "181-184" << -1;
        QTest::newRow("inner byte") << false << "182" << -1;
        QTest::newRow("blank") << false << " 181" << -1;
        QTest::newRow("binary 3505") << true << "3505" << 29;
        QTest::newRow("binary 3217") << true << "3217" << 5;
        QTest::newRow("binary inner") << true << "3218" << -1;
        QTest::newRow("trace text on binary") << true << "115" << -1;
    }
    void fieldIndexByStartByte()
    {
        QFETCH(bool, binary);
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(binary ? binaryHeaderFieldIndex(text) : traceHeaderFieldIndex(text), index);
    }

    void setValueRules_data()
    {
        QTest::addColumn<int>("field");  // trace field index
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("stored");
        QTest::newRow("int min taken") << 0 << QVariant("-2147483648") << true << -2147483647 - 1;
        QTest::newRow("int max") << 0 << QVariant("2147483647") << true << 2147483647;
        QTest::newRow("int min+1") << 0 << QVariant("-2147483647") << true << -2147483647;
        QTest::newRow("int overflow") << 0 << QVariant("2147483648") << false << 7;
        QTest::newRow("short max+1") << 39 << QVariant("32768") << false << 7;
        QTest::newRow("short min") << 39 << QVariant("-32768") << true << -32768;
        QTest::newRow("sample count max") << 38 << QVariant("65535") << true << 65535;
        QTest::newRow("sample count max+1") << 38 << QVariant("65536") << false << 7;
        QTest::newRow("sample count negative") << 38 << QVariant("-1") << false << 7;
        QTest::newRow("exponent") << 0 << QVariant("1e3") << false << 7;
        QTest::newRow("hex") << 0 << QVariant("0x10") << false << 7;
        QTest::newRow("fraction") << 0 << QVariant("12.5") << false << 7;
        QTest::newRow("empty") << 0 << QVariant("") << false << 7;
        QTest::newRow("int variant") << 38 << QVariant(1500) << true << 1500;
        QTest::newRow("negative") << 20 << QVariant("-100") << true << -100;
    }
    void setValueRules()
    {
        QFETCH(int, field);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(int, stored);
        SEGYTraceHeader header(0);
        QVERIFY(header.setValue(field, 7));
        QCOMPARE(header.setValue(field, value), accepted);
        QCOMPARE(header.value(field), stored);
    }

    void outOfRangeIndexes()
    {
        SEGYTraceHeader trace(0);
        SEGYMainHeader bin;
        QCOMPARE(trace.value(91), 0);
        QCOMPARE(trace.value(-1), 0);
        QCOMPARE(bin.value(-1), 0);
        QVERIFY(!bin.setValue(30, 1));
        QVERIFY(!trace.setValue(-1, 1));

        HeaderField charField{FieldKindChar, 0};
        QVERIFY(charField.setValue(QVariant("-128")));
        QVERIFY(!charField.setValue(QVariant("128")));
        QCOMPARE(charField.value, -128);
    }

    void plainFieldText()
    {
        SEGYTraceHeader trace(0);
        trace.setValue(0, 42);
        bool hasDecoder = true;
        QCOMPARE(trace.fieldText(0, &hasDecoder, nullptr), QStringLiteral("42"));
        QVERIFY(!hasDecoder);
        SEGYMainHeader bin;
        bin.fieldText(9, &hasDecoder, nullptr);
        QVERIFY(hasDecoder);
    }

    void decodeSignExtendsBothOrders()
    {
        uchar block[240] = {};
        block[114] = 0xEA;  // 60000 stored in bytes 115-116, a count: unsigned
        block[115] = 0x60;
        block[116] = 0xEA;  // the same bytes in 117-118 read negative
        block[117] = 0x60;
        block[0] = 0xFF; block[1] = 0xFF; block[2] = 0xFF; block[3] = 0xFE;
        SEGYTraceHeader big(0);
        big.decodeFrom(block, false);
        QCOMPARE(big.value(38), 60000);
        QCOMPARE(big.value(39), 60000 - 65536);
        QCOMPARE(big.value(0), -2);
        uchar again[240];
        big.encodeTo(again, false);
        QVERIFY(std::memcmp(block, again, 240) == 0);

        SEGYTraceHeader little(0);
        little.decodeFrom(block, true);
        QCOMPARE(little.value(38), 0x60EA);
        QCOMPARE(little.value(0), qint32(0xFEFFFFFF));
    }

    void ebcdicKnownBytes()
    {
        QCOMPARE(toEbcdic(QByteArray("C 1")), QByteArray("\xC3\x40\xF1"));
        QCOMPARE(fromEbcdic(QByteArray("\xC3\x40\xF1")), QStringLiteral("C 1"));
        QCOMPARE(toEbcdic(QByteArray("[]!|^")), QByteArray("\x4A\x5A\x4F\x6A\x5F"));
        // Every byte maps and maps back: the tables are inverse permutations.
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QByteArray e = toEbcdic(all);
        QByteArray sorted = e;
        std::sort(sorted.begin(), sorted.end());
        QByteArray unsignedSorted(256, '\0');
        for (int i = 0; i < 256; ++i)
            unsignedSorted[i] = char(i);
        std::sort(unsignedSorted.begin(), unsignedSorted.end());
        QCOMPARE(sorted, unsignedSorted);
        const QByteArray printable("The quick brown fox: 0123456789 (+-*/=) 'SEG-Y' \"rev 1\"");
        QCOMPARE(fromEbcdic(toEbcdic(printable)), QString::fromLatin1(printable));
    }

    void textHeaderEncodingRule()
    {
        QByteArray ebcdic = toEbcdic(QByteArray("C 1 CLIENT"));
        QCOMPARE(uchar(ebcdic[0]), uchar(0xC3));
        QVERIFY(!isAsciiTextHeader(ebcdic));
        QCOMPARE(textHeaderToString(ebcdic), QStringLiteral("C 1 CLIENT"));
        QVERIFY(isAsciiTextHeader(QByteArray("C 1 CLIENT")));
        QCOMPARE(textHeaderToString(QByteArray("C 1 CLIENT")), QStringLiteral("C 1 CLIENT"));
        // A zero byte ends the shown text.
        QByteArray withZero = toEbcdic(QByteArray("C 1 AB"));
        withZero[4] = '\0';
        QCOMPARE(textHeaderToString(withZero), QStringLiteral("C 1 "));
        // Edited text goes back to EBCDIC, and short text is completed with blanks on save.
        QCOMPARE(textHeaderFromString(QStringLiteral("C 2"), true), QByteArray("\xC3\x40\xF2"));
        const QByteArray padded = paddedTextHeader(QByteArray("\xC3\x40\xF2"));
        QCOMPARE(padded.size(), 3200);
        QCOMPARE(padded.right(1), QByteArray("\x40"));
        QCOMPARE(paddedTextHeader(QByteArray("C 2")).right(1), QByteArray(" "));
    }

    void endStanza()
    {
        QByteArray cards = QByteArray("((SEG: Layout))").leftJustified(80, ' ')
                         + QByteArray("((SEG: EndText))").leftJustified(80, ' ');
        cards = cards.leftJustified(3200, ' ');
        QVERIFY(isEndTextBlock(toEbcdic(cards)));
        QVERIFY(isEndTextBlock(cards));
        for (const char* variant : {"(( seg: endtext ))", "((SEG:ENDTEXT))", "( ( SEG : EndText ) )"}) {
            const QByteArray block = QByteArray(variant).leftJustified(3200, ' ');
            QVERIFY2(isEndTextBlock(block) && isEndTextBlock(toEbcdic(block)), variant);
        }
        for (const char* other : {"SEG: ENDTEXT", "((SEG: EndTex))", "((SEG: Layout))"})
            QVERIFY2(!isEndTextBlock(toEbcdic(QByteArray(other).leftJustified(3200, ' '))), other);
    }

    void ibmDecoding_data()
    {
        QTest::addColumn<quint32>("word");
        QTest::addColumn<float>("value");
        QTest::newRow("zero") << 0x00000000u << 0.0f;
        QTest::newRow("one") << 0x41100000u << 1.0f;
        QTest::newRow("-118.625") << 0xC276A000u << -118.625f;
        QTest::newRow("0.15625") << 0x40280000u << 0.15625f;
        QTest::newRow("unnormalised one") << 0x42010000u << 1.0f;
        QTest::newRow("too small for float") << 0x00100000u << 0.0f;
        QTest::newRow("largest IBM") << 0x7FFFFFFFu << std::numeric_limits<float>::infinity();
    }
    void ibmDecoding()
    {
        QFETCH(quint32, word);
        QFETCH(float, value);
        QCOMPARE(ibmToFloat(word), value);
    }

    void ibmEncoding_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<quint32>("word");
        const float smallestNormal = std::numeric_limits<float>::min();
        const float denormal = std::numeric_limits<float>::denorm_min() * 3;
        QTest::newRow("zero") << 0.0f << 0x00000000u;
        QTest::newRow("negative zero") << -0.0f << 0x00000000u;
        QTest::newRow("one") << 1.0f << 0x41100000u;
        QTest::newRow("-118.625") << -118.625f << 0xC276A000u;
        QTest::newRow("smallest normal") << smallestNormal << referenceIbmWord(smallestNormal);
        QTest::newRow("largest normal") << std::numeric_limits<float>::max() << 0x60FFFFFFu;
        // Denormals keep their fraction under exponent byte 0.
        QTest::newRow("denormal") << denormal << quint32((3u << 9) >> 8);
        QTest::newRow("negative denormal") << -denormal << (0x80000000u | quint32((3u << 9) >> 8));
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << 0x7FFFFFFFu;
        QTest::newRow("-infinity") << -std::numeric_limits<float>::infinity() << 0xFFFFFFFFu;
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << 0x7FFFFFFFu;
    }
    void ibmEncoding()
    {
        QFETCH(float, value);
        QFETCH(quint32, word);
        QCOMPARE(floatToIbm(value), word);
    }

    void ibmRoundTripOfNormalValues()
    {
        // Every IBM-representable single value survives decode and encode, and
        // encoding agrees with an independent reference encoder.
        quint32 seed = 12345;
        for (int i = 0; i < 200000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            float f;
            quint32 bits = (seed & 0x807FFFFFu) | (quint32(1 + (seed >> 8) % 250) << 23);
            std::memcpy(&f, &bits, 4);
            const quint32 word = floatToIbm(f);
            QCOMPARE(word, referenceIbmWord(f));
            const float back = ibmToFloat(word);
            QCOMPARE(floatToIbm(back), word);
        }
    }

    void sampleFormats()
    {
        QCOMPARE(bytesPerSampleForFormat(1), 4);
        QCOMPARE(bytesPerSampleForFormat(3), 2);
        QCOMPARE(bytesPerSampleForFormat(8), 1);
        QCOMPARE(bytesPerSampleForFormat(6), 8);
        QCOMPARE(bytesPerSampleForFormat(7), 3);
        QCOMPARE(bytesPerSampleForFormat(0), 0);
        QCOMPARE(bytesPerSampleForFormat(13), 0);
        QCOMPARE(bytesPerSampleForFormat(-1), 0);
        // Integer formats come back exactly.
        const qint32 words[] = {0, 1, -1, 2147483647, -2147483647 - 1, 123456789, -98765};
        for (qint32 w : words) {
            uchar in[4], out[4];
            qToBigEndian<qint32>(w, in);
            double d;
            decodeSamples(2, in, 1, false, &d);
            encodeSamples(2, &d, 1, false, out);
            QCOMPARE(qFromBigEndian<qint32>(out), w);
        }
        const qint16 shorts[] = {0, 1, -1, 32767, -32768};
        for (qint16 w : shorts) {
            uchar in[2], out[2];
            qToLittleEndian<qint16>(w, in);
            double d;
            decodeSamples(3, in, 1, true, &d);
            encodeSamples(3, &d, 1, true, out);
            QCOMPARE(qFromLittleEndian<qint16>(out), w);
        }
        for (int b = 0; b < 256; ++b) {
            uchar in = uchar(b), out = 0;
            double d;
            decodeSamples(8, &in, 1, false, &d);
            encodeSamples(8, &d, 1, false, &out);
            QCOMPARE(int(out), b);
        }
    }
};

QTEST_GUILESS_MAIN(TestHeaders)
#include "tst_headers.moc"
