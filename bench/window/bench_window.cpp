// Drives the main window offscreen on the one-million-trace file and prints
// its figures beside those of the command line's "info" on the same file,
// each in its own child process (this program started again) so that the
// peak resident sets do not mix:
//   load: from loadFile to the summary filled and the trace table painted,
//         against the info command's load (the command run in process);
//   memory: peak resident set of the window with the file open, against
//         that of the info command;
//   the trace table: jump to the last trace and paint, raw and decoded
//         display switched, traces as rows or columns switched, all fields
//         hidden and shown, a value applied to every trace, a three-key sort
//         through the sort dialog;
//   undo and redo: of that value applied to every trace and of a
//         reprojection of every trace, and the history's bytes after ten
//         values applied to every trace.

#include "benchfile.h"
#include "commandline.h"
#include "headerfields.h"
#include "headertablemodels.h"
#include "mainwindow.h"
#include "reprojectcoordinatesdialog.h"
#include "segytraceheadercomparertablemodel.h"
#include "traceheadereditdialog.h"
#include "traceheaderssortdialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double msSince(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Child: the info command in process; prints "RESULT seconds peakBytes".
int runInfo(const QString& path)
{
    std::vector<QByteArray> storage{QByteArray("trevalon"), QFile::encodeName(path), QByteArray("info")};
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    int argc = int(argv.size());
    argv.push_back(nullptr);
    QCoreApplication app(argc, argv.data());
    CommandLine commandLine;
    if (commandLine.setup(app) != 1)
        return 1;
    QElapsedTimer timer;
    timer.start();
    const bool ok = commandLine.run();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::fflush(stdout);
    std::printf("RESULT %.3f %lld\n", seconds, static_cast<long long>(peakResidentBytes()));
    return ok ? 0 : 1;
}

// Child: the window; prints "RESULT name value" lines.
int runWindow(int argc, char** argv, const QString& path)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainWindow window;
    window.resize(1180, 720);
    window.show();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    auto* view = window.findChild<QTableView*>(QStringLiteral("traceHeadersTableView"));
    auto* model = qobject_cast<SEGYTraceHeadersTableModel*>(view->model());
    tabs->setCurrentIndex(2);
    app.processEvents();

    auto settle = [&]() {
        app.processEvents();
        view->viewport()->repaint();
    };
    auto timed = [&](const char* name, const std::function<void()>& step) {
        QElapsedTimer timer;
        timer.start();
        step();
        settle();
        std::printf("RESULT %s %.1f\n", name, msSince(timer));
    };

    QEventLoop loop;
    QObject::connect(&window, &MainWindow::operationFinished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    window.loadFile(path);
    loop.exec();
    settle();
    std::printf("RESULT load %.3f\n", timer.nsecsElapsed() / 1e9);
    std::printf("RESULT traces %d\n", model->traceCount());
    std::printf("RESULT peak %lld\n", static_cast<long long>(peakResidentBytes()));

    timed("jump", [&]() { view->scrollTo(model->index(model->rowCount() - 1, 0)); });
    auto* raw = window.findChild<QCheckBox*>(QStringLiteral("traceHeaderRawDisplayCheckBox"));
    timed("raw", [&]() { raw->click(); });
    timed("decoded", [&]() { raw->click(); });

    auto* orientation = window.findChild<QToolButton*>(QStringLiteral("traceHeaderSwitchModeButton"));
    timed("columns", [&]() { orientation->click(); });
    timed("rows", [&]() { orientation->click(); });
    auto* none = window.findChild<QPushButton*>(QStringLiteral("uncheckAllPushButton"));
    auto* all = window.findChild<QPushButton*>(QStringLiteral("checkAllPushButton"));
    timed("none", [&]() { none->click(); });
    timed("all", [&]() { all->click(); });

    // "Apply to all traces" from the edit dialog, on the cell double-clicked.
    const QModelIndex cell = model->index(0, traceHeaderFieldIndex(QStringLiteral("189")));
    QMetaObject::invokeMethod(&window, "on_traceHeadersTableView_clicked", Q_ARG(QModelIndex, cell));
    QMetaObject::invokeMethod(&window, "on_traceHeadersTableView_doubleClicked", Q_ARG(QModelIndex, cell));
    auto* edit = window.findChild<TraceHeaderEditDialog*>();
    edit->setValue(QStringLiteral("7"));
    edit->setApplyToAllTraces(true);
    timed("applyall", [&]() { edit->accept(); });

    // Undo and redo of that edit, and of a reprojection of every trace.
    auto* undo = window.findChild<QAction*>(QStringLiteral("actionUndo"));
    auto* redo = window.findChild<QAction*>(QStringLiteral("actionRedo"));
    timed("undorange", [&]() { undo->trigger(); });
    timed("redorange", [&]() { redo->trigger(); });
    QTimer::singleShot(0, [&]() {
        auto* dialog = window.findChild<ReprojectCoordinatesDialog*>();
        if (!dialog)
            return;
        dialog->findChild<QComboBox*>(QStringLiteral("inEpsgComboBox"))
            ->setEditText(QStringLiteral("+proj=utm +zone=31 +ellps=intl +towgs84=-87,-98,-121,0,0,0,0 +units=m +no_defs"));
        dialog->findChild<QComboBox*>(QStringLiteral("outEpsgComboBox"))
            ->setEditText(QStringLiteral("+proj=utm +zone=31 +datum=WGS84 +units=m +no_defs"));
        dialog->accept();
    });
    const int stepsBefore = window.history().count();
    timed("reproject", [&]() { window.findChild<QAction*>(QStringLiteral("actionReproject_coordinates"))->trigger(); });
    if (window.history().count() > stepsBefore) {
        timed("undoreproject", [&]() { undo->trigger(); });
        timed("redoreproject", [&]() { redo->trigger(); });
    }
    // Ten values applied to every trace, each a step of its own.
    window.history().clear();
    for (int i = 0; i < 10; ++i) {
        QMetaObject::invokeMethod(&window, "on_traceHeadersTableView_doubleClicked", Q_ARG(QModelIndex, cell));
        edit->setValue(QString::number(100 + i));
        edit->setApplyToAllTraces(true);
        edit->accept();
    }
    std::printf("RESULT historysteps %d\n", window.history().count());
    std::printf("RESULT historybytes %lld\n", static_cast<long long>(window.history().bytes()));

    // Three keys from the sort dialog, then OK.
    auto* sort = window.findChild<TraceHeadersSortDialog*>();
    auto* keys = qobject_cast<SEGYTraceHeaderComparerTableModel*>(
        sort->findChild<QTableView*>(QStringLiteral("selectedTableView"))->model());
    keys->appendKey({traceHeaderFieldIndex(QStringLiteral("17")), false});
    keys->appendKey({traceHeaderFieldIndex(QStringLiteral("13")), true});
    keys->appendKey({traceHeaderFieldIndex(QStringLiteral("1")), false});
    sort->show();
    timed("sort", [&]() { sort->accept(); });
    return 0;
}

