#pragma once

#include <QList>
#include <functional>
#include <QString>
#include <cstdio>

// Small pieces the commands share: plain output lines and the parsing of
// trace intervals and field lists.

class SEGY;

// The line in the local encoding, then a line feed.
void printLine(FILE* stream, const QString& line);

// Shows what a command's file object reports: its messages as "Warning: "
// lines on standard error (one line each), its progress on a terminal.
void followFileObject(SEGY& segy);

// A message as one "Warning: " line on standard error.
void printWarning(const QString& message);

// Loads fileName into segy, following it as above; on failure prints the
// error through printError and returns false.
bool openForCommand(SEGY& segy, const QString& fileName, const std::function<void(const QString&)>& printError);
// Saves segy in place, or as saveAs when that is not empty; on failure prints
// the error through printError and returns false.
bool saveForCommand(SEGY& segy, const QString& fileName, const QString& saveAs,
                    const std::function<void(const QString&)>& printError);

// "start-end": two decimal indexes joined by one "-", nothing else.
bool parseInterval(const QString& text, int* start, int* end);

// "9,21,189": start bytes of trace header fields, separated by commas
// (blanks around them allowed), as field indexes in the order given,
// each once. False at the first item that names no field; *badItem
// receives it.
bool parseTraceFieldList(const QString& text, QList<int>* fields, QString* badItem);
