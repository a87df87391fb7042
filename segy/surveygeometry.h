#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

class SEGY;
class SEGYTraceHeader;

// The positions of every trace of a file, with each trace's coordinate
// scalar (71-72) and coordinate unit (89-90) applied: lengths as they are
// (in the file's measurement system), angles (seconds of arc, degrees, or
// degrees-minutes-seconds) as decimal degrees. A pair whose two stored
// values are 0 is absent and holds NaN; a layer absent from every trace
// holds no values at all.
struct TracePositions {
    enum Layer { Sources, Receivers, Cdps, LayerCount };
    // "Sources", "Receivers", "CDPs".
    static QString layerName(int layer);

    std::vector<double> x[LayerCount];  // empty, or one per trace
    std::vector<double> y[LayerCount];
    std::vector<qint32> inlines;     // the inline and crossline numbers
    std::vector<qint32> crosslines;  // from the bytes chosen
    std::vector<qint32> offsets;     // 37-40
    std::vector<qint32> cdpNumbers;  // 21-24
    // The range of the source surface (45-48) and receiver group (41-44)
    // elevations other than 0, with the elevation scalar (69-70) applied.
    bool elevations = false;
    double minElevation = 0;
    double maxElevation = 0;

    int inlineField = -1;  // trace header field indexes
    int crosslineField = -1;
    bool geographic = false;  // some trace has its positions as angles
    bool mixedUnits = false;  // and some other trace as lengths
    bool projected = false;   // angles were projected into a length system
    bool feet = false;        // the binary header's measurement system is feet

    int traceCount() const { return int(inlines.size()); }
    bool present(int layer, int trace) const
    {
        return !x[layer].empty() && x[layer][size_t(trace)] == x[layer][size_t(trace)];
    }
    // "m", "ft" or "deg".
    QString unitName() const;
};

// Reads the positions of every trace; inlineField and crosslineField are
// trace header field indexes (by default 189 and 193).
TracePositions readTracePositions(const SEGY& segy, int inlineField, int crosslineField);

// Where positions lie, per layer.
struct PositionExtent {
    qint64 present = 0;
    qint64 absent = 0;  // both stored values 0
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
};

struct GridNode {
    qint32 inl = 0;
    qint32 xl = 0;
    int traces = 0;  // traces at the node (duplicates)
};

struct OffNodeTrace {
    int trace = 0;  // 0-based index
    qint32 inl = 0;
    qint32 xl = 0;
    double distance = 0;  // from its node
};

struct GridCorner {
    qint32 inl = 0;
    qint32 xl = 0;
    double x = 0;
    double y = 0;
};

// The affine bin grid X, Y = origin + (il - first il) * a + (xl - first xl) * b
// fitted by least squares to the CDP positions of every trace.
struct BinGrid {
    bool fitted = false;
    qint64 traces = 0;  // traces the fit used
    qint32 inlineMin = 0, inlineMax = 0, inlineStep = 1;
    qint32 crosslineMin = 0, crosslineMax = 0, crosslineStep = 1;
    double originX = 0, originY = 0;  // the node of the first inline and crossline
    double ax = 0, ay = 0;  // change of position per inline number
    double bx = 0, by = 0;  // per crossline number
    // Degrees clockwise from grid north, 0 to 360: the direction in which an
    // inline runs (towards higher crossline numbers) and a crossline runs.
    double inlineAzimuth = 0, crosslineAzimuth = 0;
    // Distance between neighbouring crosslines along an inline, and between
    // neighbouring inlines along a crossline.
    double inlineBinSize = 0, crosslineBinSize = 0;
    double rmsResidual = 0, maxResidual = 0;
    int maxResidualTrace = -1;
    bool degenerate = false;  // the two directions are parallel: no cells
    qint64 offNodeTraces = 0;  // further than half a bin from their node
    std::vector<OffNodeTrace> firstOffNode;
    GridCorner corners[4];  // round the outline from the first node
    bool nodesCounted = false;
    qint64 nodes = 0;
    qint64 missingNodes = 0;
    std::vector<GridNode> firstMissing;
    qint64 duplicateNodes = 0;
    std::vector<GridNode> firstDuplicates;

    // The position of a node.
    double nodeX(double inl, double xl) const { return originX + (inl - inlineMin) * ax + (xl - crosslineMin) * bx; }
    double nodeY(double inl, double xl) const { return originY + (inl - inlineMin) * ay + (xl - crosslineMin) * by; }
};

// A 2-D line: its CDP positions in the order of their numbers.
struct LineGap {
    qint32 from = 0;  // numbers of the CDPs on either side
    qint32 to = 0;
    double distance = 0;
};

struct SeismicLine {
    bool described = false;
    int keyField = -1;  // the numbers that order the CDPs; -1: trace order
    qint64 points = 0;  // distinct CDPs
    double length = 0;  // along the CDPs
    double medianSpacing = 0, minSpacing = 0, maxSpacing = 0;
    qint64 gaps = 0;  // spacings over 1.5 times the median
    std::vector<LineGap> firstGaps;
};

// The header offsets against the distance from source to receiver group.
struct OffsetCheck {
    bool checked = false;
    qint64 traces = 0;  // with both positions
    double rmsDifference = 0, maxDifference = 0;
    int maxDifferenceTrace = -1;
    qint64 overOneMetre = 0;
};

struct SurveyGeometry {
    enum Kind { NoPositions, Grid3D, Line2D };

    int traceCount = 0;
    QString unit;  // of positions and distances
    PositionExtent extents[TracePositions::LayerCount];
    Kind kind = NoPositions;
    BinGrid grid;
    SeismicLine line;
    OffsetCheck offsets;
    QStringList notes;  // what could not be worked out, and why
};

// How many problem nodes, traces and gaps a report names.
constexpr int GeometryListed = 10;

SurveyGeometry surveyGeometry(const TracePositions& positions, int listed = GeometryListed);

// A field's values for every trace (index in the trace header table).
std::vector<qint32> traceFieldValues(const SEGY& segy, int field);
