#pragma once

#include <QString>

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

    QString sampleIntervalMilliseconds() const;
    QString byteOrder() const;  // "Little Endian" or "Big Endian"
};

// Without a binary header the texts are empty and the numbers 0.
FileSummary fileSummary(const SEGY& segy);
