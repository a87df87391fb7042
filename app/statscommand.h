#pragma once

#include "command.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <vector>

class QCommandLineParser;
class SEGY;
class SEGYTraceHeader;

// What one trace header field holds over all traces of a file.
struct FieldStatistics {
    int field = -1;  // index in the trace header table
    qint32 minimum = 0;
    qint32 maximum = 0;
    qint32 first = 0;  // value in the first and in the last trace
    qint32 last = 0;
    qint64 distinct = 0;  // number of different values; 0 for no trace
    bool zeroEverywhere() const { return minimum == 0 && maximum == 0; }
};

// Statistics of the given trace header fields (indexes), in that order.
// Works on the header blocks in a few sweeps: one finds the fields that
// vary at all, one their ranges, one counts their distinct values.
std::vector<FieldStatistics> traceFieldStatistics(const QList<SEGYTraceHeader*>& headers, const QList<int>& fields);

// The "stats" command: a summary of every trace header field of a file.
class StatsCommand : public Command
{
public:
    QString name() const override;
    QString description() const override;
    void addOptions(QCommandLineParser& parser) const override;
    bool readOptions(const QCommandLineParser& parser, QString* error) override;
    bool run(const QString& fileName, const ErrorSink& error) override;

    // Prints the summary of a loaded file on standard output.
    void print(const SEGY& segy, const QString& fileName) const;

private:
    QList<int> m_fields;  // chosen fields; empty: all
    bool m_listZeroFields = true;  // without --fields or --all, fields 0 everywhere only in the closing list
    bool m_json = false;
};
