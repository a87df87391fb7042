#pragma once

#include "fieldnames.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The one catalogue of header fields. Labels, descriptions, start bytes,
// widths, byte offsets and decoders of both header kinds come from here;
// table models, the CSV layout and command-line offsets all read it.

enum class DecoderKind : quint8 {
    None,
    SampleFormat,
    SampleInterval,
    TraceIdentification,
    DataUse,
    Coordinate,                 // Y coordinates: S/N letters, units applied
    CoordinateEastWest,         // X coordinates: W/E letters, units applied
    CoordinateNoUnits,          // CDP Y: always two decimals
    CoordinateEastWestNoUnits,  // CDP X
    CoordinateUnit,
    DataTracesCorrelation,
    SweepType,
    TaperType,
    TimeBasis,
    OverTravel,
    TraceValMeasurementUnit,
    SourceTypeOrientation,
    SourceMeasurementUnit,
    TraceSortingCode,
    BinaryGainRecovery,
    AmplitudeRecoveryMethod,
    MeasurementSystem,
    ImpulseSignalPolarity,
    VibratoryPolarity,
};

struct FieldSpec {
    const char* label;        // "3217-3218", "115-116": bytes counted from 1
    quint8 width;             // 4, 2 or 1 bytes
    DecoderKind decoder;
    const char* description;  // UTF-8
};

// Qt meta-type ids that name a field's kind.
enum FieldKind {
    FieldKindInt = 2,     // QMetaType::Int, 4 bytes
    FieldKindShort = 33,   // QMetaType::Short, 2 bytes
    FieldKindChar = 34,    // QMetaType::Char, 1 byte
    FieldKindUShort = 36,  // QMetaType::UShort, 2 bytes: the sample counts
};

constexpr int BinaryHeaderFieldCount = 30;
constexpr int TraceHeaderFieldCount = 91;
constexpr int TextHeaderSize = 3200;
constexpr int BinaryHeaderSize = 400;
constexpr int TraceHeaderSize = 240;

// A header kind's table with everything derived from the labels.
struct HeaderTable {
    int count;
    const FieldSpec* specs;
    int blockSize;                          // bytes of the header block: 240 or 400
    int startBytes[TraceHeaderFieldCount];  // label's first number
    int offsets[TraceHeaderFieldCount];     // byte offset inside the header block
    int kinds[TraceHeaderFieldCount];       // FieldKind
    // Offsets of the 4-byte and 2-byte fields, for swapping byte order.
    int wideCount;
    int wideOffsets[TraceHeaderFieldCount];
    int shortCount;
    int shortOffsets[TraceHeaderFieldCount];
    // The same swap as a byte shuffle of each 16-byte run of the block, usable
    // because no field crosses a run boundary.
    bool shuffleSwap;
    uchar swapShuffle[BinaryHeaderSize / 16][16];
};

const HeaderTable& binaryHeaderTable();  // offsets relative to file byte 3200
const HeaderTable& traceHeaderTable();   // offsets relative to the trace header start

int fieldKindForWidth(int width);

const QStringList& binaryHeaderLabels();
const QStringList& binaryHeaderDescriptions();
const QList<int>& binaryHeaderStartBytes();
const QStringList& traceHeaderLabels();
const QStringList& traceHeaderDescriptions();
const QList<int>& traceHeaderStartBytes();

// Field index whose label starts with startByte (text before the first "-",
// compared case-insensitively as whole text), or -1.
int binaryHeaderFieldIndex(const QString& startByte);
int traceHeaderFieldIndex(const QString& startByte);
// Field index whose label is exactly label ("115-116"), or -1.
int traceHeaderFieldOfLabel(const QString& label);
