#pragma once

#include "dumpcommand.h"
#include "statscommand.h"

#include <QCommandLineParser>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

class QCoreApplication;
class SEGY;

// The command-line front end: declares and parses the arguments, then runs
// one command against a SEG-Y file. Every message it prints is one line
// through qDebug(); the summary of "info" goes to standard output.
class CommandLine
{
public:
    enum Command { Edit = 0, Reproject = 1, ImportHeaders = 2, ExportHeaders = 3, Info = 4, ImportPositions = 5, Stats = 6, Dump = 7 };

    CommandLine();

    static const QStringList& commandNames();
    static const QStringList& commandDescriptions();

    // Whether these process arguments lead to the window. Everything else
    // (a command, a command's help, the program's help, version or a parser
    // error) is handled without a display. Needs no application object.
    static bool wantsWindow(const QStringList& arguments);

    // 0: no positional argument (window, no file); 1: go on (window with a
    // file, or a command with usable options); 2: the command cannot run.
    int setup(QCoreApplication& app);
    bool addCommandOptions(const QString& command);
    bool readCommandOptions(const QString& command);

    bool isCommandMode() const { return m_commandMode; }
    QString inputFileName() const { return m_inputFileName; }

    // Runs the parsed command. True when it printed no error line and its
    // save, if it had one, succeeded.
    bool run();

private:
    static void declareProgramArguments(QCommandLineParser& parser);
    void printError(const QString& message);
    bool readSaveAs();
    bool runReadOnly();
    void printInfo(const SEGY& segy) const;
    void editHeaders(SEGY& segy);
    void importHeaders(SEGY& segy);
    void exportHeaders(SEGY& segy);
    void reproject(SEGY& segy);

    QCommandLineParser m_parser;
    QString m_inputFileName;
    QString m_saveAsFileName;
    bool m_commandMode = false;
    int m_command = -1;
    QMap<QString, QVariant> m_reprojectOptions;
    QMap<QString, QStringList> m_editOptions;
    QMap<QString, QVariant> m_importOptions;
    QMap<QString, QVariant> m_exportOptions;
    QMap<QString, QVariant> m_positionsOptions;
    StatsCommand m_stats;
    DumpCommand m_dump;
    bool m_json = false;  // info --json
    int m_errorCount = 0;
};
