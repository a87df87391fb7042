// Positioning import speed on the shared benchmark survey with a 1,000,000
// line positions file (three coordinate pairs per line) written here:
//   "as is" import against import-headers of the survey's own CSV export,
//   transformed import (ED50 / UTM zone 31N to WGS 84 / UTM zone 31N) against
//   PROJ's cs2cs on the same 3,000,000 points, all in one run.
// Prints figures and ratios; the transformed values are spot-checked
// against cs2cs.

#include "benchfile.h"
#include "headerfields.h"
#include "positioning.h"
#include "segy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

const char* const InputProj = "+proj=utm +zone=31 +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +units=m +no_defs";
const char* const OutputProj = "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs";
const int Lines = 1000000;

double seconds(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e9;
}

// Line n: shot n as the survey lays it out, in metres (decimals) or
// centimetres (integers); also the points file for cs2cs.
bool writeInputs(const QString& integers, const QString& decimals, const QString& points)
{
    QFile a(integers), b(decimals), c(points);
    if (!a.open(QIODevice::WriteOnly) || !b.open(QIODevice::WriteOnly) || !c.open(QIODevice::WriteOnly))
        return false;
    QByteArray ta, tb, tc;
    for (int t = 0; t < Lines; ++t) {
        const int shot = t / 48, channel = t % 48;
        const double sx = 432150.0 + shot * 25.0 + 0.37, sy = 4581320.0 + shot * 12.5 + 0.81;
        const double gx = sx + 100.0 + channel * 12.5, gy = sy + 50.0 + channel * 6.25;
        const double xy[6] = {sx, sy, gx, gy, (sx + gx) / 2, (sy + gy) / 2};
        ta += QByteArray::number(t + 1);
        tb += QByteArray::number(t + 1);
        for (int k = 0; k < 6; ++k) {
            ta += ',' + QByteArray::number(qint64(std::llround(xy[k] * 100)));
            tb += ',' + QByteArray::number(xy[k], 'f', 2);
        }
        for (int p = 0; p < 3; ++p)
            tc += QByteArray::number(xy[2 * p], 'f', 2) + ' ' + QByteArray::number(xy[2 * p + 1], 'f', 2) + '\n';
        ta += "\r\n";
        tb += "\r\n";
        if (tc.size() > (1 << 20)) {
            a.write(ta);
            b.write(tb);
            c.write(tc);
            ta.clear();
            tb.clear();
            tc.clear();
        }
    }
    return a.write(ta) == ta.size() && b.write(tb) == tb.size() && c.write(tc) == tc.size();
}

