// The geometry report and the survey map on million-trace files:
//   command line: "geometry" against "info" of the same file, and the extra
//         time of "--map" (PNG), best of three runs each, on the 2-D bench
//         file (a straight line of shots) and on the 3-D grid file;
//   Map tab: from the tab shown to the map painted (positions read, grid
//         fitted, picture drawn), and a redraw after a wheel zoom and after
//         a drag, offscreen in this process.
// Prints figures and ratios; checks nothing.

#include "benchfile.h"
#include "maptab.h"
#include "segy.h"
#include "surveymapview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>

namespace {

const auto timeRun = timeProgramRun;

bool commandLine(const QString& file, const QString& mapFile)
{
    std::printf("file: %s\n", qPrintable(file));
    timeRun({file, QStringLiteral("info")});
    double info = 1e9, geometry = 1e9, map = 1e9;
    for (int round = 0; round < 3; ++round) {
        info = std::min(info, timeRun({file, QStringLiteral("info")}));
        geometry = std::min(geometry, timeRun({file, QStringLiteral("geometry")}));
        map = std::min(map, timeRun({file, QStringLiteral("geometry"), QStringLiteral("--map"), mapFile}));
    }
    if (info < 0 || geometry < 0 || map < 0) {
        std::fprintf(stderr, "a run failed\n");
        return false;
    }
    std::printf("  info                          %.3f s\n", info);
    std::printf("  geometry                      %.3f s   %.2fx info (goal: at most 1.5x)\n", geometry, geometry / info);
    std::printf("  geometry --map PNG            %.3f s   map adds %.3f s (goal: under 1 s)\n", map, map - geometry);
    return true;
}

double msSince(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

bool mapTab(const QString& file)
{
    SEGY segy;
    MapTab tab;
    tab.setSegy(&segy);
    tab.resize(1000, 720);
    segy.setDevice(new QFile(file));
    if (!segy.open())
        return false;
    QCoreApplication::processEvents();
    SurveyMapView* view = tab.view();

    QElapsedTimer timer;
    timer.start();
    tab.show();
    view->grab();  // paints the view, whether or not the platform exposed it
    const double first = msSince(timer);

    double zoom = 0, pan = 0;
    const int rounds = 10;
    const QPointF centre(view->width() / 2.0, view->height() / 2.0);
    for (int i = 0; i < rounds; ++i) {
        timer.restart();
        QWheelEvent wheel(centre, QPointF(view->mapToGlobal(centre.toPoint())), QPoint(), QPoint(0, i < rounds / 2 ? 120 : -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view, &wheel);
        view->grab();
        zoom += msSince(timer);

        timer.restart();
        QMouseEvent press(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent move(QEvent::MouseMove, centre + QPointF(40, 25), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, centre + QPointF(40, 25), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(view, &press);
        QCoreApplication::sendEvent(view, &move);
        view->grab();
        QCoreApplication::sendEvent(view, &release);
        pan += msSince(timer);
    }
    std::printf("  map tab first draw            %.0f ms (goal: under 300 ms)\n", first);
    std::printf("  zoom redraw                   %.1f ms (goal: under 100 ms)\n", zoom / rounds);
    std::printf("  pan redraw                    %.1f ms (goal: under 100 ms)\n", pan / rounds);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString line = ensureBenchFile();
    const QString grid = ensureGridBenchFile();
    if (line.isEmpty() || grid.isEmpty())
        return 1;
    QTemporaryDir dir;
    for (const QString& file : {line, grid}) {
        readWholeFile(file);
        const QString map = dir.filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".png"));
        if (!commandLine(file, map) || !mapTab(file))
            return 1;
        // The last map stays for a look when asked for.
        const QByteArray keep = qgetenv("TREVALON_BENCH_MAPS");
        if (!keep.isEmpty())
            QFile::copy(map, QString::fromLocal8Bit(keep) + QLatin1Char('/') + QFileInfo(map).fileName());
    }
    return 0;
}
