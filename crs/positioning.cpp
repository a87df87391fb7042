#include "positioning.h"

#include "headerfields.h"
#include "headers.h"
#include "projtransformer.h"
#include "reprojection.h"
#include "segy.h"

#include <QCoreApplication>
#include <QIODevice>
#include <climits>
#include <cmath>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PositionImport", text);
}

// Mapping keys and the start bytes of the fields they fill, in pair order.
const char* const ColumnKeys[6] = {"SRC_X", "SRC_Y", "RCV_X", "RCV_Y", "CDP_X", "CDP_Y"};
const char* const FieldStarts[6] = {"73", "77", "81", "85", "181", "185"};

int key(const QMap<QString, int>& mapping, const char* name)
{
    return mapping.value(QLatin1String(name), -1);
}

bool isUnitsCode(int code)
{
    return code >= 1 && code <= 3;
}

// The factor stored coordinates carry for an output unit.
int coordinateMultiplier(int outputUnit)
{
    switch (outputUnit) {
    case 1: return 100;
    case 2: return 1000;
    case 3: return 10000;
    default: return 1;
    }
}

bool parseNumber(const QString& text, double* value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

QString describe(int epsg, const CrsDefinition& definition)
{
    return definition.id == -1 ? definition.proj() : QStringLiteral("EPSG:%1").arg(epsg);
}

}  // namespace

int unitsCodeOfDefinition(const QString& proj)
{
    int code = 0;
    if (proj.contains(QLatin1String("units=m")))
        code = 1;
    if (proj.contains(QLatin1String("proj=longlat")) || proj.contains(QLatin1String("units=degrees")))
        code = 3;
    return code;
}

PositionImport::PositionImport(SEGY* segy, const QMap<QString, int>& mapping, const QString& inputProj,
                               const QString& outputProj)
    : m_segy(segy)
{
    if (prepare(mapping, inputProj, outputProj)) {
        m_headers = segy->traceHeaders();
        m_started = true;
        emit segy->editStarted();
    }
}

PositionImport::~PositionImport()
{
    finish();
}

bool PositionImport::prepare(const QMap<QString, int>& mapping, const QString& inputProj, const QString& outputProj)
{
    if (!m_segy || !m_segy->isLoaded()) {
        m_error = tr("No SEG-Y file is loaded.");
        return false;
    }
    bool anyColumn = false;
    for (int k = 0; k < 6; ++k) {
        m_columns[k] = key(mapping, ColumnKeys[k]);
        m_fields[k] = traceHeaderFieldIndex(QLatin1String(FieldStarts[k]));
        anyColumn = anyColumn || m_columns[k] >= 0;
    }
    for (int p = 0; p < 3; ++p) {
        if ((m_columns[2 * p] >= 0) != (m_columns[2 * p + 1] >= 0)) {
            m_error = tr("The X and Y columns of a position go together.");
            return false;
        }
    }
    if (!anyColumn) {
        m_error = tr("No position columns were chosen.");
        return false;
    }
    m_unitsField = traceHeaderFieldIndex(QStringLiteral("89"));
    m_scalarField = traceHeaderFieldIndex(QStringLiteral("71"));

    const int asIsUnit = key(mapping, "AS_IS_UNIT");
    if (asIsUnit != -1) {
        if (!isUnitsCode(asIsUnit)) {
            m_error = tr("%1 is not a coordinate unit code (1, 2 or 3).").arg(asIsUnit);
            return false;
        }
        m_asIs = true;
        m_unitsCode = asIsUnit;
        m_scalar = asIsUnit == 1 ? -100 : -10000;
        return true;
    }

    m_asIs = false;
    // Each system is looked up once for the whole import.
    auto system = [this](int epsg, const QString& proj, CrsDefinition* definition) {
        if (proj.startsWith(QLatin1Char('+'))) {
            *definition = CrsDefinition(proj, -1, QString());
            return true;
        }
        const QList<CrsDefinition> found = epsg > 0 ? crsById(epsg) : QList<CrsDefinition>();
        if (!found.isEmpty()) {
            *definition = found.first();
            return true;
        }
        if (epsg > 0)
            m_error = tr("EPSG code %1 is not in the catalogue.").arg(epsg);
        else if (!proj.isEmpty())
            m_error = tr("%1 is not a PROJ definition (it begins with +).").arg(proj);
        else
            m_error = tr("No coordinate reference system was given.");
        return false;
    };
    const int inputEpsg = key(mapping, "IN_EPSG");
    const int outputEpsg = key(mapping, "OUT_EPSG");
    if (!system(inputEpsg, inputProj, &m_input) || !system(outputEpsg, outputProj, &m_output))
        return false;

    // Units not given follow the definitions, as the page proposes them.
    m_inputUnit = key(mapping, "IN_UNIT");
    int outputUnit = key(mapping, "OUT_UNIT");
    if (m_inputUnit == -1)
        m_inputUnit = qMax(1, unitsCodeOfDefinition(m_input.proj()));
    if (outputUnit == -1)
        outputUnit = qMax(1, unitsCodeOfDefinition(m_output.proj()));
    if (!isUnitsCode(m_inputUnit) || !isUnitsCode(outputUnit)) {
        m_error = tr("The input and output units must be coordinate unit codes (1, 2 or 3).");
        return false;
    }
    m_unitsCode = outputUnit;
    m_multiplier = coordinateMultiplier(outputUnit);
    m_scalar = -m_multiplier;
    if (!ProjTransformer::cached(m_input.proj(), m_output.proj())->isValid()) {
        m_error = tr("PROJ cannot transform coordinates from %1 to %2.")
                      .arg(describe(inputEpsg, m_input), describe(outputEpsg, m_output));
        return false;
    }
    return true;
}

