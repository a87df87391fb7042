#include "reprojection.h"

#include "headerchanges.h"
#include "headers.h"
#include "projtransformer.h"
#include "segy.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

namespace {

const double RadiansPerDegree = 0.017453292519943295;
const double DegreesPerRadian = 57.29577951308232;

GeoPoint scaled(GeoPoint p, double factor)
{
    p.x *= factor;
    p.y *= factor;
    p.z *= factor;
    return p;
}

void storageFor(bool geographic, int* multiplier, int* unitsCode)
{
    *multiplier = geographic ? 10000 : 100;
    *unitsCode = geographic ? 3 : 1;
}

// ---- one coordinate pair

// A position as a trace header stores it, with the trace's scalar (never 0)
// and units code (1, 2 or 3): all that its new values depend on.
struct StoredPair
{
    qint32 x;
    qint32 y;
    qint16 scalar;
    qint16 units;

    quint64 xy() const { return quint64(quint32(x)) << 32 | quint32(y); }
    quint32 scaling() const { return quint32(quint16(scalar)) << 16 | quint16(units); }
    bool operator==(const StoredPair& o) const
    {
        return x == o.x && y == o.y && scalar == o.scalar && units == o.units;
    }
};

struct NewPair
{
    qint32 x = 0;
    qint32 y = 0;
};

enum PairOutcome : quint8 { PairDone, PairNotTransformed, PairDoesNotFit };

// The stored value with its scalar undone, as the value decoder reads it.
double unscaled(qint32 value, int scalar)
{
    return scalar > 0 ? double(value) * scalar : double(value) / -scalar;
}

// The new stored values of one pair. Lengths (units 1) go to PROJ as they
// are and angles as degrees, except where the classic convention had them
// otherwise: lengths into a geographic system count as radians, angles into
// a projected one go as radians.
PairOutcome reprojectPair(const ProjTransformer& transformer, const StoredPair& pair, int multiplier, NewPair* out)
{
    double x = unscaled(pair.x, pair.scalar);
    double y = unscaled(pair.y, pair.scalar);
    if (pair.units == 1) {
        if (transformer.sourceIsGeographic()) {
            x *= DegreesPerRadian;
            y *= DegreesPerRadian;
        }
    } else {
        if (pair.units == 2) {
            x /= 3600.0;
            y /= 3600.0;
        }
        if (!transformer.sourceIsGeographic()) {
            x *= RadiansPerDegree;
            y *= RadiansPerDegree;
        }
    }
    double z = 0.0;
    if (!transformer.transformNative(&x, &y, &z))
        return PairNotTransformed;
    return storedCoordinate(x, multiplier, &out->x) && storedCoordinate(y, multiplier, &out->y) ? PairDone : PairDoesNotFit;
}

// ---- the distinct pairs of a file

// Gives each distinct pair an index into a list, in order of first
// appearance. Open addressing over a table of powers of two.
class DistinctPairs
{
public:
    DistinctPairs() : m_slots(1024) {}

    qint32 indexOf(const StoredPair& pair, std::vector<StoredPair>& list)
    {
        if (m_used >= m_slots.size() / 2)
            grow();
        const quint64 xy = pair.xy();
        const quint32 scaling = pair.scaling();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash(xy, scaling) & mask;; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.index < 0) {
                slot = Slot{xy, scaling, qint32(list.size())};
                list.push_back(pair);
                ++m_used;
                return slot.index;
            }
            if (slot.xy == xy && slot.scaling == scaling)
                return slot.index;
        }
    }

private:
    struct Slot
    {
        quint64 xy = 0;
        quint32 scaling = 0;
        qint32 index = -1;
    };

    static size_t hash(quint64 xy, quint32 scaling)
    {
        quint64 k = xy ^ (quint64(scaling) * 0x9E3779B97F4A7C15ULL);
        k ^= k >> 33;
        k *= 0xFF51AFD7ED558CCDULL;
        k ^= k >> 33;
        k *= 0xC4CEB9FE1A85EC53ULL;
        k ^= k >> 33;
        return size_t(k);
    }

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot& s : old) {
            if (s.index < 0)
                continue;
            size_t i = hash(s.xy, s.scaling) & mask;
            while (m_slots[i].index >= 0)
                i = (i + 1) & mask;
            m_slots[i] = s;
        }
    }

    std::vector<Slot> m_slots;
    size_t m_used = 0;
};

