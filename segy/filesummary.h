#pragma once

#include <QString>
#include <QStringList>

class SEGY;

// What the summary of a loaded file shows, as the command line's info and
// the window's summary pane present it.
struct FileSummary {
    QString sampleFormat;     // decoded format code
    int sampleFormatCode = 0;
    int sampleInterval = 0;   // microseconds
    QString samplingFrequency;
    int traceCount = 0;
    int samplesCount = 0;
    int extendedTextHeaders = 0;
    bool littleEndian = false;
    // Revision 2 files: "2.0" or "2.1", the names of the first trace's
    // additional headers, the number of trailer stanzas; the format the
    // user read the file with instead of its own.
    QString revision2;
    QStringList traceHeaderExtensions;
    int trailerStanzas = 0;
    bool formatOverridden = false;

    QString sampleIntervalMilliseconds() const;
    QString byteOrder() const;  // "Little Endian" or "Big Endian"
};

// Without a binary header the texts are empty and the numbers 0.
FileSummary fileSummary(const SEGY& segy);
