#pragma once

#include <QList>
#include <QString>

// One coordinate reference system: its EPSG code, name and PROJ definition
// text (+key=value parameters separated by blanks). A default definition
// (code 0) stands for no system; a definition typed by the user has code -1.
class CrsDefinition
{
public:
    CrsDefinition() = default;
    CrsDefinition(QString proj, int id, QString name);

    QString name() const { return m_name; }
    QString proj() const { return m_proj; }

    int id = 0;

private:
    QString m_name;
    QString m_proj;
};

// Look-ups in the catalogue "epsg.db3" beside the executable (table datum,
// columns id, name, proj). A missing or unreadable catalogue, or a statement
// that fails, gives an empty list; found (when given) says whether any row
// came back.
QList<CrsDefinition> crsById(int id, bool* found = nullptr);
QList<CrsDefinition> crsByName(QString text, bool* found = nullptr);
QList<CrsDefinition> runCatalogueQuery(QString sql, bool* found);
