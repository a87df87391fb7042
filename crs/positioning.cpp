#include "positioning.h"

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

// Mapping keys and the fields they fill, in pair order.
const char* const ColumnKeys[6] = {"SRC_X", "SRC_Y", "RCV_X", "RCV_Y", "CDP_X", "CDP_Y"};
const TraceField Fields[6] = {TraceField::SourceX, TraceField::SourceY, TraceField::GroupX,
                              TraceField::GroupY,  TraceField::CdpX,    TraceField::CdpY};

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

PositionConversion::PositionConversion(const QMap<QString, int>& mapping, const QString& inputProj,
                                       const QString& outputProj)
{
    prepare(mapping, inputProj, outputProj);
}

PositionConversion::~PositionConversion() = default;

bool PositionConversion::prepare(const QMap<QString, int>& mapping, const QString& inputProj,
                                 const QString& outputProj)
{
    bool anyColumn = false;
    for (int k = 0; k < 6; ++k) {
        m_columns[k] = key(mapping, ColumnKeys[k]);
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
    // Each system is looked up once.
    const CrsCatalogue catalogue;
    const int inputEpsg = key(mapping, "IN_EPSG");
    const int outputEpsg = key(mapping, "OUT_EPSG");
    const CrsResolution input = resolveCrs(catalogue, inputEpsg, inputProj);
    const CrsResolution output = resolveCrs(catalogue, outputEpsg, outputProj);
    m_error = crsPairError(input, output);
    if (!m_error.isEmpty())
        return false;

    // Units not given follow the definitions, as the page proposes them.
    m_inputUnit = key(mapping, "IN_UNIT");
    int outputUnit = key(mapping, "OUT_UNIT");
    if (m_inputUnit == -1)
        m_inputUnit = qMax(1, unitsCodeOfDefinition(input.definition.proj()));
    if (outputUnit == -1)
        outputUnit = qMax(1, unitsCodeOfDefinition(output.definition.proj()));
    if (!isUnitsCode(m_inputUnit) || !isUnitsCode(outputUnit)) {
        m_error = tr("The input and output units must be coordinate unit codes (1, 2 or 3).");
        return false;
    }
    m_unitsCode = outputUnit;
    m_multiplier = coordinateMultiplier(outputUnit);
    m_scalar = -m_multiplier;
    m_transformer.reset(new ProjTransformer(input.definition.proj(), output.definition.proj()));
    if (!m_transformer->isValid()) {
        m_error = !m_transformer->error().isEmpty()
                      ? m_transformer->error() + QLatin1Char('.')
                      : tr("PROJ cannot transform coordinates from %1 to %2.")
                            .arg(describe(inputEpsg, input.definition), describe(outputEpsg, output.definition));
        m_transformer.reset();
        return false;
    }
    return true;
}

void PositionConversion::convertAsIs(const QStringList& fields, PositionLine* line) const
{
    for (int k = 0; k < 6; ++k) {
        const int column = m_columns[k];
        if (column < 0)
            continue;
        line->column = column;
        if (column >= fields.size()) {
            line->problem = PositionLine::MissingColumn;
            return;
        }
        const QString& text = fields.at(column);
        line->text = text.trimmed();
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        if (ok && HeaderField::fitsKind(value, FieldKindInt)) {
            line->values[k] = value;
            continue;
        }
        double number = 0;
        text.toLongLong(&ok, 10);
        if (ok)
            line->problem = PositionLine::DoesNotFit;
        else if (!parseNumber(text, &number))
            line->problem = PositionLine::NotANumber;
        else if (number <= double(INT_MIN) - 1 || number >= double(INT_MAX) + 1)
            line->problem = PositionLine::DoesNotFit;
        else
            line->problem = PositionLine::HasDecimals;
        return;
    }
}

void PositionConversion::convertTransformed(const QStringList& fields, PositionLine* line) const
{
    for (int p = 0; p < 3; ++p) {
        const int xColumn = m_columns[2 * p];
        const int yColumn = m_columns[2 * p + 1];
        if (xColumn < 0)
            continue;
        GeoPoint point;
        for (int column : {xColumn, yColumn}) {
            line->column = column;
            line->text = column < fields.size() ? fields.at(column).trimmed() : QString();
            if (column >= fields.size()) {
                line->problem = PositionLine::MissingColumn;
                return;
            }
            if (!parseNumber(fields.at(column), column == xColumn ? &point.x : &point.y)) {
                line->problem = PositionLine::NotANumber;
                return;
            }
        }
        line->column = xColumn;
        line->text = QStringLiteral("%1, %2").arg(fields.at(xColumn).trimmed(), fields.at(yColumn).trimmed());
        if (m_inputUnit == 2) {
            point.x /= 3600.0;
            point.y /= 3600.0;
        }
        if (m_inputUnit != 1)
            point = degreesToRadians(point);
        GeoPoint out = point;
        if (!m_transformer->transform(&out.x, &out.y, &out.z)) {
            line->problem = PositionLine::NotTransformed;
            return;
        }
        if (m_unitsCode != 1)
            out = radiansToDegrees(out);
        if (m_unitsCode == 2) {
            out.x *= 3600.0;
            out.y *= 3600.0;
        }
        for (int axis = 0; axis < 2; ++axis) {
            const double value = axis == 0 ? out.x : out.y;
            if (!storedCoordinate(value, m_multiplier, &line->values[2 * p + axis])) {
                line->column = axis == 0 ? xColumn : yColumn;
                line->text = QString::number(value, 'f', 2);
                line->problem = PositionLine::DoesNotFit;
                return;
            }
        }
    }
}

PositionLine PositionConversion::convert(const QStringList& fields) const
{
    PositionLine line;
    if (!m_error.isEmpty())
        return line;
    if (m_asIs)
        convertAsIs(fields, &line);
    else
        convertTransformed(fields, &line);
    if (line.isStored()) {
        line.column = -1;
        line.text.clear();
    }
    return line;
}

QString PositionConversion::reason(const PositionLine& line, qint64 textLine) const
{
    switch (line.problem) {
    case PositionLine::Stored:
        return QString();
    case PositionLine::MissingColumn:
        return tr("Line %1 has no column %2.").arg(textLine).arg(line.column + 1);
    case PositionLine::NotANumber:
        return tr("Line %1: \"%2\" in column %3 is not a number.").arg(textLine).arg(line.text).arg(line.column + 1);
    case PositionLine::HasDecimals:
        return tr("Line %1: %2 has decimals; \"Write data as is\" stores integers only. Choose a reference system "
                  "transform, which stores decimals with a scalar.")
            .arg(textLine)
            .arg(line.text);
    case PositionLine::DoesNotFit:
        if (m_asIs)
            return tr("Line %1: %2 does not fit a 4-byte header field.").arg(textLine).arg(line.text);
        return tr("Line %1: %2 times %3 does not fit a 4-byte header field.")
            .arg(textLine)
            .arg(line.text)
            .arg(m_multiplier);
    case PositionLine::NotTransformed:
        return tr("Line %1: PROJ cannot transform the position %2.").arg(textLine).arg(line.text);
    }
    return QString();
}

PositionImport::PositionImport(SEGY* segy, const QMap<QString, int>& mapping, const QString& inputProj,
                               const QString& outputProj)
    : m_segy(segy), m_conversion(mapping, inputProj, outputProj)
{
    if (!m_segy || !m_segy->isLoaded()) {
        m_error = tr("No SEG-Y file is loaded.");
    } else if (!m_conversion.error().isEmpty()) {
        m_error = m_conversion.error();
    } else {
        m_traceCount = segy->traceCount();
        m_started = true;
    }
}

PositionImport::~PositionImport()
{
    finish();
}

void PositionImport::addLine(int lineIndex, const QStringList& fields, qint64 textLine)
{
    if (!m_started || m_finished || lineIndex < 0)
        return;
    if (lineIndex >= m_traceCount) {
        ++m_beyond;
        return;
    }
    const PositionLine line = m_conversion.convert(fields);
    if (!line.isStored()) {
        if (m_unchanged++ == 0) {
            m_firstUnchanged = textLine;
            m_firstReason = m_conversion.reason(line, textLine);
            m_firstLine = line;
        }
        return;
    }
    for (int k = 0; k < 6; ++k) {
        if (m_conversion.column(k) >= 0)
            m_changes.setTraceValue(lineIndex, Fields[k], line.values[k]);
    }
    m_changes.setTraceValue(lineIndex, TraceField::CoordinateUnit, m_conversion.unitsCode());
    m_changes.setTraceValue(lineIndex, TraceField::CoordinateScalar, m_conversion.scalar());
    ++m_written;
}

void PositionImport::finish()
{
    if (!m_started || m_finished)
        return;
    m_finished = true;
    const ApplyResult applied = m_segy->apply(m_changes);
    m_changes = HeaderChanges();
    if (!applied.ok) {
        m_error = tr("The positions could not be stored: %1").arg(applied.error);
        m_written = 0;
        return;
    }
    m_changedTraces = applied.changedTraces;
}

QString PositionImport::report() const
{
    if (!m_error.isEmpty())
        return m_error;
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

int importPositionsFromText(PositionImport& import, QIODevice* device, const TextSplitOptions& options,
                            QString* error)
{
    const QString refusal = delimiterRefusal(options);
    if (!refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return -1;
    }
    DelimitedTextReader reader(device, options);
    QStringList fields;
    int kept = 0;
    while (reader.readFields(&fields))
        import.addLine(kept++, fields, reader.lineNumber());
    return kept;
}
