#include "positionprojection.h"

#include "projtransformer.h"
#include "surveygeometry.h"

#include <proj.h>

#include <QCoreApplication>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PositionProjection", text);
}

// The PROJ text of the geographic system under a projected one; empty when
// PROJ does not know the system.
QString geographicBase(const QString& proj)
{
    PJ_CONTEXT* context = proj_context_create();
    proj_log_level(context, PJ_LOG_NONE);
    proj_context_set_enable_network(context, 0);
    proj_context_use_proj4_init_rules(context, 1);
    QByteArray text = proj.trimmed().toUtf8();
    if (text.startsWith('+') && !text.contains("type=crs"))
        text += " +type=crs";
    QString base;
    if (PJ* crs = proj_create(context, text.constData())) {
        if (PJ* geodetic = proj_crs_get_geodetic_crs(context, crs)) {
            if (const char* baseText = proj_as_proj_string(context, geodetic, PJ_PROJ_4, nullptr))
                base = QString::fromUtf8(baseText);
            proj_destroy(geodetic);
        }
        proj_destroy(crs);
    }
    proj_context_destroy(context);
    return base;
}

}  // namespace

bool projectTracePositions(TracePositions* positions, const CrsDefinition& target, QString* error)
{
    if (!positions->geographic || positions->projected)
        return true;
    const QString base = geographicBase(target.proj());
    if (base.isEmpty()) {
        *error = tr("PROJ does not know the system %1.").arg(target.proj());
        return false;
    }
    const ProjTransformer transformer(base, target.proj());
    if (!transformer.isValid() || transformer.targetIsGeographic()) {
        *error = tr("The system %1 is not a projected one.").arg(target.proj());
        return false;
    }
    std::vector<double> x[TracePositions::LayerCount], y[TracePositions::LayerCount];
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        x[layer] = positions->x[layer];
        y[layer] = positions->y[layer];
        for (size_t t = 0; t < x[layer].size(); ++t) {
            double z = 0;
            if (x[layer][t] != x[layer][t])
                continue;
            if (!transformer.transformNative(&x[layer][t], &y[layer][t], &z)) {
                *error = tr("Trace index %1: PROJ cannot project %2, %3.")
                             .arg(t)
                             .arg(positions->x[layer][t], 0, 'f', 7)
                             .arg(positions->y[layer][t], 0, 'f', 7);
                return false;
            }
        }
    }
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        positions->x[layer].swap(x[layer]);
        positions->y[layer].swap(y[layer]);
    }
    positions->projected = true;
    positions->feet = false;
    return true;
}
