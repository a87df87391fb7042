#pragma once

#include "crsdefinition.h"

#include <QString>

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

// Storage of reprojected coordinates for an output definition: hundredths of
// the length unit (multiplier 100, units code 1) unless the text names a
// geographic system ("proj=longlat" or "units=degrees"): 1/10000 degree
// (multiplier 10000, units code 3). The caller sets the defaults 100 and 1.
void outputScaling(QString proj, int* multiplier, int* unitsCode);

// Transforms one point from source to target; geographic coordinates are in
// radians on both sides. ok (when given) says whether PROJ accepted both
// definitions and gave a finite result; on failure the result is (0, 0, 0).
// The PROJ objects for a pair of definitions are built once and reused.
GeoPoint transformPoint(CrsDefinition source, CrsDefinition target, GeoPoint point, bool* ok);

// Moves the source, receiver group and CDP coordinates of every trace from
// one system to the other. A text beginning with "+" is a PROJ definition and
// takes precedence over the EPSG code of its side; codes are looked up in the
// catalogue. A trace whose pairs cannot all be transformed and stored is left
// exactly as it was. Returns 0 when all went well, -1 when a system cannot be
// set up (nothing changed) or some trace was left as it was, -2 when the file
// object has no file loaded.
int reprojectTraceCoordinates(SEGY* segy, int inputEpsg, int outputEpsg, QString inputProj, QString outputProj);
