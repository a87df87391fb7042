#include "command.h"
#include "commandline.h"
#include "manyfiles.h"

#include <QCoreApplication>
#include <QDebug>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <string>
#include <unistd.h>
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

using Entry = int (*)(int, char**);

// An entry of the library that paints (the window, pictures), loaded now:
// beside the executable in a build, in its library folder once installed.
Entry paintingEntry(const char* name)
{
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, size_t(length)) : std::string();
    folder = folder.substr(0, folder.rfind('/') + 1);
    std::string reason;
    for (const std::string& path : {folder + "libtrevalon-gui.so", folder + TREVALON_GUI_RELATIVE "/libtrevalon-gui.so"}) {
        if (void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (void* entry = ::dlsym(library, name))
                return reinterpret_cast<Entry>(entry);
            reason = ::dlerror();
            break;
        }
        // The reason that counts is the one of a library that is there.
        if (reason.empty() || ::access(path.c_str(), F_OK) == 0)
            reason = ::dlerror();
    }
    qDebug() << QCoreApplication::translate("main", "Error: the window library could not be loaded (%1).")
                    .arg(QString::fromLocal8Bit(reason.c_str()));
    return nullptr;
}

// Commands, their help and the parser's own answers need no display: they
// run on a core application and never create a window. A command that
// draws pictures runs in the library that paints.
int runWithoutWindow(std::vector<char*> argv, const ManyFilesRun* many = nullptr)
{
    int argc = int(argv.size()) - 1;
    if (!many && commandDrawsPictures(argumentList(argv))) {
        const Entry run = paintingEntry("trevalonRunPictureCommand");
        return run ? run(argc, argv.data()) : 1;
    }
    QCoreApplication app(argc, argv.data());
    if (many)
        return runManyFiles(*many);
    return runCommandLine(app);
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
    const Entry run = paintingEntry("trevalonRunWindow");
    return run ? run(argc, argv) : 1;
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
