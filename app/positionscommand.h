#pragma once

#include "command.h"

#include <QString>

// The import-positions command: source, receiver and CDP positions from a
// delimited text file into the trace headers, as they are or transformed
// between reference systems, with the text import wizard's splitting and
// filter rules. The file is saved only when nothing went wrong.
class ImportPositionsCommand : public Command
{
public:
    QString name() const override;
    QString description() const override;
    void addOptions(QCommandLineParser& parser) const override;
    bool readOptions(const QCommandLineParser& parser, QString* error) override;
    bool run(const QString& fileName, const ErrorSink& error) override;

private:
    // The options as given; an empty text was not given.
    QString m_positions;
    QString m_columns[3];  // --src, --rcv, --cdp
    QString m_delimiters;
    QString m_startLine;
    QString m_skipPrefix;
    bool m_skipEmpty = false;
    QString m_unit;
    QString m_inputEpsg;
    QString m_outputEpsg;
    QString m_inputProj;
    QString m_outputProj;
    QString m_inputUnit;
    QString m_outputUnit;
    QString m_saveAs;
};