constexpr int ScalarField = fieldIndex(TraceField::CoordinateScalar);
constexpr int UnitsField = fieldIndex(TraceField::CoordinateUnit);
// Source, receiver group and CDP: X and Y.
constexpr int PairFields[3][2] = {
    {fieldIndex(TraceField::SourceX), fieldIndex(TraceField::SourceY)},
    {fieldIndex(TraceField::GroupX), fieldIndex(TraceField::GroupY)},
    {fieldIndex(TraceField::CdpX), fieldIndex(TraceField::CdpY)},
};

const qint32 Absent = -1;        // both coordinates 0
const qint32 UnitsRefused = -2;  // units code not 1, 2 or 3

// One thread's share of a run: the distinct pairs of the traces it took and
// their new values.
struct Share
{
    std::vector<StoredPair> distinct;
    std::vector<NewPair> results;
    std::vector<quint8> outcomes;
    // Source, receiver and CDP positions kept apart: each repeats in its own way.
    DistinctPairs kinds[3];
    StoredPair last[3] = {};
    qint32 lastIndex[3] = {Absent, Absent, Absent};
};

// The new values of every position of every trace, worked out before any is
// written. The traces go in chunks to as many threads as there are cores;
// each thread has a transformer, and so a PROJ context, of its own built
// from the same two definitions, and a share of its own whose distinct pairs
// it transforms as it meets them: the channels of a shot share its source
// position and receiver stations come back shot after shot, so a file holds
// far fewer distinct positions than positions. A pair goes through the same
// steps whichever thread takes it, so the results are those of one thread.
class TraceCoordinates
{
public:
    TraceCoordinates(const QList<SEGYTraceHeader*>& headers, int multiplier)
        : m_headers(headers),
          m_multiplier(multiplier),
          m_positions(size_t(headers.size()) * 3, Absent),
          m_chunkCount((size_t(headers.size()) + ChunkTraces - 1) / ChunkTraces),
          m_owners(m_chunkCount, 0)
    {
    }

    // progress(done, total) is called on the calling thread only, which
    // transforms with its own transformer.
    template <typename Progress>
    void work(const ProjTransformer& own, const QString& inputProj, const QString& outputProj, Progress progress)
    {
        // A few chunks are done sooner than helpers set up their systems.
        const size_t cores = size_t(std::max(1, QThread::idealThreadCount()));
        const size_t helpers = m_chunkCount < 4 ? 0 : std::min(m_chunkCount, cores) - 1;
        m_shares.resize(helpers + 1);
        // A helper that cannot start or cannot set up its systems takes no
        // chunk; the others take whatever is left.
        std::vector<std::thread> threads;
        for (size_t h = 1; h <= helpers; ++h) {
            try {
                threads.emplace_back([this, h, &inputProj, &outputProj] {
                    const ProjTransformer transformer(inputProj, outputProj);
                    if (transformer.isValid())
                        takeChunks(h, transformer, [](size_t, size_t) {});
                });
            } catch (const std::system_error&) {
                break;
            }
        }
        takeChunks(0, own, progress);
        for (std::thread& thread : threads)
            thread.join();
    }

    // Where pair p of trace i stands: Absent, UnitsRefused or the outcome of
    // its new values (those in *result when PairDone).
    qint32 outcome(int i, int p, NewPair* result) const
    {
        const qint32 slot = m_positions[size_t(i) * 3 + size_t(p)];
        if (slot < 0)
            return slot;
        const Share& share = m_shares[m_owners[size_t(i) / ChunkTraces]];
        *result = share.results[size_t(slot)];
        return share.outcomes[size_t(slot)];
    }

private:
    static const size_t ChunkTraces = 8192;

