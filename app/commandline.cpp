#include "commandline.h"

#include "commandsupport.h"
#include "progressline.h"

#include <QCoreApplication>
#include <QDebug>
#include <QObject>
#include <cstdio>

CommandLine::CommandLine() : m_commands(createCommands()) {}

namespace {

// What each command gives for the help, in the order of the help.
QStringList commandTexts(QString (Command::*text)() const)
{
    QStringList list;
    for (const auto& command : createCommands())
        list.append(((*command).*text)());
    return list;
}

QString programDescription()
{
    return QObject::tr("A graphical and command line tool to edit SEG-Y files.");
}

void addFileArgument(QCommandLineParser& parser)
{
    parser.addPositionalArgument(QStringLiteral("file"), QCoreApplication::translate("main", "Input SEG-Y file name."),
                                 QString());
}

}  // namespace

const QStringList& CommandLine::commandNames()
{
    static const QStringList names = commandTexts(&Command::name);
    return names;
}

const QStringList& CommandLine::commandDescriptions()
{
    static const QStringList descriptions = commandTexts(&Command::description);
    return descriptions;
}

void CommandLine::declareProgramArguments(QCommandLineParser& parser)
{
    // The program's help lists every command with its description; a
    // command's options are the help of "trevalon COMMAND".
    QString description = programDescription() + QLatin1Char('\n');
    description += QLatin1Char('\n') + QObject::tr("Commands (\"%1 COMMAND\" alone lists a command's options):")
                                          .arg(QCoreApplication::applicationName().toLower());
    int width = 0;
    for (const QString& name : commandNames())
        width = qMax(width, name.size());
    for (int i = 0; i < commandNames().size(); ++i)
        description += QStringLiteral("\n  %1  %2").arg(commandNames().at(i), -width).arg(commandDescriptions().at(i));
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addVersionOption();
    addFileArgument(parser);
    parser.addPositionalArgument(QStringLiteral("command"), commandNames().join(QStringLiteral(", ")) + QLatin1Char('.'),
                                 QString());
}

QString CommandLine::commandHelp(const QString& command)
{
    CommandLine commandLine;
    return commandNames().contains(command) && commandLine.addCommandOptions(command) ? commandLine.m_parser.helpText()
                                                                                      : QString();
}

bool CommandLine::wantsWindow(const QStringList& arguments)
{
    QCommandLineParser parser;
    declareProgramArguments(parser);
    const bool parsed = parser.parse(arguments);
    const QStringList positional = parser.positionalArguments();
    switch (positional.size()) {
    case 0:
        // Any option here is help, version or an error, which the parser
        // answers on the terminal.
        return parsed && parser.optionNames().isEmpty();
    case 1:
        return !commandNames().contains(positional.first());
    default:
        return false;
    }
}

int CommandLine::setup(QCoreApplication& app)
{
    declareProgramArguments(m_parser);
    // No command option is declared yet, so this first pass may well fail;
    // only its positional arguments matter.
    m_parser.parse(QCoreApplication::arguments());
    const QStringList positional = m_parser.positionalArguments();

    if (positional.isEmpty()) {
        m_parser.process(app);
        return 0;
    }
    if (positional.size() == 1) {
        if (commandNames().contains(positional.first())) {
            addCommandOptions(positional.first());
            m_parser.showHelp(0);
        }
        m_inputFileName = positional.first();
        return 1;
    }

    m_commandMode = true;
    if (commandNames().contains(positional.first())) {
        // An error: the usage goes with it to standard error, and the exit
        // status says so.
        qDebug() << QObject::tr("Error: missing input SEG-Y file name.");
        addCommandOptions(positional.first());
        std::fputs(m_parser.helpText().toLocal8Bit().constData(), stderr);
        return 2;
    }
    m_inputFileName = positional.at(0);
    const QString command = positional.at(1);
    if (!addCommandOptions(command))
        return 2;
    m_parser.process(app);
    return readCommandOptions() ? 1 : 2;
}

bool CommandLine::addCommandOptions(const QString& command)
{
    const int i = commandNames().indexOf(command);
    if (i < 0) {
        qDebug() << QObject::tr("Error: unrecognized command %1").arg(command);
        return false;
    }
    m_command = m_commands.at(size_t(i)).get();

    m_parser.setApplicationDescription(programDescription());
    m_parser.clearPositionalArguments();
    addFileArgument(m_parser);
    m_parser.addPositionalArgument(m_command->name(), m_command->description(), QString());
    m_command->addOptions(m_parser);
    addFieldLayoutOptions(m_parser);
    addReadingOverrideOptions(m_parser);
    m_parser.addOption({QStringLiteral("quiet"), QStringLiteral("Show no progress line on a terminal.")});
    return true;
}

bool CommandLine::readCommandOptions()
{
    m_quiet = m_parser.isSet(QStringLiteral("quiet"));
    QString error;
    if (m_command && readFieldLayoutOptions(m_parser, &error) && readReadingOverrideOptions(m_parser, &error)
        && m_command->readOptions(m_parser, &error))
        return true;
    if (!error.isEmpty())
        qDebug() << error;
    if (m_command && m_command->lacksOptions())
        std::fputs(m_parser.helpText().toLocal8Bit().constData(), stderr);
    return false;
}

void CommandLine::printError(const QString& message)
{
    ++m_errorCount;
    ProgressLine::clear();
    qDebug() << message;
}

bool CommandLine::run()
{
    if (m_inputFileName.isEmpty() || !m_command)
        return true;
    ProgressLine::enable(m_quiet);
    const bool ok = m_command->run(m_inputFileName, [this](const QString& message) { printError(message); });
    ProgressLine::clear();
    // What was printed must have arrived.
    const QString outputError = outputFailure();
    if (!outputError.isEmpty())
        printError(QObject::tr("Error: could not write to standard output: %1.").arg(outputError));
    return ok && m_errorCount == 0;
}

int runCommandLine(QCoreApplication& app)
{
    CommandLine commandLine;
    const int status = commandLine.setup(app);
    if (!commandLine.isCommandMode())
        return 0;
    if (status != 1)
        return 1;
    return commandLine.run() ? 0 : 1;
}
