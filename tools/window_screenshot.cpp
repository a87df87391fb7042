// Renders the main window offscreen with a file loaded and writes it as PNG,
// so the picture in the README can be made again whenever the window changes.
//
// usage: window_screenshot SEGY_FILE OUTPUT.png [TAB]
//   TAB: the tab shown, 0 general info (default), 1 binary header, 2 trace headers

#include "mainwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>
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
    // Let the views lay themselves out before the picture is taken.
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();

    if (!window.grab().save(args.at(2), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
