// Writes the bundled sample survey: a small 2-D pre-stack line of shot
// gathers with IBM samples, an EBCDIC textual header and coordinates in
// metres (scalar -100), laid out byte by byte as SEG-Y revision 1.
//
// usage: make_sample_survey OUTPUT.sgy

#include "samplecodec.h"
#include "textcodec.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <cmath>
#include <cstdio>

namespace {

const int Shots = 12;
const int Channels = 30;
const int Samples = 500;
const int IntervalUs = 2000;
const double ShotSpacing = 50.0;     // metres
const double GroupSpacing = 25.0;    // metres
const double NearOffset = 100.0;     // metres
const double LineX0 = 432150.0;      // UTM zone 31N easting of the first shot
const double LineY0 = 4581320.0;
const double Azimuth = 0.5236;       // radians east of north

void put32(QByteArray& b, int at, qint32 v) { qToBigEndian<qint32>(v, reinterpret_cast<uchar*>(b.data() + at)); }
void put16(QByteArray& b, int at, qint16 v) { qToBigEndian<qint16>(v, reinterpret_cast<uchar*>(b.data() + at)); }

QByteArray textHeader()
{
    const char* cards[] = {
        "CLIENT TREVALON SAMPLE DATA           LINE TS-2D-01",
        "AREA SYNTHETIC BASIN          2-D LAND SURVEY, SHOT GATHERS",
        "12 SHOTS X 30 CHANNELS, END-ON SPREAD, NEAR OFFSET 100 M",
        "SHOT INTERVAL 50 M, GROUP INTERVAL 25 M",
        "SAMPLE INTERVAL 2 MS, 500 SAMPLES, FORMAT 1 (IBM FLOAT)",
        "COORDINATES: ED50 / UTM ZONE 31N (EPSG 23031), METRES, SCALAR -100",
        "TRACE HEADER: FFID 9-12, CHANNEL 13-16, SP 17-20, CDP 21-24",
        "              OFFSET 37-40, SOURCE 73-80, GROUP 81-88, CDP XY 181-188",
        "SYNTHETIC REFLECTIONS WITH HYPERBOLIC MOVEOUT, NO NOISE",
        "SEG Y REV1",
    };
    QByteArray text;
    const int cardCount = int(sizeof cards / sizeof cards[0]);
    for (int i = 0; i < 40; ++i) {
        QByteArray card = QByteArray("C") + QByteArray::number(i + 1).rightJustified(2, ' ') + ' ';
        if (i < cardCount)
            card += cards[i];
        else if (i == 39)
            card += "END TEXTUAL HEADER";
        text += card.leftJustified(80, ' ', true);
    }
    return toEbcdic(text);
}

QByteArray binaryHeader()
{
    QByteArray b(400, '\0');
    put32(b, 0, 1);             // job
    put32(b, 4, 1);             // line
    put32(b, 8, 1);             // reel
    put16(b, 12, Channels);     // traces per ensemble
    put16(b, 16, IntervalUs);
    put16(b, 18, IntervalUs);
    put16(b, 20, Samples);
    put16(b, 22, Samples);
    put16(b, 24, 1);            // IBM floating point
    put16(b, 26, Channels);     // fold of the shot gather
    put16(b, 28, 5);            // common source point
    put16(b, 54, 1);            // metres
    put16(b, 300, 1);           // revision 1 as this program reads it
    put16(b, 302, 1);           // fixed length traces
    return b;
}

double ricker(double t, double f)
{
    const double a = M_PI * f * t;
    return (1.0 - 2.0 * a * a) * std::exp(-a * a);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.sgy\n", argv[0]);
        return 2;
    }
    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    file.write(textHeader());
    file.write(binaryHeader());

    const double ex = std::sin(Azimuth), ny = std::cos(Azimuth);
    const double reflectors[][3] = {{0.25, 1.0, 1800.0}, {0.48, -0.7, 2100.0}, {0.71, 0.55, 2500.0}, {0.88, -0.35, 2900.0}};
    int sequence = 1;
    for (int shot = 0; shot < Shots; ++shot) {
        const double sAlong = shot * ShotSpacing;
        for (int ch = 0; ch < Channels; ++ch) {
            const double offset = NearOffset + ch * GroupSpacing;
            const double gAlong = sAlong + offset;
            const double mAlong = 0.5 * (sAlong + gAlong);
            const int cdp = 1000 + int(std::lround(mAlong / (GroupSpacing / 2)));
            QByteArray h(240, '\0');
            put32(h, 0, sequence);
            put32(h, 4, sequence);
            put32(h, 8, 101 + shot);                   // field record
            put32(h, 12, ch + 1);                      // channel
            put32(h, 16, 2001 + 2 * shot);             // source point
            put32(h, 20, cdp);
            put32(h, 24, ch + 1);
            put16(h, 28, 1);                           // seismic data
            put16(h, 30, 1);
            put16(h, 32, 1);
            put16(h, 34, 1);                           // production
            put32(h, 36, qint32(offset));
            put32(h, 40, 12500 + 10 * ch);             // receiver elevation, cm
            put32(h, 44, 12400 + 25 * shot);           // source elevation, cm
            put32(h, 48, 1200);                        // source depth, cm
            put16(h, 68, -100);
            put16(h, 70, -100);
            auto xy = [&](double along, int at) {
                put32(h, at, qint32(std::lround((LineX0 + along * ex) * 100)));
                put32(h, at + 4, qint32(std::lround((LineY0 + along * ny) * 100)));
            };
            xy(sAlong, 72);
            xy(gAlong, 80);
            put16(h, 88, 1);                           // length units
            put16(h, 114, Samples);
            put16(h, 116, IntervalUs);
            put16(h, 156, 2026);                       // year
            put16(h, 158, 123 + shot / 6);
            put16(h, 160, 9 + shot / 4);
            put16(h, 162, (shot * 7) % 60);
            put16(h, 166, 4);                          // UTC
            xy(mAlong, 180);
            put32(h, 196, 2001 + 2 * shot);
            put16(h, 200, 1);
            file.write(h);

            QByteArray samples(Samples * 4, '\0');
            for (int i = 0; i < Samples; ++i) {
                const double t = i * IntervalUs * 1e-6;
                double v = 0.0;
                for (const auto& r : reflectors) {
                    const double t0 = r[0], amp = r[1], vel = r[2];
                    const double tx = std::sqrt(t0 * t0 + (offset / vel) * (offset / vel));
                    v += amp * ricker(t - tx, 30.0) / (1.0 + tx);
                }
                v *= 1000.0;
                qToBigEndian<quint32>(floatToIbm(float(v)), reinterpret_cast<uchar*>(samples.data() + 4 * i));
            }
            file.write(samples);
            ++sequence;
        }
    }
    if (!file.commit()) {
        std::fprintf(stderr, "failed writing %s\n", argv[1]);
        return 1;
    }
    return 0;
}