QStringList childResults(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    QStringList results;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("RESULT "))
            results.append(QString::fromUtf8(line.mid(7)));
    return results;
}

QString valueOf(const QStringList& results, const QString& name)
{
    for (const QString& r : results)
        if (r.startsWith(name + QLatin1Char(' ')))
            return r.mid(name.size() + 1);
    return QString();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--info") == 0)
        return runInfo(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && qstrcmp(argv[1], "--window") == 0)
        return runWindow(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const QString path = ensureBenchFile();
    if (path.isEmpty())
        return 1;
    readWholeFile(path);

    // Best of three runs of each.
    double infoSeconds = 1e9, windowSeconds = 1e9;
    qint64 infoPeak = 0, windowPeak = 0;
    QStringList window;
    for (int run = 0; run < 3; ++run) {
        const QStringList info = childResults({QStringLiteral("--info"), path});
        const QStringList parts = info.value(0).split(QLatin1Char(' '));
        if (parts.size() == 2 && parts[0].toDouble() < infoSeconds) {
            infoSeconds = parts[0].toDouble();
            infoPeak = parts[1].toLongLong();
        }
        const QStringList results = childResults({QStringLiteral("--window"), path});
        const double seconds = valueOf(results, QStringLiteral("load")).toDouble();
        if (!results.isEmpty() && seconds < windowSeconds) {
            windowSeconds = seconds;
            windowPeak = valueOf(results, QStringLiteral("peak")).toLongLong();
            window = results;
        }
    }
    if (window.isEmpty() || infoPeak == 0) {
        std::fprintf(stderr, "a child run failed\n");
        return 1;
    }

    const double mb = 1024.0 * 1024.0;
    std::printf("file                        %s (%s traces)\n", qPrintable(path),
                qPrintable(valueOf(window, QStringLiteral("traces"))));
    std::printf("info load                   %.3f s\n", infoSeconds);
    std::printf("window load to painted      %.3f s   ratio %.2f (goal <= 1.5)\n", windowSeconds,
                windowSeconds / infoSeconds);
    std::printf("info peak resident          %.1f MB\n", infoPeak / mb);
    std::printf("window peak resident        %.1f MB   ratio %.2f (goal <= 1.3)\n", windowPeak / mb,
                double(windowPeak) / infoPeak);
    const struct {
        const char* name;
        const char* label;
        const char* goal;
    } steps[] = {
        {"jump", "jump to last trace, paint", "< 100 ms"},
        {"raw", "raw display", "< 100 ms"},
        {"decoded", "decoded display", "< 100 ms"},
        {"columns", "traces as columns", "< 200 ms"},
        {"rows", "traces as rows", "< 200 ms"},
        {"none", "hide all fields (None)", "< 100 ms"},
        {"all", "show all fields (All)", "< 100 ms"},
        {"applyall", "apply to all traces", "< 1000 ms"},
        {"undorange", "undo apply to all traces", "< 200 ms"},
        {"redorange", "redo apply to all traces", "< 200 ms"},
        {"reproject", "reproject all traces", "-"},
        {"undoreproject", "undo reprojection", "< 1000 ms"},
        {"redoreproject", "redo reprojection", "< 1000 ms"},
        {"sort", "sort by three keys, view", "< 500 ms"},
    };
    for (const auto& step : steps) {
        const QString value = valueOf(window, QLatin1String(step.name));
        if (!value.isEmpty())
            std::printf("%-27s %7s ms  (goal %s)\n", step.label, qPrintable(value), step.goal);
    }
    std::printf("undo history after %s range edits  %.1f MB  (goal < 1536 MB)\n",
                qPrintable(valueOf(window, QStringLiteral("historysteps"))),
                valueOf(window, QStringLiteral("historybytes")).toDouble() / mb);
    return 0;
}