    template <typename Progress>
    void takeChunks(size_t shareIndex, const ProjTransformer& transformer, Progress progress)
    {
        Share& share = m_shares[shareIndex];
        for (size_t c = m_next++; c < m_chunkCount; c = m_next++) {
            m_owners[c] = shareIndex;
            const size_t known = share.distinct.size();
            const size_t end = std::min(size_t(m_headers.size()), (c + 1) * ChunkTraces);
            for (size_t i = c * ChunkTraces; i < end; ++i)
                gather(share, i);
            const size_t count = share.distinct.size();
            share.results.resize(count);
            share.outcomes.resize(count);
            for (size_t k = known; k < count; ++k)
                share.outcomes[k] = reprojectPair(transformer, share.distinct[k], m_multiplier, &share.results[k]);
            progress(m_done += 1, m_chunkCount);
        }
    }

    void gather(Share& share, size_t i)
    {
        const SEGYTraceHeader* header = m_headers[int(i)];
        if (!header)
            return;
        const int scalar = header->value(ScalarField);
        const int units = header->value(UnitsField);
        for (int p = 0; p < 3; ++p) {
            const qint32 x = header->value(PairFields[p][0]);
            const qint32 y = header->value(PairFields[p][1]);
            if (x == 0 && y == 0)
                continue;
            qint32& slot = m_positions[i * 3 + size_t(p)];
            if (units < 1 || units > 3) {
                slot = UnitsRefused;
                continue;
            }
            const StoredPair pair{x, y, qint16(scalar == 0 ? 1 : scalar), qint16(units)};
            // The channels of a shot share its source: most pairs of a kind
            // equal the one before.
            if (share.lastIndex[p] < 0 || !(pair == share.last[p])) {
                share.last[p] = pair;
                share.lastIndex[p] = share.kinds[p].indexOf(pair, share.distinct);
            }
            slot = share.lastIndex[p];
        }
    }

    const QList<SEGYTraceHeader*>& m_headers;
    const int m_multiplier;
    // Per pair of each trace: an index into the list of the share that took
    // the trace's chunk, or Absent or UnitsRefused.
    std::vector<qint32> m_positions;
    const size_t m_chunkCount;
    std::vector<size_t> m_owners;  // per chunk: its share
    std::vector<Share> m_shares;
    std::atomic<size_t> m_next{0};
    std::atomic<size_t> m_done{0};
};

}  // namespace

GeoPoint degreesToRadians(GeoPoint point)
{
    return scaled(point, RadiansPerDegree);
}

GeoPoint radiansToDegrees(GeoPoint point)
{
    return scaled(point, DegreesPerRadian);
}

bool storedCoordinate(double value, int multiplier, qint32* stored)
{
    const double r = std::round(value * multiplier);
    if (!(r > double(INT_MIN) && r <= double(INT_MAX)))
        return false;
    *stored = qint32(r);
    return true;
}

void outputScaling(QString proj, int* multiplier, int* unitsCode)
{
    const ProjTransformer transformer(proj, proj);
    if (transformer.isValid())
        storageFor(transformer.targetIsGeographic(), multiplier, unitsCode);
}

GeoPoint transformPoint(CrsDefinition source, CrsDefinition target, GeoPoint point, bool* ok)
{
    const ProjTransformer transformer(source.proj(), target.proj());
    const bool done = transformer.transform(&point.x, &point.y, &point.z);
    if (ok)
        *ok = done;
    return done ? point : GeoPoint();
}

QString ReprojectionReport::text() const
{
    if (failedTraces == 0)
        return error;
    const char* const Context = "ReprojectionReport";
    QString why;
    switch (firstReason) {
    case UnknownUnits:
        why = QCoreApplication::translate(Context, "its coordinate units code is %1, not 1 (length), 2 (seconds of "
                                                   "arc) or 3 (degrees)").arg(firstUnits);
        break;
    case NotTransformed:
        why = QCoreApplication::translate(Context, "PROJ could not transform its coordinates");
        break;
    default:
        why = QCoreApplication::translate(Context, "its new coordinates do not fit the header fields");
        break;
    }
    return QCoreApplication::translate(Context, "%1 of %2 traces could not be reprojected; the first is trace index %3: %4. "
                                                "No trace was changed.")
        .arg(QString::number(failedTraces), QString::number(traceCount), QString::number(firstFailedTrace), why);
}

