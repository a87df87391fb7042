// Renders the main window offscreen with a file loaded and writes it as PNG,
// so the picture in the README can be made again whenever the window changes.
//
// usage: window_screenshot SEGY_FILE OUTPUT.png [TAB]
//   TAB: the tab shown, 0 general info (default), 1 binary header, 2 trace headers

#include "mainwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPixmap>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: window_screenshot SEGY_FILE OUTPUT.png [TAB]\n");
        return 2;
    }

    // The size the window takes on a common desktop screen (the offscreen
    // screen is smaller).
    MainWindow window;
    window.resize(1180, 720);
    window.show();
    QEventLoop loop;
    QObject::connect(&window, &MainWindow::operationFinished, &loop, &QEventLoop::quit);
    window.loadFile(args.at(1));
    loop.exec();
    if (auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("tabWidget")))
        tabs->setCurrentIndex(args.value(3, QStringLiteral("0")).toInt());
    // The browser shows the file's folder, as after a double click there.
    if (auto* browser = window.findChild<QTreeView*>(QStringLiteral("dirBrowserListView"))) {
        if (auto* files = qobject_cast<QFileSystemModel*>(browser->model())) {
            const QModelIndex root = files->setRootPath(QFileInfo(args.at(1)).absolutePath());
            browser->setRootIndex(root);
            QObject::connect(files, &QFileSystemModel::directoryLoaded, &loop, &QEventLoop::quit);
            QTimer::singleShot(2000, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
    // A cell chosen, so the description line reads as in use, with the
    // decoded trace identification and coordinates in view.
    if (auto* traces = window.findChild<QTableView*>(QStringLiteral("traceHeadersTableView"))) {
        const QModelIndex cell = traces->model()->index(0, 7);
        traces->horizontalScrollBar()->setValue(traces->horizontalScrollMode() == QAbstractItemView::ScrollPerItem
                                                    ? 7
                                                    : traces->columnViewportPosition(7));
        traces->setCurrentIndex(cell);
        QMetaObject::invokeMethod(&window, "on_traceHeadersTableView_clicked", Q_ARG(QModelIndex, cell));
    }
    // Let the views lay themselves out before the picture is taken.
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();

    if (!window.grab().save(args.at(2), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
