#pragma once

#include <QString>
#include <memory>

struct pj_ctx;
struct PJconsts;

// A transformation between two reference systems given as PROJ definition
// texts (+key=value), built once and applied to any number of points with
// the classic conventions: geographic coordinates in radians on both sides,
// x the longitude and y the latitude whatever axis order PROJ prefers, and
// success only when the result is finite. Each transformer has a PROJ
// context of its own, which logs nothing.
class ProjTransformer
{
public:
    ProjTransformer(const QString& sourceProj, const QString& targetProj);
    ~ProjTransformer();
    ProjTransformer(const ProjTransformer&) = delete;
    ProjTransformer& operator=(const ProjTransformer&) = delete;

    // False when PROJ refused either definition or found no way between them.
    bool isValid() const { return m_operation != nullptr; }
    bool sourceIsGeographic() const { return m_sourceAngular; }
    bool targetIsGeographic() const { return m_targetAngular; }

    // Transforms one point in place; on failure the point is left as given.
    bool transform(double* x, double* y, double* z) const;

    // The transformer for this pair of texts, built on first use and kept
    // for later calls (a few pairs are remembered). Never null.
    static std::shared_ptr<const ProjTransformer> cached(const QString& sourceProj, const QString& targetProj);

private:
    pj_ctx* m_context = nullptr;
    PJconsts* m_operation = nullptr;
    bool m_sourceAngular = false;
    bool m_targetAngular = false;
};
