#pragma once

#include "crsdefinition.h"
#include "delimitedtext.h"
#include "headerchanges.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

class ProjTransformer;
class QIODevice;
class SEGY;

// What one line of positioning text becomes in the trace headers, worked
// out the same way for the page's preview and for the import.
struct PositionLine {
    enum Problem {
        Stored,          // the line is written
        MissingColumn,   // the line has no field in a mapped column
        NotANumber,      // a mapped field is no number
        HasDecimals,     // as is: a number that is not an integer
        DoesNotFit,      // the stored value would not fit a 4-byte field
        NotTransformed,  // PROJ could not transform the position
    };
    Problem problem = Stored;
    int column = -1;  // the 0-based column of the refused value (as is, or the X of a refused position)
    QString text;     // the refused value as read, or the coordinate that does not fit
    qint32 values[6] = {0, 0, 0, 0, 0, 0};  // SRC_X, SRC_Y, RCV_X, RCV_Y, CDP_X, CDP_Y as stored
    bool isStored() const { return problem == Stored; }
};

// The rule of the positioning import for one line: which fields are read,
// how they are converted and which values, units code and scalar are stored.
// The mapping is the one PositionImport takes (see below).
class PositionConversion
{
public:
    PositionConversion(const QMap<QString, int>& mapping, const QString& inputProj = QString(),
                       const QString& outputProj = QString());
    ~PositionConversion();
    PositionConversion(const PositionConversion&) = delete;
    PositionConversion& operator=(const PositionConversion&) = delete;

    // Why nothing can be converted with this mapping (no coordinate mapped,
    // no usable unit, a system the catalogue does not hold or PROJ refuses);
    // empty when all is well.
    QString error() const { return m_error; }

    bool isAsIs() const { return m_asIs; }
    // The 0-based column of SRC_X, SRC_Y, RCV_X, RCV_Y, CDP_X, CDP_Y (index
    // 0 to 5), -1 when it is not read.
    int column(int index) const { return m_columns[index]; }
    int unitsCode() const { return m_unitsCode; }  // written to bytes 89-90
    int scalar() const { return m_scalar; }        // written to bytes 71-72

    PositionLine convert(const QStringList& fields) const;
    // Why a line is not written, in one sentence naming its line in the file.
    QString reason(const PositionLine& line, qint64 textLine) const;

private:
    bool prepare(const QMap<QString, int>& mapping, const QString& inputProj, const QString& outputProj);
    void convertAsIs(const QStringList& fields, PositionLine* line) const;
    void convertTransformed(const QStringList& fields, PositionLine* line) const;

    QString m_error;
    int m_columns[6] = {-1, -1, -1, -1, -1, -1};
    bool m_asIs = true;
    int m_unitsCode = 1;
    int m_scalar = -100;
    int m_inputUnit = 1;
    int m_multiplier = 100;
    std::unique_ptr<ProjTransformer> m_transformer;  // transform: built once
};

// Writes source, receiver group and CDP positions read from delimited text
// into the trace headers: the n-th kept line of the text goes to the n-th
// trace of the file, in file order.
//
// The mapping says what to read and how to write it (0-based columns; keys
// that are absent read as -1):
//   "SRC_X", "SRC_Y", "RCV_X", "RCV_Y", "CDP_X", "CDP_Y"  columns of the coordinates
//   "AS_IS_UNIT"  1, 2 or 3: write the integers as they are, with this
//                 coordinate unit and the scalar -100 (unit 1) or -10000
//   "IN_EPSG", "OUT_EPSG", "IN_UNIT", "OUT_UNIT"  otherwise: transform the
//                 numbers from one system to the other, reading and writing
//                 them in these units (1 metres, 2 seconds of arc, 3 degrees;
//                 an absent unit follows the system's definition text)
// A "+" definition text given for a side takes the place of its EPSG code
// (see resolveCrs).
//
// A line is written whole or not at all: when any coordinate it is asked for
// is missing, is no integer the field can hold (as is), is no number or does
// not transform (transform), the trace keeps every field as it was. The
// values of all lines are stored together, in one SEGY::apply, by finish().
class PositionImport
{
public:
    PositionImport(SEGY* segy, const QMap<QString, int>& mapping, const QString& inputProj = QString(),
                   const QString& outputProj = QString());
    ~PositionImport();
    PositionImport(const PositionImport&) = delete;
    PositionImport& operator=(const PositionImport&) = delete;

    // Why the import cannot run (nothing loaded, or the conversion's error)
    // or why finish() could not store the values; empty when all is well. An
    // import that cannot run writes nothing.
    QString error() const { return m_error; }

    // One kept line: lineIndex counts kept lines from 0 and is the trace it
    // goes to; textLine is its number in the text file, for the report.
    void addLine(int lineIndex, const QStringList& fields, qint64 textLine);
    // Stores the values of every written line (the file object announces the
    // edit). Lines added later are ignored; the destructor finishes an
    // import that was not finished.
    void finish();

    // Lines whose values were taken (stored once finish() has run).
    int writtenLines() const { return m_written; }
    // After finish(): the traces whose headers changed.
    qint64 changedTraces() const { return m_changedTraces; }
    int unchangedLines() const { return m_unchanged; }
    qint64 firstUnchangedLine() const { return m_firstUnchanged; }
    // Why the first of those lines was not written; empty when none was left.
    QString firstUnchangedReason() const { return m_firstReason; }
    // That line as converted: its problem and the refused value.
    const PositionLine& firstUnchanged() const { return m_firstLine; }
    // Lines beyond the last trace.
    int linesBeyond() const { return m_beyond; }
    // How many lines changed nothing and why, in one sentence, or the error
    // that kept finish() from storing; empty when every line was written.
    QString report() const;

private:
    SEGY* m_segy;
    PositionConversion m_conversion;
    int m_traceCount = 0;
    HeaderChanges m_changes;
    QString m_error;
    bool m_started = false;
    bool m_finished = false;

    int m_written = 0;
    qint64 m_changedTraces = 0;
    int m_unchanged = 0;
    qint64 m_firstUnchanged = 0;
    QString m_firstReason;
    PositionLine m_firstLine;
    int m_beyond = 0;
};

// The units code a definition text implies, as the positioning page follows
// it: 1 for "units=m", 3 for "proj=longlat" or "units=degrees" (this wins),
// 0 when it says neither.
int unitsCodeOfDefinition(const QString& proj);

// Reads every kept line of the text on device into the import, in order.
// Returns the number of kept lines, or -1 without reading anything when the
// delimiters would cut numbers apart (the reason in *error when given).
int importPositionsFromText(PositionImport& import, QIODevice* device, const TextSplitOptions& options,
                            QString* error = nullptr);
