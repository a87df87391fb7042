#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QVariant>
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

// What a catalogue look-up gave: the matching definitions in table order, or
// why the catalogue could not be read. No match is no error.
struct CrsLookup
{
    QList<CrsDefinition> definitions;
    QString error;
};

// The EPSG catalogue: a SQLite file with the table datum (columns id, name,
// proj), opened read-only for the object's life on a connection of its own.
// Use it on the thread that made it.
class CrsCatalogue
{
public:
    // "epsg.db3" in the directory of the executable, or else in
    // ../share/trevalon from there (an installed program).
    static QString defaultPath();

    explicit CrsCatalogue(const QString& path = defaultPath());
    ~CrsCatalogue();
    CrsCatalogue(const CrsCatalogue&) = delete;
    CrsCatalogue& operator=(const CrsCatalogue&) = delete;

    // Why the catalogue cannot be used (missing, not a file, not a database);
    // empty when it opened. Look-ups then give this error.
    QString error() const { return m_error; }

    CrsLookup byId(int id) const;
    // Names holding text in any case; LIKE wildcards in it act as such. An
    // empty text gives every named system.
    CrsLookup byName(const QString& text) const;

private:
    CrsLookup run(const QString& statement, const QVariant& value) const;

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    QString m_error;
};

// The system a text names: one beginning with "+" is a PROJ definition (code
// -1); digits, or "EPSG:" and digits, are a code looked up in the catalogue.
// On failure the definition is the default one and error says why (no text,
// neither form, a code the catalogue does not hold, no catalogue).
struct CrsResolution
{
    CrsDefinition definition;
    QString error;
};
CrsResolution resolveCrs(const CrsCatalogue& catalogue, const QString& text);
// One side of a reprojection or import as dialogs and commands give it: a
// "+" text takes the place of the code; otherwise a positive code is looked
// up, and without one the text is resolved as it is.
CrsResolution resolveCrs(const CrsCatalogue& catalogue, int epsg, const QString& text);
// "input coordinate reference system: REASON" for the first side that did
// not resolve, the same for the output side; empty when both did.
QString crsPairError(const CrsResolution& input, const CrsResolution& output);