int reprojectTraceCoordinates(SEGY* segy, int inputEpsg, int outputEpsg, QString inputProj, QString outputProj,
                              ReprojectionReport* report, const std::function<void(int)>& progress)
{
    if (!segy || !segy->isLoaded())
        return -2;
    ReprojectionReport found;
    bool stored = false;
    const int result = [&]() {
        const CrsCatalogue catalogue;
        const CrsResolution input = resolveCrs(catalogue, inputEpsg, inputProj);
        const CrsResolution output = resolveCrs(catalogue, outputEpsg, outputProj);
        found.error = crsPairError(input, output);
        if (!found.error.isEmpty())
            return -1;
        // One transformer for the whole run on this thread: the same two
        // definitions throughout.
        const ProjTransformer transformer(input.definition.proj(), output.definition.proj());
        if (!transformer.isValid()) {
            found.error = !transformer.error().isEmpty()
                              ? transformer.error() + QLatin1Char('.')
                              : QCoreApplication::translate("ReprojectionReport",
                                                            "PROJ cannot transform coordinates between these systems.");
            return -1;
        }
        int multiplier = 100;
        int unitsCode = 1;
        storageFor(transformer.targetIsGeographic(), &multiplier, &unitsCode);

        // Nothing below processes events: the header pointers stay valid.
        const QList<SEGYTraceHeader*> headers = segy->traceHeaders();
        const int n = headers.size();
        found.traceCount = n;

        int lastPercent = -1;
        auto reportProgress = [&](size_t done, size_t total) {
            const int percent = int(std::min<quint64>(99, quint64(done) * 100 / std::max<size_t>(total, 1)));
            if (percent != lastPercent) {
                lastPercent = percent;
                if (progress)
                    progress(percent);
            }
        };
        reportProgress(0, 1);
        TraceCoordinates coordinates(headers, multiplier);
        coordinates.work(transformer, input.definition.proj(), output.definition.proj(), reportProgress);

        // Any trace that cannot be reprojected stops the whole run.
        NewPair pair;
        for (int i = 0; i < n; ++i) {
            for (int p = 0; p < 3; ++p) {
                ReprojectionReport::Reason reason = ReprojectionReport::None;
                switch (coordinates.outcome(i, p, &pair)) {
                case UnitsRefused: reason = ReprojectionReport::UnknownUnits; break;
                case PairNotTransformed: reason = ReprojectionReport::NotTransformed; break;
                case PairDoesNotFit: reason = ReprojectionReport::DoesNotFit; break;
                default: continue;
                }
                if (found.failedTraces++ == 0) {
                    found.firstFailedTrace = i;
                    found.firstReason = reason;
                    found.firstUnits = headers[i]->value(UnitsField);
                }
                break;
            }
        }
        if (found.failedTraces > 0)
            return -1;

        HeaderChanges changes;
        changes.reserve(size_t(n) * 8);
        for (int i = 0; i < n; ++i) {
            if (!headers[i])
                continue;
            for (int p = 0; p < 3; ++p) {
                if (coordinates.outcome(i, p, &pair) != PairDone)
                    continue;
                changes.setTraceValue(i, PairFields[p][0], pair.x);
                changes.setTraceValue(i, PairFields[p][1], pair.y);
            }
            changes.setTraceValue(i, UnitsField, unitsCode);
            changes.setTraceValue(i, ScalarField, -multiplier);
        }
        const ApplyResult applied = segy->apply(changes);
        if (!applied.ok) {
            found.error = applied.error;
            return -1;
        }
        stored = true;
        found.changedTraces = applied.changedTraces;
        return 0;
    }();
    // Listeners see every run begin and end, also one that stores nothing.
    if (!stored)
        segy->apply(HeaderChanges());
    if (report)
        *report = found;
    return result;
}
