#pragma once

#include <QString>

struct pj_ctx;
struct PJconsts;

// A transformation between two reference systems given as PROJ definition
// texts (+key=value), built once and applied to any number of points. x is
// the longitude and y the latitude whatever axis order PROJ prefers, and a
// transform succeeds only when the result is finite. Each transformer has a
// PROJ context of its own, which logs nothing, so transformers may be used
// on different threads at once (one transformer on one thread at a time).
// Setting one up is the costly part: whoever transforms many points builds
// one and keeps it for as long as it needs it.
class ProjTransformer
{
public:
    ProjTransformer(const QString& sourceProj, const QString& targetProj);
    ~ProjTransformer();
    ProjTransformer(const ProjTransformer&) = delete;
    ProjTransformer& operator=(const ProjTransformer&) = delete;

    // False when PROJ refused either definition or found no way between them.
    bool isValid() const { return m_operation != nullptr; }
    // The side whose definition PROJ could not read, and PROJ's reason;
    // empty when both were read.
    QString error() const { return m_error; }
    // Whether a side is in degrees, as PROJ has it for this transformation
    // (or, for an operation that does nothing, for the side's own system):
    // geographic systems however they are written, also with a vertical part.
    bool sourceIsGeographic() const { return m_sourceDegrees; }
    bool targetIsGeographic() const { return m_targetDegrees; }

    // Transforms one point in place, geographic sides in radians (the classic
    // convention); on failure the point is left as given.
    bool transform(double* x, double* y, double* z) const;
    // The same in PROJ's own units: geographic sides in degrees. Only x and y
    // have to come out finite.
    bool transformNative(double* x, double* y, double* z) const;

private:
    pj_ctx* m_context = nullptr;
    PJconsts* m_operation = nullptr;
    bool m_sourceDegrees = false;
    bool m_targetDegrees = false;
    QString m_error;
};
