#include "commandline.h"
#include "mainwindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStyleFactory>

namespace {

QStringList processArguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Commands, their help and the parser's own answers need no display: they
// run on a core application and never create a window.
int runWithoutWindow(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    CommandLine commandLine;
    const int status = commandLine.setup(app);
    if (!commandLine.isCommandMode())
        return 0;
    if (status != 1)
        return 1;
    return commandLine.run() ? 0 : 1;
}

int runWindow(int argc, char* argv[])
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication app(argc, argv);
    MainWindow window;
    CommandLine commandLine;
    commandLine.setup(app);
    window.show();
    if (!commandLine.inputFileName().isEmpty())
        window.loadFile(commandLine.inputFileName());
    return app.exec();
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Trevalon"));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    if (CommandLine::wantsWindow(processArguments(argc, argv)))
        return runWindow(argc, argv);
    return runWithoutWindow(argc, argv);
}
