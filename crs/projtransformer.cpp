#include "projtransformer.h"

#include "projlibrary.h"

#include <proj.h>

#include <QByteArray>
#include <QCoreApplication>
#include <cmath>

namespace {

// PROJ builds a CRS (not a bare conversion) from a +key=value text only when
// it says so; add the marker the way PROJ's own tools do.
QByteArray crsText(const QString& proj)
{
    // Any +key=value text, whatever the order of its keys, as classic
    // definitions were read.
    QByteArray text = QByteArray::fromStdString(proj.toStdString()).trimmed();
    const bool classic = text.startsWith('+') || text.startsWith("proj=");
    if (classic && !text.contains("type=crs"))
        text += " +type=crs";
    return text;
}

// Whether a system's horizontal part is geographic: through a bound system
// to its base and through a compound system to its first component.
bool isGeographic(PJ_CONTEXT* context, const PJ* crs)
{
    PJ* inner = nullptr;
    switch (proj_get_type(crs)) {
    case PJ_TYPE_GEOGRAPHIC_2D_CRS:
    case PJ_TYPE_GEOGRAPHIC_3D_CRS:
        return true;
    case PJ_TYPE_BOUND_CRS:
        inner = proj_get_source_crs(context, crs);
        break;
    case PJ_TYPE_COMPOUND_CRS:
        inner = proj_crs_get_sub_crs(context, crs, 0);
        break;
    default:
        return false;
    }
    const bool geographic = inner && isGeographic(context, inner);
    proj_destroy(inner);
    return geographic;
}

const double RadiansPerDegree = 0.017453292519943295;
const double DegreesPerRadian = 57.29577951308232;

}  // namespace

ProjTransformer::ProjTransformer(const QString& sourceProj, const QString& targetProj)
{
    if (!projLibraryLoaded(&m_error))
        return;
    m_context = proj_context_create();
    proj_log_level(m_context, PJ_LOG_NONE);
    proj_context_set_enable_network(m_context, 0);
    // "+init=epsg:NNNN" resolves as it did for classic definitions.
    proj_context_use_proj4_init_rules(m_context, 1);

    // Each side is read on its own, so that a refusal names its side and
    // PROJ's reason.
    const auto read = [this](const QString& proj, bool input) -> PJ* {
        PJ* crs = proj_create(m_context, crsText(proj).constData());
        if (m_error.isEmpty() && (!crs || !proj_is_crs(crs))) {
            const int code = proj_context_errno(m_context);
            const QString reason = code != 0 ? QString::fromUtf8(proj_context_errno_string(m_context, code))
                                             : QCoreApplication::translate("ProjTransformer", "not a reference system");
            m_error = (input ? QCoreApplication::translate("ProjTransformer",
                                                           "input coordinate reference system: PROJ cannot read %1 (%2)")
                             : QCoreApplication::translate("ProjTransformer",
                                                           "output coordinate reference system: PROJ cannot read %1 (%2)"))
                          .arg(proj, reason);
        }
        return crs;
    };
    PJ* source = read(sourceProj, true);
    PJ* target = read(targetProj, false);
    if (m_error.isEmpty()) {
        PJ* operation = proj_create_crs_to_crs_from_pj(m_context, source, target, nullptr, nullptr);
        if (operation) {
            // x = longitude, y = latitude whatever the systems' axis order.
            m_operation = proj_normalize_for_visualization(m_context, operation);
            proj_destroy(operation);
        }
        if (m_operation) {
            // PROJ says which sides take and give degrees; an operation that
            // does nothing (the same system on both sides) says neither, and
            // then the systems themselves tell.
            m_sourceDegrees = proj_degree_input(m_operation, PJ_FWD) || isGeographic(m_context, source);
            m_targetDegrees = proj_degree_output(m_operation, PJ_FWD) || isGeographic(m_context, target);
        }
    }
    proj_destroy(source);
    proj_destroy(target);
}

ProjTransformer::~ProjTransformer()
{
    proj_destroy(m_operation);
    proj_context_destroy(m_context);
}

bool ProjTransformer::transform(double* x, double* y, double* z) const
{
    const double in = m_sourceDegrees ? DegreesPerRadian : 1.0;
    double tx = *x * in, ty = *y * in, tz = *z;
    if (!transformNative(&tx, &ty, &tz) || !std::isfinite(tz))
        return false;
    const double out = m_targetDegrees ? RadiansPerDegree : 1.0;
    *x = tx * out;
    *y = ty * out;
    *z = tz;
    return true;
}

bool ProjTransformer::transformNative(double* x, double* y, double* z) const
{
    if (!m_operation)
        return false;
    PJ_COORD c = proj_coord(*x, *y, *z, 0.0);
    c = proj_trans(m_operation, PJ_FWD, c);
    if (!std::isfinite(c.xyz.x) || !std::isfinite(c.xyz.y))
        return false;
    *x = c.xyz.x;
    *y = c.xyz.y;
    *z = c.xyz.z;
    return true;
}
