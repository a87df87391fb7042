#pragma once

#include "command.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QCommandLineParser;
class SEGY;

// The "dump" command: the textual headers as card images, the binary
// header fields and the trace headers of a range of traces, as text or as
// one JSON document.
class DumpCommand : public Command
{
public:
    QString name() const override;
    QString description() const override;
    void addOptions(QCommandLineParser& parser) const override;
    bool readOptions(const QCommandLineParser& parser, QString* error) override;
    bool run(const QString& fileName, const ErrorSink& error) override;

    // Prints the chosen parts of a loaded file on standard output; a range
    // of traces the file does not have is reported through error instead.
    bool print(const SEGY& segy, const QString& fileName, const ErrorSink& error) const;

private:
    void printText(const SEGY& segy) const;
    void printBinary(const SEGY& segy) const;
    void printTraces(const SEGY& segy, int start, int end) const;
    void printJson(const SEGY& segy, const QString& fileName, int start, int end) const;

    bool m_text = false;
    bool m_binary = false;
    bool m_traces = false;
    bool m_decoded = false;
    bool m_json = false;
    QString m_range;      // --traces, empty for all
    QList<int> m_fields;  // trace fields shown; empty for all
};
