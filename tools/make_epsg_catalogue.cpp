// Writes the EPSG catalogue (a SQLite file with the table datum(id, name,
// proj)) from the EPSG registry that PROJ ships, through PROJ's own API.
//
// usage: make_epsg_catalogue OUTPUT.db3
//
// One row per non-deprecated EPSG geographic 2-D or projected CRS that PROJ
// can write as a +key=value definition. Where the registry knows a datum
// shift to WGS 84 that +towgs84 can express, the definition carries it:
//
//   For the geodetic (datum) CRS underlying the system, PROJ is asked for the
//   operations to EPSG:4326 (EPSG authority, operations whose area of use
//   partly covers the system's, grid availability ignored, no intermediate
//   CRS). PROJ sorts them by its own relevance order: larger area of use
//   first, then better accuracy. The first one that is a single,
//   non-deprecated transformation whose parameters PROJ can express as
//   +towgs84 (geocentric translations, position vector or coordinate frame
//   Helmert) is taken. Systems on WGS 84 itself get no +towgs84; systems
//   with no such transformation are written without one.
//
// The choice is made once per geodetic CRS, so every projected system on a
// datum carries the same shift as its geographic system.

#include <proj.h>
#include <proj_experimental.h>

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Catalogue
{
    PJ_CONTEXT* ctx = nullptr;
    PJ* wgs84 = nullptr;
    // geodetic CRS code -> chosen transformation (nullptr: none)
    QHash<QString, PJ*> shifts;

    ~Catalogue()
    {
        for (PJ* p : qAsConst(shifts))
            proj_destroy(p);
        proj_destroy(wgs84);
        proj_context_destroy(ctx);
    }

    PJ* chooseShift(const PJ* geodetic)
    {
        PJ_OPERATION_FACTORY_CONTEXT* factory = proj_create_operation_factory_context(ctx, "EPSG");
        proj_operation_factory_context_set_spatial_criterion(ctx, factory, PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
        proj_operation_factory_context_set_grid_availability_use(ctx, factory, PROJ_GRID_AVAILABILITY_IGNORED);
        proj_operation_factory_context_set_allow_use_intermediate_crs(ctx, factory, PROJ_INTERMEDIATE_CRS_USE_NEVER);
        PJ_OBJ_LIST* ops = proj_create_operations(ctx, geodetic, wgs84, factory);
        PJ* chosen = nullptr;
        const int count = ops ? proj_list_get_count(ops) : 0;
        for (int i = 0; i < count && !chosen; ++i) {
            PJ* op = proj_list_get(ctx, ops, i);
            double values[7];
            const char* name = proj_get_name(op);
            const bool usable = proj_get_type(op) == PJ_TYPE_TRANSFORMATION && !proj_is_deprecated(op)
                && !(name && QString::fromUtf8(name).startsWith(QLatin1String("Ballpark")))
                && proj_coordoperation_get_towgs84_values(ctx, op, values, 7, 0);
            if (usable)
                chosen = op;
            else
                proj_destroy(op);
        }
        proj_list_destroy(ops);
        proj_operation_factory_context_destroy(factory);
        proj_errno_reset(nullptr);
        return chosen;
    }

    bool onWgs84(const PJ* crs)
    {
        PJ* geodetic = proj_crs_get_geodetic_crs(ctx, crs);
        const char* code = geodetic ? proj_get_id_code(geodetic, 0) : nullptr;
        const bool wgs84 = code && std::strcmp(code, "4326") == 0;
        proj_destroy(geodetic);
        return wgs84;
    }

    // The transformation to carry as +towgs84 for crs, or nullptr.
    PJ* shiftFor(const PJ* crs)
    {
        PJ* geodetic = proj_crs_get_geodetic_crs(ctx, crs);
        if (!geodetic)
            return nullptr;
        const char* auth = proj_get_id_auth_name(geodetic, 0);
        const char* code = proj_get_id_code(geodetic, 0);
        const QString key = QString::fromUtf8(auth ? auth : "") + QLatin1Char(':') + QString::fromUtf8(code ? code : "");
        PJ* shift = nullptr;
        if (key == QLatin1String("EPSG:4326")) {
            shift = nullptr;
        } else if (auth && code && shifts.contains(key)) {
            shift = shifts.value(key);
        } else {
            shift = chooseShift(geodetic);
            if (auth && code)
                shifts.insert(key, shift);
            else if (shift) {
                // Not cacheable: hand the caller its own reference through the cache under a unique key.
                shifts.insert(key + QString::number(shifts.size()), shift);
            }
        }
        proj_destroy(geodetic);
        return shift;
    }

    QString definition(const PJ* crs)
    {
        PJ* shift = shiftFor(crs);
        PJ* bound = shift ? proj_crs_create_bound_crs(ctx, crs, wgs84, shift) : nullptr;
        if (!bound && !onWgs84(crs)) {
            // No single transformation, but the registry may still know a
            // shift that +towgs84 expresses, such as a prime meridian
            // rotation followed by a Helmert shift (NTF (Paris)): let PROJ
            // build the bound system itself.
            bound = proj_crs_create_bound_crs_to_WGS84(ctx, crs, nullptr);
            const char* boundText = bound ? proj_as_proj_string(ctx, bound, PJ_PROJ_4, nullptr) : nullptr;
            if (!boundText || !std::strstr(boundText, "+towgs84=")) {
                proj_destroy(bound);
                bound = nullptr;
            }
        }
        const char* text = proj_as_proj_string(ctx, bound ? bound : crs, PJ_PROJ_4, nullptr);
        QString proj = text ? QString::fromUtf8(text).simplified() : QString();
        proj_destroy(bound);
        proj_errno_reset(nullptr);
        // The definitions are written the classic way, without the CRS marker
        // PROJ adds; the reprojection adds it back when it builds a system.
        proj.replace(QLatin1String(" +type=crs"), QString());
        return proj.trimmed();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_epsg_catalogue OUTPUT.db3\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString partial = output + QLatin1String(".partial");
    QFile::remove(partial);

    Catalogue cat;
    cat.ctx = proj_context_create();
    proj_log_level(cat.ctx, PJ_LOG_NONE);
    proj_context_set_enable_network(cat.ctx, 0);
    cat.wgs84 = proj_create_from_database(cat.ctx, "EPSG", "4326", PJ_CATEGORY_CRS, 0, nullptr);
    if (!cat.wgs84) {
        std::fprintf(stderr, "make_epsg_catalogue: PROJ's registry (proj.db) does not give EPSG:4326\n");
        return 1;
    }

    int rows = 0;
    int withShift = 0;
    int skipped = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("catalogue"));
        db.setDatabaseName(partial);
        if (!db.open()) {
            std::fprintf(stderr, "make_epsg_catalogue: cannot create %s\n", qPrintable(partial));
            return 1;
        }
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE datum (id INTEGER PRIMARY KEY, name TEXT, proj TEXT)"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO datum (id, name, proj) VALUES (?, ?, ?)"));

        const PJ_TYPE types[] = {PJ_TYPE_GEOGRAPHIC_2D_CRS, PJ_TYPE_PROJECTED_CRS};
        PROJ_CRS_LIST_PARAMETERS* params = proj_get_crs_list_parameters_create();
        params->types = types;
        params->typesCount = 2;
        params->allow_deprecated = 0;
        int count = 0;
        PROJ_CRS_INFO** list = proj_get_crs_info_list_from_database(cat.ctx, "EPSG", params, &count);
        proj_get_crs_list_parameters_destroy(params);

        QSet<int> written;
        for (int i = 0; i < count; ++i) {
            const PROJ_CRS_INFO* info = list[i];
            bool numeric = false;
            const int id = QString::fromUtf8(info->code).toInt(&numeric);
            if (!numeric || info->deprecated || written.contains(id)) {
                ++skipped;
                continue;
            }
            PJ* crs = proj_create_from_database(cat.ctx, "EPSG", info->code, PJ_CATEGORY_CRS, 0, nullptr);
            const QString proj = crs ? cat.definition(crs) : QString();
            proj_destroy(crs);
            proj_errno_reset(nullptr);
            if (!proj.startsWith(QLatin1String("+proj="))) {
                ++skipped;
                continue;
            }
            if (proj.contains(QLatin1String("+towgs84=")))
                ++withShift;
            q.addBindValue(id);
            q.addBindValue(QString::fromUtf8(info->name));
            q.addBindValue(proj);
            if (!q.exec()) {
                std::fprintf(stderr, "make_epsg_catalogue: %s\n", qPrintable(q.lastError().text()));
                proj_crs_info_list_destroy(list);
                return 1;
            }
            written.insert(id);
            ++rows;
        }
        proj_crs_info_list_destroy(list);
        db.commit();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("catalogue"));

    QFile::remove(output);
    if (!QFile::rename(partial, output)) {
        std::fprintf(stderr, "make_epsg_catalogue: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("make_epsg_catalogue: %d systems written (%d with +towgs84), %d skipped\n", rows, withShift, skipped);
    return 0;
}
