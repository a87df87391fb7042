#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QCommandLineParser;
class QStringList;

// Prints one error line of a command and counts it.
using ErrorSink = std::function<void(const QString& message)>;

// One command of the command line ("trevalon FILE NAME [options]"): its
// name and description for the help, its own options, and its run against
// one SEG-Y file.
class Command
{
public:
    // description is translated when asked for.
    Command(const char* name, const char* description) : m_name(name), m_description(description) {}
    virtual ~Command() = default;

    QString name() const { return QString::fromLatin1(m_name); }
    QString description() const { return QObject::tr(m_description); }
    virtual void addOptions(QCommandLineParser& parser) const = 0;
    // False when the options do not make a command that can run; *error
    // then holds the message to print, or stays empty for none.
    virtual bool readOptions(const QCommandLineParser& parser, QString* error) = 0;
    // Runs on fileName; every problem goes to error as one line. True when
    // the run succeeded.
    virtual bool run(const QString& fileName, const ErrorSink& error) = 0;

    // Whether the last readOptions failed for options that must be given:
    // the command's usage then follows its message.
    bool lacksOptions() const { return m_lacksOptions; }

protected:
    // For readOptions: "Error: NAME needs WHAT." in *error; false.
    bool missingOptions(const QString& what, QString* error)
    {
        m_lacksOptions = true;
        *error = QObject::tr("Error: %1 needs %2.").arg(name(), what);
        return false;
    }

private:
    const char* m_name;
    const char* m_description;
    bool m_lacksOptions = false;
};

// Every command, in the order the help lists them.
std::vector<std::unique_ptr<Command>> createCommands();

// The commands with files of their own.
std::unique_ptr<Command> createImportPositionsCommand();
std::unique_ptr<Command> createStatsCommand();
std::unique_ptr<Command> createDumpCommand();
std::unique_ptr<Command> createScanCommand();
std::unique_ptr<Command> createGeometryCommand();

// Whether a command line (the program's arguments) draws a picture, and so
// needs the toolkit's painting (on the offscreen platform).
bool commandDrawsPictures(const QStringList& arguments);

// A map of the positions to write as a picture (PNG or SVG, by the file's
// suffix). The drawing lives with the window, in the library loaded when
// first needed; it sets the writer before such a command runs.
struct TracePositions;
struct SurveyGeometry;
struct MapPicture {
    const TracePositions* positions;
    const SurveyGeometry* geometry;
    std::vector<qint32> colours;  // one a trace, or empty for colours by layer
    QString colourLabel;
    QString file;
    QSize size;
};
using MapWriter = std::function<bool(const MapPicture& picture, QString* error)>;
MapWriter& mapWriter();
