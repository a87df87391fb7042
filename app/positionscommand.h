#pragma once

#include <QMap>
#include <QString>
#include <QVariant>
#include <functional>

class QCommandLineParser;

// The import-positions command: source, receiver and CDP positions from a
// delimited text file into the trace headers, as they are or transformed
// between reference systems, with the text import wizard's splitting and
// filter rules.

void addImportPositionsOptions(QCommandLineParser& parser);

// Stores the options given with a value (flags as true) under their names.
void readImportPositionsOptions(const QCommandLineParser& parser, QMap<QString, QVariant>* options);

// Checks the options, loads the SEG-Y file, imports and saves (in place, or
// to saveAsFile when it is not empty). Every problem goes to printError as one
// line; the file is saved only when none was reported. True when nothing was
// reported.
bool runImportPositions(const QString& segyFile, const QString& saveAsFile, const QMap<QString, QVariant>& options,
                        const std::function<void(const QString&)>& printError);
