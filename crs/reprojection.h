#pragma once

#include "crsdefinition.h"

#include <QString>
#include <functional>

class SEGY;

// A point in a reference system; for geographic systems x is the longitude
// and y the latitude.
struct GeoPoint
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

GeoPoint degreesToRadians(GeoPoint point);
GeoPoint radiansToDegrees(GeoPoint point);

// Storage of reprojected coordinates in an output system given as a PROJ
// definition: 1/10000 degree (multiplier 10000, units code 3) when PROJ has
// the system in degrees, hundredths of the length unit (multiplier 100,
// units code 1) for any other system. A definition PROJ refuses leaves the
// caller's values (the defaults are 100 and 1).
void outputScaling(QString proj, int* multiplier, int* unitsCode);

// A coordinate as stored: multiplier × value rounded to the nearest integer
// (truncating would turn 512345.67 m, held as 51234566.999..., into a
// centimetre less); false when a 4-byte field cannot hold it (NaN, the most
// negative int, or beyond).
bool storedCoordinate(double value, int multiplier, qint32* stored);

// Transforms one point from source to target; geographic coordinates are in
// radians on both sides. ok (when given) says whether PROJ accepted both
// definitions and gave a finite result; on failure the result is (0, 0, 0).
// The PROJ objects are set up for this one call: to transform many points,
// keep a ProjTransformer.
GeoPoint transformPoint(CrsDefinition source, CrsDefinition target, GeoPoint point, bool* ok);

// What a reprojection found wrong with the traces it could not reproject.
struct ReprojectionReport
{
    enum Reason {
        None,
        UnknownUnits,     // coordinate units code other than 1, 2 or 3
        NotTransformed,   // PROJ gave no finite result for a pair
        DoesNotFit,       // a new coordinate does not fit its 32-bit field
    };

    int traceCount = 0;         // traces of the file
    int failedTraces = 0;       // traces that could not be reprojected
    int firstFailedTrace = -1;  // zero-based index of the first of them
    Reason firstReason = None;  // why that one failed
    int firstUnits = 0;         // its units code, for UnknownUnits
    // Why the run could not start (no catalogue, a system it does not hold,
    // a definition PROJ refuses) or could not store its values.
    QString error;
    qint64 changedTraces = 0;   // traces whose headers changed

    // One sentence for the user: how many traces failed, which came first
    // (numbered from 1) and why, and that no trace was changed; or the error.
    QString text() const;
};

// Moves the source, receiver group and CDP coordinates of every trace from
// one system to the other. A text beginning with "+" is a PROJ definition and
// takes precedence over the EPSG code of its side; codes are looked up in the
// catalogue beside the executable (see resolveCrs). A pair is a position unless both of its coordinates are 0; the
// trace's scalar applies (0 counts as 1) and its units code must be 1
// (length), 2 (seconds of arc) or 3 (degrees) when it has a position. New
// coordinates are rounded to the nearest unit of the new scalar.
//
// All or nothing: every trace is worked out before any is changed, and when
// one cannot be reprojected no trace changes; report (when given) then says
// how many failed and which came first, or why no system could be set up.
// The new values are stored in one SEGY::apply. Returns 0 when all went well,
// -1 when a system cannot be set up or some trace cannot be reprojected
// (nothing changed either way), -2 when the file object has no file loaded.
// editStarted and editCompleted come in pairs (none for -2). progress (when
// given) follows the working out of the new values, in percent, called only
// when the percentage changes; the file object's editProgress follows the
// storing.
int reprojectTraceCoordinates(SEGY* segy, int inputEpsg, int outputEpsg, QString inputProj, QString outputProj,
                              ReprojectionReport* report = nullptr,
                              const std::function<void(int percent)>& progress = {});
