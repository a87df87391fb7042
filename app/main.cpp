#include "mainwindow.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Trevalon"));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        window.loadFile(args.at(1));
    return app.exec();
}