bool PositionImport::computeAsIs(const QStringList& fields, qint32* values) const
{
    for (int k = 0; k < 6; ++k) {
        const int column = m_columns[k];
        if (column < 0)
            continue;
        if (column >= fields.size())
            return false;
        bool ok = false;
        const int value = fields.at(column).toInt(&ok, 10);
        if (!ok || !HeaderField::fitsKind(value, FieldKindInt))
            return false;
        values[k] = value;
    }
    return true;
}

bool PositionImport::computeTransformed(const QStringList& fields, qint32* values) const
{
    for (int p = 0; p < 3; ++p) {
        const int xColumn = m_columns[2 * p];
        const int yColumn = m_columns[2 * p + 1];
        if (xColumn < 0)
            continue;
        GeoPoint point;
        if (xColumn >= fields.size() || yColumn >= fields.size() || !parseNumber(fields.at(xColumn), &point.x)
            || !parseNumber(fields.at(yColumn), &point.y))
            return false;
        if (m_inputUnit == 2) {
            point.x /= 3600.0;
            point.y /= 3600.0;
        }
        if (m_inputUnit != 1)
            point = degreesToRadians(point);
        bool ok = false;
        GeoPoint out = transformPoint(m_input, m_output, point, &ok);
        if (!ok)
            return false;
        if (m_unitsCode != 1)
            out = radiansToDegrees(out);
        if (m_unitsCode == 2) {
            out.x *= 3600.0;
            out.y *= 3600.0;
        }
        if (!storedCoordinate(out.x, m_multiplier, &values[2 * p]) || !storedCoordinate(out.y, m_multiplier, &values[2 * p + 1]))
            return false;
    }
    return true;
}

void PositionImport::addLine(int lineIndex, const QStringList& fields, qint64 textLine)
{
    if (!m_started || m_finished || lineIndex < 0)
        return;
    if (lineIndex >= m_headers.size()) {
        ++m_beyond;
        return;
    }
    SEGYTraceHeader* header = m_headers.at(lineIndex);
    qint32 values[6] = {0, 0, 0, 0, 0, 0};
    const bool ok = header && (m_asIs ? computeAsIs(fields, values) : computeTransformed(fields, values));
    if (!ok) {
        if (m_unchanged++ == 0)
            m_firstUnchanged = textLine;
        return;
    }
    for (int k = 0; k < 6; ++k) {
        if (m_columns[k] >= 0)
            header->storeValue(m_fields[k], values[k]);
    }
    header->storeValue(m_unitsField, m_unitsCode);
    header->storeValue(m_scalarField, m_scalar);
    ++m_written;
}

void PositionImport::finish()
{
    if (!m_started || m_finished)
        return;
    m_finished = true;
    emit m_segy->editCompleted();
}

QString PositionImport::report() const
{
    if (m_unchanged == 0 && m_beyond == 0)
        return QString();
    if (m_unchanged == 0)
        return tr("%1 line(s) of the positioning file lay beyond the last trace and were not imported.").arg(m_beyond);
    return tr("%1 line(s) of the positioning file could not be written and left their traces unchanged (the first "
              "is line %2 of the file); %3 line(s) lay beyond the last trace and were not imported.")
        .arg(m_unchanged)
        .arg(m_firstUnchanged)
        .arg(m_beyond);
}

int importPositionsFromText(PositionImport& import, QIODevice* device, const TextSplitOptions& options)
{
    DelimitedTextReader reader(device, options);
    QStringList fields;
    int kept = 0;
    while (reader.readFields(&fields))
        import.addLine(kept++, fields, reader.lineNumber());
    return kept;
}
