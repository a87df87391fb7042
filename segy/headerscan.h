#pragma once

#include "fieldlayout.h"

#include <QList>
#include <QString>
#include <vector>

class SEGY;

// Which trace header bytes hold the survey's inline and crossline numbers,
// CDP and source coordinates, offset and shot point, found from how values
// behave from trace to trace: every 2-, 4- and 8-byte run of bytes at an
// even offset, read as each integer and float type of its width, is judged
// on a contiguous block of traces (constant, monotone, cycling with a
// period, stepping on a grid, coordinate-like and smooth); the best
// candidate of each role is then checked over every trace.
struct ScanSuggestion {
    QString role;         // "inline", "crossline", "cdp_x", ...
    FieldDescription field;
    QString confidence;   // "high", "medium" or "low"
    QString evidence;     // what the values do, in words
};

struct ScanResult {
    QList<ScanSuggestion> suggestions;
    int tracesJudged = 0;  // the block the candidates were judged on
    // The suggestions as a layout, fields named by role.
    FieldLayout layout() const;
};

ScanResult scanTraceHeaders(const SEGY& segy);
