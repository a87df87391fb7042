// Reprojection speed: every source, receiver and CDP pair of a survey file
// from ED50 / UTM zone 31N to WGS 84 / UTM zone 31N, against PROJ's cs2cs
// transforming the same points from a text file with the same two
// definitions, in the same run. Two inputs of 1,000,000 traces each: the
// shared benchmark line (regular positions, a few distinct ones) and a field
// geometry where nearly every CDP position is new (bench/common).
//
// For each: the transform alone (reprojectTraceCoordinates on the loaded
// file), the whole command (the built trevalon executable reprojecting a copy
// of the file in place: load, transform, save), cs2cs, and the ratios. Every
// stored result is checked against cs2cs.

#include "benchfile.h"
#include "headerfields.h"
#include "reprojection.h"
#include "segy.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

const char* const InputProj = "+proj=utm +zone=31 +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +units=m +no_defs";
const char* const OutputProj = "+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs";
const char* const PairStarts[6] = {"73", "77", "81", "85", "181", "185"};

// Runs a program to its end; the wall time in seconds, or -1 when it failed.
double timedRun(const QString& program, const QStringList& args, const QString& outputFile = QString())
{
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    const bool ran = process.waitForStarted() && process.waitForFinished(-1)
        && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    const double seconds = timer.elapsed() / 1000.0;
    if (!ran)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), process.readAllStandardOutput().constData());
    return ran ? seconds : -1.0;
}

// Copies a file the way cp does (the kernel copies it) and waits until the
// copy is on disk; cold drops it from the page cache as well, so that the
// command reads it from disk as a file not touched for a while.
bool copyToDisk(const QString& from, const QString& to, bool cold)
{
    QFile source(from), target(to);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (qint64 left = source.size(); left > 0;) {
        const ssize_t n = ::copy_file_range(source.handle(), nullptr, target.handle(), nullptr, size_t(left), 0);
        if (n <= 0)
            return false;
        left -= n;
    }
    if (::fsync(target.handle()) != 0)
        return false;
    return !cold || ::posix_fadvise(target.handle(), 0, 0, POSIX_FADV_DONTNEED) == 0;
}

// The whole command, reprojecting a copy of path in place; -1 when it failed.
double timedCommand(const QString& path, bool cold)
{
    const QString copy = path + QStringLiteral(".reprojected.sgy");
    if (!copyToDisk(path, copy, cold)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(path));
        QFile::remove(copy);
        return -1;
    }
    const QString trevalon = QCoreApplication::applicationDirPath() + QStringLiteral("/trevalon");
    const double seconds = timedRun(trevalon, {copy, QStringLiteral("reproject"), QStringLiteral("--in-proj"),
                                               QLatin1String(InputProj), QStringLiteral("--out-proj"),
                                               QLatin1String(OutputProj)});
    QFile::remove(copy);
    return seconds;
}

