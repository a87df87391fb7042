#include "reprojection.h"

#include "headerfields.h"
#include "projtransformer.h"
#include "segy.h"

#include <QVariant>
#include <climits>
#include <cmath>

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

CrsDefinition systemFor(int epsg, const QString& proj)
{
    if (proj.startsWith(QLatin1Char('+')))
        return CrsDefinition(proj, -1, QString());
    const QList<CrsDefinition> found = crsById(epsg);
    return found.isEmpty() ? CrsDefinition() : found.first();
}

// multiplier × value truncated toward zero, when the field can hold it (the
// most negative int is not a storable value).
bool storable(double value, int multiplier, int* stored)
{
    const double t = std::trunc(double(multiplier) * value);
    if (!(t > double(INT_MIN) && t <= double(INT_MAX)))
        return false;
    *stored = int(t);
    return true;
}

}  // namespace

GeoPoint degreesToRadians(GeoPoint point)
{
    return scaled(point, RadiansPerDegree);
}

GeoPoint radiansToDegrees(GeoPoint point)
{
    return scaled(point, DegreesPerRadian);
}

void outputScaling(QString proj, int* multiplier, int* unitsCode)
{
    if (proj.contains(QLatin1String("units=m"))) {
        *multiplier = 100;
        *unitsCode = 1;
    }
    if (proj.contains(QLatin1String("proj=longlat")) || proj.contains(QLatin1String("units=degrees"))) {
        *multiplier = 10000;
        *unitsCode = 3;
    }
}

GeoPoint transformPoint(CrsDefinition source, CrsDefinition target, GeoPoint point, bool* ok)
{
    GeoPoint result;
    if (ok)
        *ok = false;
    const auto transformer = ProjTransformer::cached(source.proj(), target.proj());
    double x = point.x, y = point.y, z = point.z;
    if (transformer->transform(&x, &y, &z)) {
        result.x = x;
        result.y = y;
        result.z = z;
        if (ok)
            *ok = true;
    }
    return result;
}

int reprojectTraceCoordinates(SEGY* segy, int inputEpsg, int outputEpsg, QString inputProj, QString outputProj)
{
    if (!segy || !segy->isLoaded())
        return -2;
    segy->notifyEditStarted();

    const CrsDefinition input = systemFor(inputEpsg, inputProj);
    const CrsDefinition output = systemFor(outputEpsg, outputProj);
    if (input.id == 0 || output.id == 0)
        return -1;

    int multiplier = 100;
    int unitsCode = 1;
    outputScaling(output.proj(), &multiplier, &unitsCode);

    const int scalarField = traceHeaderFieldIndex(QStringLiteral("71"));
    const int unitsField = traceHeaderFieldIndex(QStringLiteral("89"));
    const int pairFields[3][2] = {
        {traceHeaderFieldIndex(QStringLiteral("73")), traceHeaderFieldIndex(QStringLiteral("77"))},
        {traceHeaderFieldIndex(QStringLiteral("81")), traceHeaderFieldIndex(QStringLiteral("85"))},
        {traceHeaderFieldIndex(QStringLiteral("181")), traceHeaderFieldIndex(QStringLiteral("185"))},
    };

    // One transformer for the whole run: the same two definitions throughout.
    const auto transformer = ProjTransformer::cached(input.proj(), output.proj());
    const QVariant newUnits(unitsCode);
    const QVariant newScalar(-multiplier);

    int result = 0;
    const int n = segy->traceCount();
    for (int i = 0; i < n; ++i) {
        const int scalar = segy->traceHeaderValue(i, scalarField);
        const int units = segy->traceHeaderValue(i, unitsField);
        double factor = double(scalar);
        if (scalar < 0)
            factor = -1.0 / scalar;

        // Every pair of the trace is worked out before anything is written,
        // so that a trace is either reprojected as a whole or left as it was.
        bool changed[3] = {false, false, false};
        int stored[3][2] = {{0, 0}, {0, 0}, {0, 0}};
        bool traceOk = true;
        for (int p = 0; p < 3 && traceOk; ++p) {
            double x = segy->traceHeaderValue(i, pairFields[p][0]) * factor;
            double y = segy->traceHeaderValue(i, pairFields[p][1]) * factor;
            if (x == 0.0 || y == 0.0)
                continue;
            if (units == 2) {
                x /= 3600.0;
                y /= 3600.0;
            }
            GeoPoint point;
            point.x = x;
            point.y = y;
            if (units != 1)
                point = degreesToRadians(point);
            double z = 0.0;
            if (!transformer->transform(&point.x, &point.y, &z)) {
                traceOk = false;
                break;
            }
            if (unitsCode != 1)
                point = radiansToDegrees(point);
            traceOk = storable(point.x, multiplier, &stored[p][0]) && storable(point.y, multiplier, &stored[p][1]);
            changed[p] = traceOk;
        }

        if (traceOk) {
            for (int p = 0; p < 3; ++p) {
                if (!changed[p])
                    continue;
                segy->setTraceHeaderValue(i, pairFields[p][0], QVariant(stored[p][0]));
                segy->setTraceHeaderValue(i, pairFields[p][1], QVariant(stored[p][1]));
            }
            segy->setTraceHeaderValue(i, unitsField, newUnits);
            segy->setTraceHeaderValue(i, scalarField, newScalar);
        } else {
            result = -1;
        }
        segy->notifyEditProgress(int(float(i) / float(n) * 100.0f));
    }
    segy->notifyEditCompleted();
    return result;
}
