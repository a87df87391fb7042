// The part of the program that paints: the window, and the pictures of the
// command line. It is a library of its own, loaded when first needed, so
// that commands which paint nothing start without Qt Gui and Qt Widgets.

#include "command.h"
#include "commandline.h"
#include "mainwindow.h"
#include "surveymap.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStyleFactory>

extern "C" Q_DECL_EXPORT int trevalonRunWindow(int argc, char** argv)
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

// A command that draws pictures paints on the offscreen platform: it never
// needs a display.
extern "C" Q_DECL_EXPORT int trevalonRunPictureCommand(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The platform's complaint about a missing runtime directory, which
    // painting into files never uses, is not the user's concern.
    static QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
                previous(type, context, message);
        });
    QGuiApplication app(argc, argv);
    mapWriter() = [](const MapPicture& picture, QString* error) {
        SurveyMap map;
        map.setSurvey(picture.positions, picture.geometry);
        if (!picture.colours.empty())
            map.setColourValues(picture.colours, picture.colourLabel);
        return map.writePicture(picture.file, picture.size, error);
    };
    return runCommandLine(app);
}
