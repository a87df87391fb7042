#include "crsdefinition.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace {
const char* const ConnectionName = "projDBConnection";
}

CrsDefinition::CrsDefinition(QString proj, int id, QString name)
    : id(id), m_name(std::move(name)), m_proj(std::move(proj))
{
}

QList<CrsDefinition> crsById(int id, bool* found)
{
    return runCatalogueQuery(QStringLiteral("SELECT id, name, proj FROM datum WHERE id='%1'").arg(id), found);
}

QList<CrsDefinition> crsByName(QString text, bool* found)
{
    // The text goes into the statement as it is: LIKE wildcards in it act as
    // wildcards, and a quote spoils the statement, which gives no rows.
    return runCatalogueQuery(QStringLiteral("SELECT id, name, proj FROM datum WHERE name LIKE '%%1%'").arg(text), found);
}

QList<CrsDefinition> runCatalogueQuery(QString sql, bool* found)
{
    QList<CrsDefinition> definitions;
    if (found)
        *found = false;

    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("//epsg.db3");
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || !info.isReadable())
        return definitions;

    const QString connection = QLatin1String(ConnectionName);
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.isValid())
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    if (!db.open())
        return definitions;

    {
        QSqlQuery query(db);
        if (query.exec(sql)) {
            while (query.next()) {
                definitions.append(CrsDefinition(query.value(2).toString(), query.value(0).toInt(),
                                                 query.value(1).toString()));
                if (found)
                    *found = true;
            }
        }
    }
    db.close();
    return definitions;
}
