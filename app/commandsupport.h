#pragma once

#include "command.h"
#include "fieldlayout.h"

#include <QList>
#include <QString>
#include <cstdio>

// Small pieces the commands share: plain output lines, shared options, the
// load and save of the file, and the parsing of trace intervals and field
// lists.

class QCommandLineParser;
class SEGY;

// A message of the command line in the user's language.
QString commandTr(const char* text);

// The line in the local encoding, then a line feed.
void printLine(FILE* stream, const QString& line);
// Writes bytes to a stream; false when they did not all go, and the first
// such failure is kept for outputFailure.
bool writeOutput(FILE* stream, const char* data, size_t size);
// Flushes standard output; why a write to it failed (the system's text),
// or empty when every write reached it.
QString outputFailure();

// Shows what a command's file object reports: its messages as "Warning: "
// lines on standard error (one line each), its progress on a terminal, with
// editLabel naming its header changes (empty: the general label).
void followFileObject(SEGY& segy, const QString& editLabel = QString());

// A message as one "Warning: " line on standard error.
void printWarning(const QString& message);

// Loads fileName into segy, following it as above; on failure prints the
// error through printError and returns false.
bool openForCommand(SEGY& segy, const QString& fileName, const ErrorSink& printError,
                    const QString& editLabel = QString());
// Saves segy in place, or as saveAs when that is not empty; on failure prints
// the error through printError and returns false.
bool saveForCommand(SEGY& segy, const QString& fileName, const QString& saveAs, const ErrorSink& printError);

// Loads fileName and hands it to use; false when it cannot be loaded or
// use fails.
bool readFile(const QString& fileName, const ErrorSink& printError, const std::function<bool(SEGY&)>& use,
              const QString& editLabel = QString());
// Loads fileName, changes it and saves it (in place, or as saveAs when that
// is not empty) when the change succeeded; a failed change leaves the file
// as it was.
bool changeFile(const QString& fileName, const QString& saveAs, const QString& editLabel,
                const ErrorSink& printError, const std::function<bool(SEGY&)>& change);

// --saveas, and its value: false, with the message in *error, for an empty
// name, which would otherwise mean an in-place save nobody asked for.
void addSaveAsOption(QCommandLineParser& parser);
bool readSaveAs(const QCommandLineParser& parser, QString* saveAs, QString* error);
// --in-epsg, --out-epsg, --in-proj and --out-proj.
void addReferenceSystemOptions(QCommandLineParser& parser);
// The value of --in-epsg (input) or --out-epsg: 0 when not given. False,
// with the message in *error, for text that is not a positive number.
bool readEpsgCode(const QString& text, bool input, int* code, QString* error);

// "start-end": two decimal indexes joined by one "-", nothing else.
bool parseInterval(const QString& text, int* start, int* end);

// "9,21,189": start bytes of trace header fields, separated by commas
// (blanks around them allowed), as field indexes in the order given,
// each once. False at the first item that names no field; *badItem
// receives it.
bool parseTraceFieldList(const QString& text, QList<int>* fields, QString* badItem);
// Every trace header field, in table order, then (indexes from
// TraceHeaderFieldCount on) extension 1's fields when asked for, then the
// custom ones in the layout's order.
QList<int> allTraceFields(bool withExtension1);
// The --fields option as such a list; empty when it was not given. False,
// with the message in *error, for an item that names no field.
bool readTraceFieldsOption(const QCommandLineParser& parser, QList<int>* fields, QString* error);

// --layout FILE and --field NAME=BYTE:TYPE, which every command takes: the
// custom fields every file a command opens gets. False, with the message in
// *error, for a layout or field that is refused.
void addFieldLayoutOptions(QCommandLineParser& parser);
bool readFieldLayoutOptions(const QCommandLineParser& parser, QString* error);
const FieldLayout& commandFieldLayout();
// --byte-order big|little, --format N and --text-encoding ebcdic|ascii,
// which every command takes: how the files it opens are read.
void addReadingOverrideOptions(QCommandLineParser& parser);
bool readReadingOverrideOptions(const QCommandLineParser& parser, QString* error);
// A field of such a list: standard below TraceHeaderFieldCount, then
// extension 1's, then custom.
FieldDescription commandTraceField(int index);
