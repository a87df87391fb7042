// Reprojection speed: every source, receiver and CDP pair of the large survey
// file from ED50 / UTM zone 31N to WGS 84 / UTM zone 31N, against PROJ's
// cs2cs transforming the same points from a text file with the same two
// definitions, in the same run.
//
// The file is the shared benchmark survey (bench/common), written first when
// it is missing; its coordinates are ED50 / UTM zone 31N metres, scalar -100.

#include "benchfile.h"
#include "headerfields.h"
#include "reprojection.h"
#include "segy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <vector>

namespace {

const char* const InputProj = "+proj=utm +zone=31 +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +units=m +no_defs";
const char* const OutputProj = "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString path = ensureBenchFile();
    if (path.isEmpty()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(benchFilePath()));
        return 1;
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
