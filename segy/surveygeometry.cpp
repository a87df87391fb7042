#include "surveygeometry.h"

#include "coordinatescalar.h"
#include "headers.h"
#include "segy.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SurveyGeometry", text);
}

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double MetresPerFoot = 0.3048;
// Node tables larger than this are not built (a few stray numbers would
// otherwise ask for gigabytes).
const qint64 MaxNodes = qint64(1) << 26;
// The sine of the smallest angle between the grid directions (about 6 degrees).
const double MinGridSine = 0.1;

// Where one field lies in a header block.
struct Slot {
    int offset;
    int kind;
    explicit Slot(int field) : offset(traceHeaderTable().offsets[field]), kind(traceHeaderTable().kinds[field]) {}
    explicit Slot(TraceField field) : Slot(fieldIndex(field)) {}
    qint32 in(const uchar* block) const { return CHeader::valueIn(block + offset, kind); }
};

// Degrees from "DDDMMSS.ss" as units code 4 stores them.
double fromDegreesMinutesSeconds(double value)
{
    const double sign = value < 0 ? -1.0 : 1.0;
    value = std::fabs(value);
    const double degrees = std::floor(value / 10000.0);
    const double minutes = std::floor((value - degrees * 10000.0) / 100.0);
    const double seconds = value - degrees * 10000.0 - minutes * 100.0;
    return sign * (degrees + minutes / 60.0 + seconds / 3600.0);
}

double azimuth(double east, double north)
{
    double degrees = std::atan2(east, north) * 180.0 / M_PI;
    if (degrees < 0)
        degrees += 360.0;
    // A hair west of north reads as north, not as 360.
    return degrees > 359.99995 ? 0.0 : degrees;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + qptrdiff(middle), values.end());
    return values[middle];
}

void fitGrid(const TracePositions& p, const std::vector<int>& cdpTraces, int listed, SurveyGeometry* g);
void describeLine(const TracePositions& p, const std::vector<int>& cdpTraces, int keyField,
                  const std::vector<qint32>* keys, int listed, SurveyGeometry* g);
void checkOffsets(const TracePositions& p, SurveyGeometry* g);

}  // namespace

QString TracePositions::layerName(int layer)
{
    switch (layer) {
    case Sources: return tr("Sources");
    case Receivers: return tr("Receivers");
    default: return tr("CDPs");
    }
}

QString TracePositions::unitName() const
{
    if (geographic && !projected)
        return QStringLiteral("deg");
    return feet ? QStringLiteral("ft") : QStringLiteral("m");
}

TracePositions readTracePositions(const SEGY& segy, int inlineField, int crosslineField)
{
    TracePositions p;
    p.inlineField = inlineField;
    p.crosslineField = crosslineField;
    p.feet = segy.mainHeaderValue(fieldIndex(BinaryField::MeasurementSystem)) == 2;
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    const size_t n = size_t(headers.size());
    p.inlines.resize(n);
    p.crosslines.resize(n);
    p.offsets.resize(n);
    p.cdpNumbers.resize(n);

    const Slot xs[] = {Slot(TraceField::SourceX), Slot(TraceField::GroupX), Slot(TraceField::CdpX)};
    const Slot ys[] = {Slot(TraceField::SourceY), Slot(TraceField::GroupY), Slot(TraceField::CdpY)};
    const Slot scalar(TraceField::CoordinateScalar), unit(TraceField::CoordinateUnit);
    const Slot elevationScalar(TraceField::ElevationScalar), sourceElevation(TraceField::SourceSurfaceElevation),
        receiverElevation(TraceField::ReceiverElevation), offset(TraceField::Offset), cdp(TraceField::Ensemble);
    const Slot inl(inlineField), xl(crosslineField);
    static const uchar zeros[TraceHeaderSize] = {};
    bool lengths = false;
    for (size_t t = 0; t < n; ++t) {
        const SEGYTraceHeader* header = headers.at(int(t));
        const uchar* block = header ? header->rawBlock() : zeros;
        const int s = scalar.in(block);
        const int units = unit.in(block);
        for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
            const qint32 storedX = xs[layer].in(block), storedY = ys[layer].in(block);
            if (storedX == 0 && storedY == 0)
                continue;
            double x = scaledValue(storedX, s), y = scaledValue(storedY, s);
            if (units == 2) {
                x /= 3600.0;
                y /= 3600.0;
            } else if (units == 4) {
                x = fromDegreesMinutesSeconds(x);
                y = fromDegreesMinutesSeconds(y);
            }
            if (units >= 2 && units <= 4)
                p.geographic = true;
            else
                lengths = true;
            // A layer's values are made at its first position.
            if (p.x[layer].empty()) {
                p.x[layer].assign(n, NaN);
                p.y[layer].assign(n, NaN);
            }
            p.x[layer][t] = x;
            p.y[layer][t] = y;
        }
        p.inlines[t] = inl.in(block);
        p.crosslines[t] = xl.in(block);
        p.offsets[t] = offset.in(block);
        p.cdpNumbers[t] = cdp.in(block);
        const int e = elevationScalar.in(block);
        for (const qint32 stored : {sourceElevation.in(block), receiverElevation.in(block)}) {
            if (stored == 0)
                continue;
            const double v = scaledValue(stored, e);
            p.minElevation = p.elevations ? std::min(p.minElevation, v) : v;
            p.maxElevation = p.elevations ? std::max(p.maxElevation, v) : v;
            p.elevations = true;
        }
    }
    p.mixedUnits = p.geographic && lengths;
    return p;
}