bool measure(const QString& label, const QString& path)
{
    if (path.isEmpty()) {
        std::fprintf(stderr, "cannot write the %s input\n", qPrintable(label));
        return false;
    }
    std::printf("== %s: %s\n", qPrintable(label), qPrintable(path));

    // The whole command on a copy, outside the repository.
    const double command = timedCommand(path, false);
    const double coldCommand = timedCommand(path, true);

    QElapsedTimer timer;
    timer.start();
    SEGY segy;
    segy.setDevice(new QFile(path));
    if (!segy.open() || segy.traceCount() == 0) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(path));
        return false;
    }
    const int n = segy.traceCount();
    const double load = timer.elapsed() / 1000.0;

    // The positions, for cs2cs: every pair that is not (0, 0), scalar -100.
    int fields[6];
    for (int k = 0; k < 6; ++k)
        fields[k] = traceHeaderFieldIndex(QLatin1String(PairStarts[k]));
    const QString pointsPath = path + QStringLiteral(".points.%1.txt").arg(QCoreApplication::applicationPid());
    const QString resultsPath = pointsPath + QStringLiteral(".out");
    std::vector<char> present(size_t(n) * 3);
    std::unordered_set<quint64> distinct;
    qint64 pairs = 0;
    {
        QFile points(pointsPath);
        if (!points.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(pointsPath));
            return false;
        }
        QByteArray chunk;
        for (int i = 0; i < n; ++i) {
            for (int p = 0; p < 3; ++p) {
                const qint32 x = segy.traceHeaderValue(i, fields[2 * p]);
                const qint32 y = segy.traceHeaderValue(i, fields[2 * p + 1]);
                if (x == 0 && y == 0)
                    continue;
                present[size_t(i) * 3 + p] = 1;
                distinct.insert(quint64(quint32(x)) << 32 | quint32(y));
                chunk += QByteArray::number(x / 100.0, 'f', 2) + ' ' + QByteArray::number(y / 100.0, 'f', 2) + '\n';
                ++pairs;
            }
            if (chunk.size() > (1 << 20)) {
                points.write(chunk);
                chunk.clear();
            }
        }
        points.write(chunk);
    }

    timer.restart();
    ReprojectionReport report;
    const int result = reprojectTraceCoordinates(&segy, 23031, 32631, QLatin1String(InputProj),
                                                 QLatin1String(OutputProj), &report);
    const double transform = timer.elapsed() / 1000.0;

    QStringList args;
    args << QString::fromLatin1(InputProj).split(QLatin1Char(' ')) << QStringLiteral("+to")
         << QString::fromLatin1(OutputProj).split(QLatin1Char(' ')) << pointsPath;
    const double cs2cs = timedRun(QStringLiteral("/usr/bin/cs2cs"), args, resultsPath);

    // Every stored value against cs2cs's result, which it prints to the
    // centimetre: the same but for a value that lies on half a centimetre.
    qint64 same = 0, halfway = 0, wrong = 0;
    QFile out(resultsPath);
    if (cs2cs >= 0 && out.open(QIODevice::ReadOnly)) {
        for (int i = 0; i < n; ++i) {
            for (int p = 0; p < 3; ++p) {
                if (!present[size_t(i) * 3 + p])
                    continue;
                const QList<QByteArray> cells = out.readLine().simplified().split(' ');
                const double x = cells.value(0).toDouble() * 100, y = cells.value(1).toDouble() * 100;
                const double dx = std::abs(x - segy.traceHeaderValue(i, fields[2 * p]));
                const double dy = std::abs(y - segy.traceHeaderValue(i, fields[2 * p + 1]));
                if (std::max(dx, dy) < 0.01)
                    ++same;
                else if (std::max(dx, dy) < 1.01)
                    ++halfway;
                else
                    ++wrong;
            }
        }
    }
    QFile::remove(pointsPath);
    QFile::remove(resultsPath);

    std::printf("traces: %d, loaded in %.2f s; pairs: %lld, distinct positions: %zu\n", n, load, pairs,
                distinct.size());
    std::printf("transform (reprojectTraceCoordinates): %.3f s, result %d\n", transform, result);
    if (result != 0)
        std::printf("  %s\n", qPrintable(report.text()));
    std::printf("command (trevalon FILE reproject, in place) on a fresh copy: %.2f s\n", command);
    std::printf("command on a copy read cold from disk: %.2f s\n", coldCommand);
    std::printf("cs2cs (same points, same definitions): %.2f s\n", cs2cs);
    if (cs2cs > 0) {
        std::printf("ratio transform / cs2cs: %.3f\n", transform / cs2cs);
        std::printf("ratio command / cs2cs: %.3f fresh copy, %.3f cold (goal: at most 0.5)\n", command / cs2cs,
                    coldCommand / cs2cs);
    }
    std::printf("against cs2cs: %lld pairs the same, %lld a centimetre apart (halfway values), %lld off\n", same,
                halfway, wrong);
    return result == 0 && command >= 0 && coldCommand >= 0 && cs2cs >= 0 && wrong == 0 && same + halfway == pairs;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool ok = measure(QStringLiteral("benchmark line"), ensureBenchFile());
    ok = measure(QStringLiteral("field geometry"), ensureFieldBenchFile()) && ok;
    return ok ? 0 : 1;
}
