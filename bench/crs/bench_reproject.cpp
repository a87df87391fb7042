// Reprojection speed: every source, receiver and CDP pair of the large survey
// file from ED50 / UTM zone 31N to WGS 84 / UTM zone 31N, against PROJ's
// cs2cs transforming the same points from a text file with the same two
// definitions, in the same run.
//
// The file is TREVALON_BENCH_FILE (default /tmp/trevalon-bench/million.sgy);
// when it is missing it is written first (1,000,000 traces of 250 IBM
// samples, coordinates in ED50 / UTM zone 31N metres with scalar -100).

#include "headerfields.h"
#include "reprojection.h"
#include "samplecodec.h"
#include "segy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>
#include <cmath>
#include <ctime>
#include <sys/resource.h>
#include <cstring>
#include <cstdio>
#include <vector>

namespace {

const char* const InputProj = "+proj=utm +zone=31 +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +units=m +no_defs";
const char* const OutputProj = "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs";

const int Traces = 1000000;
const int Samples = 250;
const int Channels = 500;

void put16(uchar* p, int at, qint16 v) { qToBigEndian<qint16>(v, p + at); }
void put32(uchar* p, int at, qint32 v) { qToBigEndian<qint32>(v, p + at); }

// A land survey of 2000 shots into a 500-channel spread, written under a
// temporary name and renamed, so that a concurrent writer never shows a
// half-written file.
bool writeSurvey(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString partial = path + QStringLiteral(".partial.%1").arg(QCoreApplication::applicationPid());
    QFile f(partial);
    if (!f.open(QIODevice::WriteOnly))
        return false;

    QByteArray text(3200, char(0x40));  // EBCDIC blanks
    uchar b[400] = {};
    put32(b, 0, 1);          // job
    put16(b, 16, 4000);      // interval (us)
    put16(b, 20, Samples);   // samples per trace
    put16(b, 24, 1);         // IBM floating point
    put16(b, 26, Channels);  // CDP fold
    put16(b, 54, 1);         // metres
    put16(b, 300, 0x0100);   // revision 1
    put16(b, 302, 1);        // fixed length traces
    f.write(text);
    f.write(reinterpret_cast<const char*>(b), sizeof b);

    // A few sample blocks, cycled through.
    std::vector<QByteArray> blocks;
    for (int k = 0; k < 8; ++k) {
        std::vector<double> s(Samples);
        for (int i = 0; i < Samples; ++i)
            s[i] = 1000.0 * std::sin(0.05 * i * (k + 1)) * std::exp(-0.01 * i);
        QByteArray block(Samples * 4, '\0');
        encodeSamples(1, s.data(), Samples, false, reinterpret_cast<uchar*>(block.data()));
        blocks.push_back(block);
    }

    QByteArray buffer;
    buffer.reserve(1024 * (240 + Samples * 4));
    uchar h[240];
    for (int t = 0; t < Traces; ++t) {
        const int shot = t / Channels, channel = t % Channels;
        const int line = shot / 100, station = shot % 100;
        // centimetres, scalar -100
        const qint64 sx = 44000000 + station * 5000 + (shot * 37) % 100;
        const qint64 sy = 458000000 + line * 20000 + (shot * 13) % 100;
        const qint64 gx = sx - 625000 + channel * 2500;
        const qint64 gy = sy + ((channel % 4) - 2) * 5000 + 50;
        std::memset(h, 0, sizeof h);
        put32(h, 0, t + 1);                 // trace sequence in line
        put32(h, 4, t + 1);                 // in file
        put32(h, 8, shot + 1);              // field record
        put32(h, 12, channel + 1);          // channel
        put32(h, 20, (t * 7) % 20000 + 1);  // CDP
        put16(h, 28, 1);                    // seismic data
        put32(h, 36, qint32(gx - sx) / 100);
        put16(h, 70, -100);
        put32(h, 72, qint32(sx));
        put32(h, 76, qint32(sy));
        put32(h, 80, qint32(gx));
        put32(h, 84, qint32(gy));
        put16(h, 88, 1);
        put16(h, 114, Samples);
        put16(h, 116, 4000);
        put32(h, 180, qint32((sx + gx) / 2));
        put32(h, 184, qint32((sy + gy) / 2));
        buffer.append(reinterpret_cast<const char*>(h), sizeof h);
        buffer += blocks[t % blocks.size()];
        if (buffer.size() >= 1000 * (240 + Samples * 4) || t == Traces - 1) {
            if (f.write(buffer) != buffer.size())
                return false;
            buffer.clear();
        }
    }
    f.close();
    if (QFile::exists(path)) {  // someone else finished first
        QFile::remove(partial);
        return true;
    }
    return QFile::rename(partial, path);
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

double childrenCpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return r.ru_utime.tv_sec + r.ru_utime.tv_usec / 1e6 + r.ru_stime.tv_sec + r.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString path = QString::fromLocal8Bit(qgetenv("TREVALON_BENCH_FILE"));
    if (path.isEmpty())
        path = QStringLiteral("/tmp/trevalon-bench/million.sgy");
    if (!QFile::exists(path)) {
        std::printf("writing %s ...\n", qPrintable(path));
        std::fflush(stdout);
        if (!writeSurvey(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    SEGY segy;
    segy.setDevice(new QFile(path));
    if (!segy.open() || segy.traceCount() == 0) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(path));
        return 1;
    }
    const int n = segy.traceCount();
    std::printf("file: %s, %d traces, loaded in %.2f s\n", qPrintable(path), n, timer.elapsed() / 1000.0);

    // The pairs the reprojection transforms, for cs2cs: same scalar rule.
    const int scalarField = traceHeaderFieldIndex(QStringLiteral("71"));
    const char* const starts[6] = {"73", "77", "81", "85", "181", "185"};
    int fields[6];
    for (int k = 0; k < 6; ++k)
        fields[k] = traceHeaderFieldIndex(QLatin1String(starts[k]));
    const QString pointsPath = QFileInfo(path).absolutePath()
        + QStringLiteral("/crs-points.%1.txt").arg(QCoreApplication::applicationPid());
    const QString resultsPath = pointsPath + QStringLiteral(".out");
    std::vector<double> firstInputs;
    qint64 pairs = 0;
    {
        QFile points(pointsPath);
        if (!points.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(pointsPath));
            return 1;
        }
        QByteArray chunk;
        for (int i = 0; i < n; ++i) {
            const int scalar = segy.traceHeaderValue(i, scalarField);
            const double factor = scalar < 0 ? -1.0 / scalar : double(scalar);
            for (int p = 0; p < 3; ++p) {
                const double x = segy.traceHeaderValue(i, fields[2 * p]) * factor;
                const double y = segy.traceHeaderValue(i, fields[2 * p + 1]) * factor;
                if (x == 0.0 || y == 0.0)
                    continue;
                chunk += QByteArray::number(x, 'f', 2) + ' ' + QByteArray::number(y, 'f', 2) + '\n';
                ++pairs;
            }
            if (chunk.size() > (1 << 20)) {
                points.write(chunk);
                chunk.clear();
            }
        }
        points.write(chunk);
    }
    std::vector<qint32> before(size_t(6) * 1000);
    for (int i = 0; i < 1000 && i < n; ++i)
        for (int k = 0; k < 6; ++k)
            before[size_t(i) * 6 + k] = segy.traceHeaderValue(i, fields[k]);

    timer.restart();
    const double cpuBefore = processCpuSeconds();
    const int result = reprojectTraceCoordinates(&segy, 23031, 32631, QLatin1String(InputProj), QLatin1String(OutputProj));
    const double ours = timer.elapsed() / 1000.0;
    const double oursCpu = processCpuSeconds() - cpuBefore;

    QStringList args;
    args << QString::fromLatin1(InputProj).split(QLatin1Char(' ')) << QStringLiteral("+to")
         << QString::fromLatin1(OutputProj).split(QLatin1Char(' ')) << pointsPath;
    QProcess cs2cs;
    cs2cs.setStandardOutputFile(resultsPath);
    const double childCpuBefore = childrenCpuSeconds();
    timer.restart();
    cs2cs.start(QStringLiteral("/usr/bin/cs2cs"), args);
    const bool ran = cs2cs.waitForStarted() && cs2cs.waitForFinished(-1) && cs2cs.exitCode() == 0;
    const double theirs = timer.elapsed() / 1000.0;
    const double theirsCpu = childrenCpuSeconds() - childCpuBefore;

    // Spot check: the first traces agree with cs2cs within one stored unit.
    int mismatches = 0;
    {
        QFile out(resultsPath);
        if (ran && out.open(QIODevice::ReadOnly)) {
            for (int i = 0; i < 1000 && i < n; ++i) {
                for (int p = 0; p < 3; ++p) {
                    if (before[size_t(i) * 6 + 2 * p] == 0 || before[size_t(i) * 6 + 2 * p + 1] == 0)
                        continue;
                    const QList<QByteArray> cells = out.readLine().simplified().split(' ');
                    const double x = cells.value(0).toDouble(), y = cells.value(1).toDouble();
                    if (std::abs(std::trunc(x * 100) - segy.traceHeaderValue(i, fields[2 * p])) > 1
                        || std::abs(std::trunc(y * 100) - segy.traceHeaderValue(i, fields[2 * p + 1])) > 1)
                        ++mismatches;
                }
            }
        }
    }
    QFile::remove(pointsPath);
    QFile::remove(resultsPath);

    std::printf("pairs: %lld\n", pairs);
    std::printf("reprojectTraceCoordinates: %.2f s wall, %.2f s CPU (%.0f pairs/s), result %d\n", ours, oursCpu,
                pairs / ours, result);
    if (!ran) {
        std::fprintf(stderr, "cs2cs did not run\n");
        return 1;
    }
    std::printf("cs2cs (same points, same definitions): %.2f s wall, %.2f s CPU (%.0f pairs/s)\n", theirs, theirsCpu,
                pairs / theirs);
    std::printf("speed-up over cs2cs: %.2fx wall, %.2fx CPU (goal: at least 2x)\n", theirs / ours, theirsCpu / oursCpu);
    std::printf("spot check of the first 1000 traces against cs2cs: %d mismatches\n", mismatches);
    return result == 0 && mismatches == 0 ? 0 : 1;
}
