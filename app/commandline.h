#pragma once

#include "command.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QCoreApplication;

// Sets up and runs the command line of app's arguments; the exit status.
int runCommandLine(QCoreApplication& app);

// The command-line front end: declares and parses the arguments, then runs
// one command against a SEG-Y file. Every message it prints is one line
// through qDebug(); the summary of "info" goes to standard output.
class CommandLine
{
public:
    CommandLine();

    static const QStringList& commandNames();
    static const QStringList& commandDescriptions();

    // Whether these process arguments lead to the window. Everything else
    // (a command, a command's help, the program's help, version or a parser
    // error) is handled without a display. Needs no application object.
    static bool wantsWindow(const QStringList& arguments);
    // The help of one command ("trevalon COMMAND"), as printed; empty for
    // no such command. The manual page and shell completion are made from it.
    static QString commandHelp(const QString& command);

    // 0: no positional argument (window, no file); 1: go on (window with a
    // file, or a command with usable options); 2: the command cannot run.
    int setup(QCoreApplication& app);
    bool addCommandOptions(const QString& command);
    bool readCommandOptions();

    bool isCommandMode() const { return m_commandMode; }
    QString inputFileName() const { return m_inputFileName; }

    // Runs the parsed command. True when it printed no error line and its
    // save, if it had one, succeeded.
    bool run();

private:
    static void declareProgramArguments(QCommandLineParser& parser);
    void printError(const QString& message);

    QCommandLineParser m_parser;
    QString m_inputFileName;
    bool m_commandMode = false;
    std::vector<std::unique_ptr<Command>> m_commands;
    Command* m_command = nullptr;
    bool m_quiet = false;
    int m_errorCount = 0;
};
