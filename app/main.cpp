#include "command.h"
#include "commandline.h"
#include "mainwindow.h"
#include "manyfiles.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QStyleFactory>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Options the windowing toolkit takes for itself; a window-mode start would
// remove them (and their values) before the command line is read, so the
// command mode leaves them out too.
bool isToolkitOption(const char* argument, bool* takesValue)
{
    static const char* const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                            "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                            "display", "style", "stylesheet", "geometry", "title"};
    static const char* const alone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    if (argument[0] != '-')
        return false;
    const char* name = argument + (argument[1] == '-' ? 2 : 1);
    for (const char* option : withValue) {
        const size_t length = std::strlen(option);
        if (std::strncmp(name, option, length) == 0 && (name[length] == '\0' || name[length] == '=')) {
            *takesValue = name[length] == '\0';
            return true;
        }
    }
    for (const char* option : alone) {
        if (std::strcmp(name, option) == 0) {
            *takesValue = false;
            return true;
        }
    }
    return false;
}

std::vector<char*> withoutToolkitOptions(int argc, char* argv[])
{
    std::vector<char*> kept;
    for (int i = 0; i < argc; ++i) {
        bool takesValue = false;
        if (i > 0 && isToolkitOption(argv[i], &takesValue)) {
            if (takesValue)
                ++i;
            continue;
        }
        kept.push_back(argv[i]);
    }
    kept.push_back(nullptr);
    return kept;
}

QStringList argumentList(const std::vector<char*>& argv)
{
    QStringList arguments;
    for (char* argument : argv)
        if (argument)
            arguments.append(QString::fromLocal8Bit(argument));
    return arguments;
}

// Commands, their help and the parser's own answers need no display: they
// run on a core application and never create a window.
int runWithoutWindow(std::vector<char*> argv, const ManyFilesRun* many = nullptr)
{
    int argc = int(argv.size()) - 1;
    // A command that draws pictures paints with the toolkit, on the
    // offscreen platform: it never needs a display either.
    std::unique_ptr<QCoreApplication> application;
    if (commandDrawsPictures(argumentList(argv))) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The platform's complaint about a missing runtime directory, which
        // painting into files never uses, is not the user's concern.
        static QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
                    previous(type, context, message);
            });
        application = std::make_unique<QGuiApplication>(argc, argv.data());
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv.data());
    }
    QCoreApplication& app = *application;
    if (many)
        return runManyFiles(*many);
    CommandLine commandLine;
    const int status = commandLine.setup(app);
    if (!commandLine.isCommandMode())
        return 0;
    if (status != 1)
        return 1;
    return commandLine.run() ? 0 : 1;
}

// Whether a window can be shown: a display server to talk to, or a platform
// chosen explicitly. Without one the toolkit would abort the program.
bool displayAvailable(int argc, char* argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    for (int i = 1; i < argc; ++i) {
        bool takesValue = false;
        const char* name = argv[i] + (std::strncmp(argv[i], "--", 2) == 0 ? 2 : 1);
        if (isToolkitOption(argv[i], &takesValue) && std::strncmp(name, "platform", 8) == 0
            && (name[8] == '\0' || name[8] == '='))
            return true;
    }
    return false;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return true;
#endif
}

int runWindow(int argc, char* argv[])
{
    if (!displayAvailable(argc, argv)) {
        qDebug() << QCoreApplication::translate("main",
                                                "Error: no display available; use a command such as info (see --help).");
        return 1;
    }
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
    QCoreApplication::setApplicationVersion(QStringLiteral(TREVALON_VERSION));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    std::vector<char*> arguments = withoutToolkitOptions(argc, argv);
    ManyFilesRun many;
    if (ManyFilesRun::fromArguments(argumentList(arguments), CommandLine::commandNames(), &many))
        return runWithoutWindow(std::move(arguments), &many);
    if (CommandLine::wantsWindow(argumentList(arguments)))
        return runWindow(argc, argv);
    return runWithoutWindow(std::move(arguments));
}