std::vector<qint32> traceFieldValues(const SEGY& segy, int field)
{
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    std::vector<qint32> values(size_t(headers.size()), 0);
    const Slot slot(field);
    for (int t = 0; t < headers.size(); ++t)
        if (const SEGYTraceHeader* header = headers.at(t))
            values[size_t(t)] = slot.in(header->rawBlock());
    return values;
}

SurveyGeometry surveyGeometry(const TracePositions& p, int listed)
{
    SurveyGeometry g;
    const int n = p.traceCount();
    g.traceCount = n;
    g.unit = p.unitName();
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        PositionExtent& e = g.extents[layer];
        e.minX = e.minY = std::numeric_limits<double>::infinity();
        e.maxX = e.maxY = -e.minX;
        const double* xs = p.x[layer].data();
        const double* ys = p.y[layer].data();
        for (int t = 0; t < n && xs; ++t) {
            if (xs[t] != xs[t])
                continue;
            ++e.present;
            e.minX = std::min(e.minX, xs[t]);
            e.maxX = std::max(e.maxX, xs[t]);
            e.minY = std::min(e.minY, ys[t]);
            e.maxY = std::max(e.maxY, ys[t]);
        }
        e.absent = n - e.present;
        if (e.present == 0)
            e.minX = e.maxX = e.minY = e.maxY = 0;
    }
    if (p.mixedUnits)
        g.notes << tr("Some traces hold their positions as angles and others as lengths (units 89-90).");

    const bool angles = p.geographic && !p.projected;
    std::vector<int> cdpTraces;
    cdpTraces.reserve(size_t(g.extents[TracePositions::Cdps].present));
    for (int t = 0; t < n; ++t)
        if (p.present(TracePositions::Cdps, t))
            cdpTraces.push_back(t);
    if (cdpTraces.empty()) {
        g.notes << tr("No trace has a CDP position (181-188): no bin grid or line to describe.");
    } else {
        auto varies = [&](const std::vector<qint32>& values) {
            const qint32 first = values[size_t(cdpTraces.front())];
            return std::any_of(cdpTraces.begin(), cdpTraces.end(),
                               [&](int t) { return values[size_t(t)] != first; });
        };
        const bool inlinesVary = varies(p.inlines), crosslinesVary = varies(p.crosslines);
        g.kind = inlinesVary && crosslinesVary ? SurveyGeometry::Grid3D : SurveyGeometry::Line2D;
        if (angles) {
            g.notes << tr("Positions are geographic (degrees): the bin grid and distances are not worked out; "
                          "give a projected system with --epsg.");
        } else if (g.kind == SurveyGeometry::Grid3D) {
            fitGrid(p, cdpTraces, listed, &g);
            if (!g.grid.fitted || g.grid.degenerate)
                g.kind = SurveyGeometry::Line2D;
        }
        if (!angles && g.kind == SurveyGeometry::Line2D) {
            if (inlinesVary && !crosslinesVary)
                describeLine(p, cdpTraces, p.inlineField, &p.inlines, listed, &g);
            else if (crosslinesVary && !inlinesVary)
                describeLine(p, cdpTraces, p.crosslineField, &p.crosslines, listed, &g);
            else if (varies(p.cdpNumbers))
                describeLine(p, cdpTraces, fieldIndex(TraceField::Ensemble), &p.cdpNumbers, listed, &g);
            else
                describeLine(p, cdpTraces, -1, nullptr, listed, &g);
        }
    }
    if (angles) {
        if (g.extents[TracePositions::Sources].present && g.extents[TracePositions::Receivers].present)
            g.notes << tr("Offsets are not compared with positions in degrees.");
    } else {
        checkOffsets(p, &g);
    }
    return g;
}

