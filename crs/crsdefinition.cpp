#include "crsdefinition.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <proj.h>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CrsCatalogue", text);
}

// Why a code is not in the catalogue, which holds the projected and
// geographic 2D systems of PROJ's registry: unknown there, or another kind.
QString codeNotInCatalogue(int code)
{
    PJ_CONTEXT* context = proj_context_create();
    proj_log_level(context, PJ_LOG_NONE);
    const QByteArray text = QByteArray::number(code);
    PJ* crs = proj_create_from_database(context, "EPSG", text.constData(), PJ_CATEGORY_CRS, 0, nullptr);
    QString kind;
    if (crs) {
        switch (proj_get_type(crs)) {
        case PJ_TYPE_GEOCENTRIC_CRS: kind = tr("a geocentric system"); break;
        case PJ_TYPE_GEOGRAPHIC_3D_CRS: kind = tr("a geographic 3D system"); break;
        case PJ_TYPE_VERTICAL_CRS: kind = tr("a vertical system"); break;
        case PJ_TYPE_COMPOUND_CRS: kind = tr("a compound system"); break;
        default: kind = tr("a system of another kind"); break;
        }
    }
    proj_destroy(crs);
    proj_context_destroy(context);
    if (kind.isEmpty())
        return tr("EPSG code %1 is not in the catalogue.").arg(code);
    return tr("EPSG code %1 is %2, not a projected or geographic 2D system.").arg(code).arg(kind);
}

}  // namespace

QString crsPairError(const CrsResolution& input, const CrsResolution& output)
{
    if (!input.error.isEmpty())
        return tr("input coordinate reference system: %1").arg(input.error);
    if (!output.error.isEmpty())
        return tr("output coordinate reference system: %1").arg(output.error);
    return QString();
}

CrsDefinition::CrsDefinition(QString proj, int id, QString name)
    : id(id), m_name(std::move(name)), m_proj(std::move(proj))
{
}

QString CrsCatalogue::defaultPath()
{
    // Beside the executable in a build, in share/trevalon of its prefix once installed.
    const QString directory = QCoreApplication::applicationDirPath();
    const QString beside = directory + QStringLiteral("/epsg.db3");
    const QString installed = QDir::cleanPath(directory + QStringLiteral("/../share/trevalon/epsg.db3"));
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

CrsCatalogue::CrsCatalogue(const QString& path) : m_path(path)
{
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("trevalon-crs-catalogue-%1").arg(++serial);
    // SQLite would only say that it cannot open the file.
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        m_error = tr("The coordinate reference system catalogue %1 is missing or unreadable.").arg(path);
        return;
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    m_db.setDatabaseName(path);
    if (!m_db.open())
        m_error = tr("The coordinate reference system catalogue %1 cannot be read: %2")
                      .arg(path, m_db.lastError().text());
}

CrsCatalogue::~CrsCatalogue()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

CrsLookup CrsCatalogue::byId(int id) const
{
    return run(QStringLiteral("SELECT id, name, proj FROM datum WHERE id = ?"), id);
}

CrsLookup CrsCatalogue::byName(const QString& text) const
{
    return run(QStringLiteral("SELECT id, name, proj FROM datum WHERE name LIKE ?"),
               QString(QLatin1Char('%') + text + QLatin1Char('%')));
}

CrsLookup CrsCatalogue::run(const QString& statement, const QVariant& value) const
{
    CrsLookup lookup;
    if (!m_error.isEmpty()) {
        lookup.error = m_error;
        return lookup;
    }
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool ok = query.prepare(statement);
    if (ok) {
        query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok) {
        lookup.error = tr("The coordinate reference system catalogue %1 cannot be read: %2")
                           .arg(m_path, query.lastError().text());
        return lookup;
    }
    while (query.next())
        lookup.definitions.append(
            CrsDefinition(query.value(2).toString(), query.value(0).toInt(), query.value(1).toString()));
    return lookup;
}

CrsResolution resolveCrs(const CrsCatalogue& catalogue, const QString& text)
{
    CrsResolution resolution;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1Char('+'))) {
        resolution.definition = CrsDefinition(trimmed, -1, QString());
        return resolution;
    }
    if (trimmed.isEmpty()) {
        resolution.error = tr("No coordinate reference system was given.");
        return resolution;
    }
    static const QRegularExpression Code(QStringLiteral("^(?:EPSG:)?(\\d{1,9})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = Code.match(trimmed);
    if (!match.hasMatch()) {
        resolution.error = tr("%1 is not a PROJ definition (it begins with +).").arg(text);
        return resolution;
    }
    const int code = match.captured(1).toInt();
    const CrsLookup found = catalogue.byId(code);
    if (!found.error.isEmpty())
        resolution.error = found.error;
    else if (found.definitions.isEmpty())
        resolution.error = codeNotInCatalogue(code);
    else
        resolution.definition = found.definitions.first();
    return resolution;
}

CrsResolution resolveCrs(const CrsCatalogue& catalogue, int epsg, const QString& text)
{
    if (text.startsWith(QLatin1Char('+')) || epsg <= 0)
        return resolveCrs(catalogue, text);
    return resolveCrs(catalogue, QString::number(epsg));
}