// Times one import of path into segy; returns seconds, or -1.
double timeImport(SEGY& segy, const QString& path, const QMap<QString, int>& mapping, const QString& inProj,
                  const QString& outProj, double* cpu)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    TextSplitOptions options;
    options.comma = true;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = processCpuSeconds();
    PositionImport import(&segy, mapping, inProj, outProj);
    if (!import.error().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(import.error()));
        return -1;
    }
    importPositionsFromText(import, &file, options);
    import.finish();
    const double elapsed = seconds(timer);
    *cpu = processCpuSeconds() - cpuBefore;
    if (import.writtenLines() != segy.traceCount()) {
        std::fprintf(stderr, "only %d lines written: %s\n", import.writtenLines(), qPrintable(import.report()));
        return -1;
    }
    return elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString file = ensureBenchFile();
    if (file.isEmpty())
        return 1;
    QTemporaryDir dir(QFileInfo(file).absolutePath() + QStringLiteral("/bench-positioning-XXXXXX"));
    const QString integers = dir.filePath(QStringLiteral("positions-cm.csv"));
    const QString decimals = dir.filePath(QStringLiteral("positions-m.csv"));
    const QString points = dir.filePath(QStringLiteral("points.txt"));
    const QString csv = dir.filePath(QStringLiteral("headers.csv"));
    if (!dir.isValid() || !writeInputs(integers, decimals, points)) {
        std::fprintf(stderr, "cannot write the positions files\n");
        return 1;
    }

    SEGY segy;
    segy.setDevice(new QFile(file));
    if (!segy.open() || segy.traceCount() != Lines) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(file));
        return 1;
    }
    std::printf("file: %s, %d traces; positions: %d lines of 3 pairs (%.1f MB as integers)\n", qPrintable(file),
                segy.traceCount(), Lines, QFileInfo(integers).size() / 1e6);

    const QString separator = QStringLiteral(", ");
    if (!segy.exportTraceHeadersToASCIIFile(csv, separator)) {
        std::fprintf(stderr, "export failed\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    segy.importTraceHeadersFromASCIIFile(csv, separator);
    const double headers = seconds(timer);
    std::printf("import-headers of the CSV export (%.0f MB): %.3f s\n", QFileInfo(csv).size() / 1e6, headers);

    QMap<QString, int> mapping{{"SRC_X", 1}, {"SRC_Y", 2}, {"RCV_X", 3}, {"RCV_Y", 4}, {"CDP_X", 5}, {"CDP_Y", 6}};
    mapping.insert(QStringLiteral("AS_IS_UNIT"), 1);
    double cpu = 0;
    const double asIs = timeImport(segy, integers, mapping, QString(), QString(), &cpu);
    if (asIs < 0)
        return 1;
    std::printf("as is import: %.3f s (%.2f s CPU), %.2fx the import-headers time (goal: at most 2x)\n", asIs, cpu,
                asIs / headers);

    mapping.remove(QStringLiteral("AS_IS_UNIT"));
    const double transformed =
        timeImport(segy, decimals, mapping, QLatin1String(InputProj), QLatin1String(OutputProj), &cpu);
    if (transformed < 0)
        return 1;

    QStringList args;
    args << QString::fromLatin1(InputProj).split(QLatin1Char(' ')) << QStringLiteral("+to")
         << QString::fromLatin1(OutputProj).split(QLatin1Char(' ')) << points;
    QProcess cs2cs;
    const QString results = points + QStringLiteral(".out");
    cs2cs.setStandardOutputFile(results);
    const double childCpuBefore = childrenCpuSeconds();
    timer.restart();
    cs2cs.start(QStringLiteral("/usr/bin/cs2cs"), args);
    if (!cs2cs.waitForStarted() || !cs2cs.waitForFinished(-1) || cs2cs.exitCode() != 0) {
        std::fprintf(stderr, "cs2cs did not run\n");
        return 1;
    }
    const double theirs = seconds(timer);
    const double theirsCpu = childrenCpuSeconds() - childCpuBefore;
    std::printf("transformed import: %.3f s (%.2f s CPU)\n", transformed, cpu);
    std::printf("cs2cs, same %d points and definitions: %.3f s (%.2f s CPU)\n", 3 * Lines, theirs, theirsCpu);
    std::printf("transformed import takes %.2fx the cs2cs time, %.2fx its CPU time (goal: at most 1x)\n",
                transformed / theirs, cpu / theirsCpu);

    // The first 1000 traces agree with cs2cs within one stored unit.
    QFile out(results);
    out.open(QIODevice::ReadOnly);
    int mismatches = 0;
    const char* const starts[6] = {"73", "77", "81", "85", "181", "185"};
    for (int t = 0; t < 1000; ++t) {
        for (int p = 0; p < 3; ++p) {
            const QList<QByteArray> cells = out.readLine().simplified().split(' ');
            for (int k = 0; k < 2; ++k) {
                const int stored = segy.traceHeaderValue(t, traceHeaderFieldIndex(QLatin1String(starts[2 * p + k])));
                if (std::abs(std::trunc(cells.value(k).toDouble() * 100) - stored) > 1)
                    ++mismatches;
            }
        }
    }
    std::printf("spot check of the first 1000 traces against cs2cs: %d mismatches\n", mismatches);
    std::printf("peak resident: %.0f MB\n", peakResidentBytes() / 1e6);
    return mismatches == 0 ? 0 : 1;
}
