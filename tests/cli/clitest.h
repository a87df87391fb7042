#pragma once

// Running the trevalon executable in command mode from tests, the survey
// the command-line tests work on, and python3-segyio's reading of a file.

#include "fixture.h"

#include <QByteArray>
#include <QDataStream>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

constexpr int SurveyTraces = 12;

struct Result {
    int status = -1;
    QStringList out;
    QStringList err;
    QByteArray rawOut;
};

QStringList lines(const QByteArray& bytes);

// A run's standard output as one JSON object (empty, with a warning, when
// it is not one).
QJsonObject parseJson(const Result& r);

// A message as the default message handler writes a qDebug() of a string.
QString quoted(const QString& message);
QStringList quotedAll(const QStringList& messages);

QString binDir();
QString executable();

// Runs the program the way a server session would: no display of any kind.
// outputFile, when given, takes standard output instead of the result.
Result runProgram(const QStringList& arguments, const QString& program = executable(),
                  const QString& workingDirectory = QString(), const QString& outputFile = QString());

// Traces of the test survey: distinct values in a few fields so that edits,
// imports and reprojections show which traces they reached.
int originalTraceValue(int traceByte, int trace);
SegyFixture surveyFixture(QDataStream::ByteOrder order = QDataStream::BigEndian, int traces = SurveyTraces);

// What python3-segyio reads: binary fields by file byte, trace fields by
// trace byte for every trace, and the samples of every trace.
struct Oracle {
    bool ok = false;
    QString error;
    QMap<int, int> bin;
    QList<QMap<int, int>> traces;
    QList<QList<double>> samples;
};

Oracle readWithSegyio(const QString& path, const QList<int>& binBytes, const QList<int>& traceBytes,
                      bool littleEndian = false);