namespace {

void fitGrid(const TracePositions& p, const std::vector<int>& cdpTraces, int listed, SurveyGeometry* g)
{
    BinGrid& grid = g->grid;
    const double* xs = p.x[TracePositions::Cdps].data();
    const double* ys = p.y[TracePositions::Cdps].data();
    const qint32* inls = p.inlines.data();
    const qint32* xls = p.crosslines.data();

    // Sums about the first trace, so that large coordinates lose nothing.
    const int first = cdpTraces.front();
    const double x0 = xs[first], y0 = ys[first];
    const qint32 il0 = inls[first], xl0 = xls[first];
    double su = 0, sv = 0, suu = 0, suv = 0, svv = 0, sx = 0, sy = 0, sux = 0, svx = 0, suy = 0, svy = 0;
    qint32 ilMin = il0, ilMax = il0, xlMin = xl0, xlMax = xl0;
    quint32 ilGcd = 0, xlGcd = 0;
    for (int t : cdpTraces) {
        const double u = double(inls[t]) - il0, v = double(xls[t]) - xl0;
        const double x = xs[t] - x0, y = ys[t] - y0;
        su += u;
        sv += v;
        suu += u * u;
        suv += u * v;
        svv += v * v;
        sx += x;
        sy += y;
        sux += u * x;
        svx += v * x;
        suy += u * y;
        svy += v * y;
        ilMin = std::min(ilMin, inls[t]);
        ilMax = std::max(ilMax, inls[t]);
        xlMin = std::min(xlMin, xls[t]);
        xlMax = std::max(xlMax, xls[t]);
        if (ilGcd != 1)
            ilGcd = std::gcd(ilGcd, quint32(std::llabs(qint64(inls[t]) - il0)));
        if (xlGcd != 1)
            xlGcd = std::gcd(xlGcd, quint32(std::llabs(qint64(xls[t]) - xl0)));
    }
    const double n = double(cdpTraces.size());
    const double mu = su / n, mv = sv / n, mx = sx / n, my = sy / n;
    const double cuu = suu / n - mu * mu, cuv = suv / n - mu * mv, cvv = svv / n - mv * mv;
    const double cux = sux / n - mu * mx, cvx = svx / n - mv * mx, cuy = suy / n - mu * my, cvy = svy / n - mv * my;
    const double det = cuu * cvv - cuv * cuv;
    if (!(det > 1e-9 * cuu * cvv)) {
        g->notes << tr("Inline and crossline numbers change together: no bin grid to fit.");
        return;
    }
    grid.fitted = true;
    grid.traces = qint64(cdpTraces.size());
    grid.ax = (cvv * cux - cuv * cvx) / det;
    grid.bx = (cuu * cvx - cuv * cux) / det;
    grid.ay = (cvv * cuy - cuv * cvy) / det;
    grid.by = (cuu * cvy - cuv * cuy) / det;
    grid.inlineMin = ilMin;
    grid.inlineMax = ilMax;
    grid.crosslineMin = xlMin;
    grid.crosslineMax = xlMax;
    grid.inlineStep = qint32(std::max<quint32>(ilGcd, 1));
    grid.crosslineStep = qint32(std::max<quint32>(xlGcd, 1));
    // The fit's value at the first inline and crossline.
    grid.originX = x0 + mx + (double(ilMin) - il0 - mu) * grid.ax + (double(xlMin) - xl0 - mv) * grid.bx;
    grid.originY = y0 + my + (double(ilMin) - il0 - mu) * grid.ay + (double(xlMin) - xl0 - mv) * grid.by;
    grid.inlineAzimuth = azimuth(grid.bx, grid.by);
    grid.crosslineAzimuth = azimuth(grid.ax, grid.ay);
    grid.inlineBinSize = std::hypot(grid.bx, grid.by) * grid.crosslineStep;
    grid.crosslineBinSize = std::hypot(grid.ax, grid.ay) * grid.inlineStep;
    const qint32 cornerNumbers[4][2] = {{ilMin, xlMin}, {ilMin, xlMax}, {ilMax, xlMax}, {ilMax, xlMin}};
    for (int c = 0; c < 4; ++c) {
        const qint32 il = cornerNumbers[c][0], xl = cornerNumbers[c][1];
        grid.corners[c] = GridCorner{il, xl, grid.nodeX(il, xl), grid.nodeY(il, xl)};
    }

    // Residuals, and each trace's place in its cell: the residual in steps
    // of the two grid directions.
    const double cellAx = grid.ax * grid.inlineStep, cellAy = grid.ay * grid.inlineStep;
    const double cellBx = grid.bx * grid.crosslineStep, cellBy = grid.by * grid.crosslineStep;
    const double cross = cellAx * cellBy - cellAy * cellBx;
    // Bin grids have their two directions far apart; numbers that follow
    // one direction (shots and stations of a line) make no cells.
    grid.degenerate = !(std::fabs(cross) > MinGridSine * grid.inlineBinSize * grid.crosslineBinSize);
    if (grid.degenerate)
        g->notes << tr("The inline and crossline directions are less than 6 degrees apart: the numbers make no bin "
                       "cells, and the CDPs are described as a line.");
    double squares = 0;
    for (int t : cdpTraces) {
        const double rx = xs[t] - grid.nodeX(inls[t], xls[t]);
        const double ry = ys[t] - grid.nodeY(inls[t], xls[t]);
        const double r2 = rx * rx + ry * ry;
        squares += r2;
        if (r2 > grid.maxResidual) {
            grid.maxResidual = r2;
            grid.maxResidualTrace = t;
        }
        if (grid.degenerate)
            continue;
        const double s = (rx * cellBy - ry * cellBx) / cross;
        const double u = (cellAx * ry - cellAy * rx) / cross;
        if (std::fabs(s) > 0.5 || std::fabs(u) > 0.5) {
            if (grid.offNodeTraces++ < listed)
                grid.firstOffNode.push_back(OffNodeTrace{t, inls[t], xls[t], std::sqrt(r2)});
        }
    }
    grid.maxResidual = std::sqrt(grid.maxResidual);
    grid.rmsResidual = std::sqrt(squares / n);
    if (grid.degenerate)
        return;

    // Traces per node, saturating; traces whose numbers lie off the grid
    // are not counted.
    const qint64 columns = (qint64(xlMax) - xlMin) / grid.crosslineStep + 1;
    const qint64 nodes = ((qint64(ilMax) - ilMin) / grid.inlineStep + 1) * columns;
    if (nodes > MaxNodes) {
        g->notes << tr("%1 grid nodes are too many to look for missing and duplicate ones.").arg(nodes);
        return;
    }
    grid.nodesCounted = true;
    grid.nodes = nodes;
    std::vector<quint8> counts(size_t(nodes), 0);
    const int n0 = p.traceCount();
    for (int t = 0; t < n0; ++t) {
        const qint64 i = qint64(inls[t]) - ilMin, j = qint64(xls[t]) - xlMin;
        if (i < 0 || j < 0 || inls[t] > ilMax || xls[t] > xlMax || i % grid.inlineStep || j % grid.crosslineStep)
            continue;
        quint8& c = counts[size_t(i / grid.inlineStep * columns + j / grid.crosslineStep)];
        c += c < 255;
    }
    for (qint64 k = 0; k < nodes; ++k) {
        const quint8 c = counts[size_t(k)];
        if (c == 1)
            continue;
        const GridNode node{qint32(ilMin + k / columns * grid.inlineStep),
                            qint32(xlMin + k % columns * grid.crosslineStep), c};
        if (c == 0 && grid.missingNodes++ < listed)
            grid.firstMissing.push_back(node);
        if (c > 1 && grid.duplicateNodes++ < listed)
            grid.firstDuplicates.push_back(node);
    }
}

void describeLine(const TracePositions& p, const std::vector<int>& cdpTraces, int keyField,
                  const std::vector<qint32>* keys, int listed, SurveyGeometry* g)
{
    SeismicLine& line = g->line;
    line.described = true;
    line.keyField = keyField;
    const double* xs = p.x[TracePositions::Cdps].data();
    const double* ys = p.y[TracePositions::Cdps].data();

    // One point per number, at its first trace, in the order of the numbers;
    // without numbers, the CDPs in trace order where they move.
    std::vector<int> points;
    std::vector<qint32> numbers;
    if (keys) {
        std::vector<quint64> order;
        order.reserve(cdpTraces.size());
        for (int t : cdpTraces)
            order.push_back(quint64(quint32((*keys)[size_t(t)]) ^ 0x80000000u) << 32 | quint32(t));
        std::sort(order.begin(), order.end());
        for (size_t k = 0; k < order.size(); ++k) {
            if (k > 0 && order[k] >> 32 == order[k - 1] >> 32)
                continue;
            points.push_back(int(order[k] & 0xFFFFFFFFu));
            numbers.push_back(qint32(quint32(order[k] >> 32) ^ 0x80000000u));
        }
    } else {
        for (int t : cdpTraces) {
            if (!points.empty() && xs[points.back()] == xs[t] && ys[points.back()] == ys[t])
                continue;
            points.push_back(t);
            numbers.push_back(t);
        }
    }
    line.points = qint64(points.size());
    std::vector<double> spacings;
    spacings.reserve(points.size());
    for (size_t k = 1; k < points.size(); ++k)
        spacings.push_back(std::hypot(xs[points[k]] - xs[points[k - 1]], ys[points[k]] - ys[points[k - 1]]));
    if (spacings.empty())
        return;
    line.length = std::accumulate(spacings.begin(), spacings.end(), 0.0);
    line.minSpacing = *std::min_element(spacings.begin(), spacings.end());
    line.maxSpacing = *std::max_element(spacings.begin(), spacings.end());
    line.medianSpacing = median(spacings);
    for (size_t k = 0; k < spacings.size(); ++k) {
        if (spacings[k] > 1.5 * line.medianSpacing && line.gaps++ < listed)
            line.firstGaps.push_back(LineGap{numbers[k], numbers[k + 1], spacings[k]});
    }
}

void checkOffsets(const TracePositions& p, SurveyGeometry* g)
{
    OffsetCheck& check = g->offsets;
    const double limit = p.feet ? 1.0 / MetresPerFoot : 1.0;
    double squares = 0;
    bool offsetsGiven = false;
    const int n = p.traceCount();
    for (int t = 0; t < n; ++t) {
        if (!p.present(TracePositions::Sources, t) || !p.present(TracePositions::Receivers, t))
            continue;
        const size_t i = size_t(t);
        const double distance = std::hypot(p.x[TracePositions::Receivers][i] - p.x[TracePositions::Sources][i],
                                           p.y[TracePositions::Receivers][i] - p.y[TracePositions::Sources][i]);
        const double difference = std::fabs(std::fabs(double(p.offsets[i])) - distance);
        offsetsGiven |= p.offsets[i] != 0;
        ++check.traces;
        squares += difference * difference;
        check.overOneMetre += difference > limit;
        if (check.maxDifferenceTrace < 0 || difference > check.maxDifference) {
            check.maxDifference = difference;
            check.maxDifferenceTrace = t;
        }
    }
    if (check.traces == 0)
        return;
    check.checked = true;
    check.rmsDifference = std::sqrt(squares / double(check.traces));
    if (!offsetsGiven)
        g->notes << tr("The offset (37-40) is 0 in every trace with source and receiver positions.");
}

}  // namespace
