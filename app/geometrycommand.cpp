// The "geometry" command: where the traces lie, the bin grid their CDP
// positions follow, missing and doubled grid nodes, the spacing of a 2-D
// line, the offsets against the positions, and a map of it all.

#include "command.h"
#include "commandsupport.h"
#include "crsdefinition.h"
#include "headerfields.h"
#include "jsonwriter.h"
#include "positionprojection.h"
#include "segy.h"
#include "surveygeometry.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <algorithm>
#include <limits>
#include <tuple>

namespace {

QString (*const tr)(const char*) = commandTr;

const QSize MapSize(1200, 900);
const char* const LayerKeys[TracePositions::LayerCount] = {"sources", "receivers", "cdps"};

// Fields of a layout stand in the reports by their names; these indexes,
// beyond the standard table, mark them.
const int CustomFieldIndex = 1000;

// The values of a layout field in every trace, as integers.
std::vector<qint32> customFieldValues(const SEGY& segy, const FieldDescription& field)
{
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    std::vector<qint32> values(size_t(headers.size()), 0);
    for (int t = 0; t < headers.size(); ++t)
        if (headers.at(t))
            values[size_t(t)] = qint32(std::clamp<qint64>(segy.fieldValue(headers.at(t), field).toInt64(),
                                                          std::numeric_limits<qint32>::min(),
                                                          std::numeric_limits<qint32>::max()));
    return values;
}

class GeometryCommand : public Command
{
public:
    GeometryCommand()
        : Command("geometry", QT_TRANSLATE_NOOP("QObject", "Report where the traces lie: extents, the bin grid fitted "
                                                            "to the CDPs, missing and duplicate nodes, line spacing, "
                                                            "offsets; draw them as a map."))
    {
    }

    void addOptions(QCommandLineParser& parser) const override
    {
        parser.addOptions({
            {QStringLiteral("inline"),
             QStringLiteral("First byte of the inline numbers (default 189), or a field of the layout by name."),
             QStringLiteral("field")},
            {QStringLiteral("crossline"),
             QStringLiteral("First byte of the crossline numbers (default 193), or a field of the layout by name."),
             QStringLiteral("field")},
            {QStringLiteral("json"), QStringLiteral("Print the report as one JSON document.")},
            {QStringLiteral("map"), QStringLiteral("Draw the positions into a PNG or SVG picture."),
             QStringLiteral("file")},
            {QStringLiteral("colour-by"),
             QStringLiteral("Colour the CDPs of the map by this trace header field (first byte or layout name)."),
             QStringLiteral("field")},
            {QStringLiteral("epsg"),
             QStringLiteral("Projected system (EPSG code or PROJ text) for positions stored in degrees."),
             QStringLiteral("code")},
        });
    }

    bool readOptions(const QCommandLineParser& parser, QString* error) override
    {
        m_json = parser.isSet(QStringLiteral("json"));
        m_map = parser.value(QStringLiteral("map"));
        m_epsg = parser.value(QStringLiteral("epsg"));
        const std::pair<const char*, int*> fields[] = {
            {"inline", &m_inlineField}, {"crossline", &m_crosslineField}, {"colour-by", &m_colourField}};
        for (const auto& [name, field] : fields) {
            const QString text = parser.value(QLatin1String(name));
            if (text.isEmpty())
                continue;
            *field = traceHeaderFieldIndex(text);
            if (*field >= 0)
                continue;
            // Not a byte: a field the layout names.
            const FieldDescription* custom = commandFieldLayout().find(text, HeaderBlock::Trace);
            if (!custom) {
                *error = tr("Error: %1 is neither a valid offset for SEG-Y trace headers nor a trace header field of "
                            "the layout.")
                             .arg(text);
                return false;
            }
            *field = CustomFieldIndex + int(m_custom.size());
            m_custom.push_back(*custom);
        }
        if (m_inlineField == m_crosslineField) {
            *error = tr("Error: --inline and --crossline name the same field.");
            return false;
        }
        const QString suffix = QFileInfo(m_map).suffix().toLower();
        if (parser.isSet(QStringLiteral("map")) && suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
            *error = tr("Error: --map takes a file name ending in .png or .svg.");
            return false;
        }
        if (m_colourField >= 0 && m_map.isEmpty()) {
            *error = tr("Error: --colour-by colours the map; give --map too.");
            return false;
        }
        return true;
    }

    bool run(const QString& fileName, const ErrorSink& error) override
    {
        return readFile(fileName, error, [&](const SEGY& segy) { return report(segy, fileName, error); });
    }

private:
    bool report(const SEGY& segy, const QString& fileName, const ErrorSink& error) const;
    void printText(const SurveyGeometry& g, const TracePositions& p, const QString& fileName) const;
    void printJson(const SurveyGeometry& g, const TracePositions& p, const QString& fileName) const;

    // A field's bytes for the reports, or its name for a layout field.
    QString fieldBytes(int field) const
    {
        if (field >= CustomFieldIndex)
            return m_custom.at(size_t(field - CustomFieldIndex)).name;
        return field < 0 ? QString() : traceHeaderLabels().at(field);
    }
    std::vector<qint32> fieldValues(const SEGY& segy, int field) const
    {
        return field >= CustomFieldIndex ? customFieldValues(segy, m_custom.at(size_t(field - CustomFieldIndex)))
                                         : traceFieldValues(segy, field);
    }

    std::vector<FieldDescription> m_custom;
    int m_inlineField = fieldIndex(TraceField::Inline);
    int m_crosslineField = fieldIndex(TraceField::Crossline);
    int m_colourField = -1;
    bool m_json = false;
    QString m_map;
    QString m_epsg;
};

bool GeometryCommand::report(const SEGY& segy, const QString& fileName, const ErrorSink& error) const
{
    const auto standard = [](int field, TraceField otherwise) {
        return field >= CustomFieldIndex ? fieldIndex(otherwise) : field;
    };
    TracePositions positions = readTracePositions(segy, standard(m_inlineField, TraceField::Inline),
                                                  standard(m_crosslineField, TraceField::Crossline));
    for (const auto& [field, numbers, slot] : {std::tuple{m_inlineField, &positions.inlines, &positions.inlineField},
                                               std::tuple{m_crosslineField, &positions.crosslines, &positions.crosslineField}})
        if (field >= CustomFieldIndex) {
            *numbers = fieldValues(segy, field);
            *slot = field;
        }
    if (!m_epsg.isEmpty() && positions.geographic) {
        const CrsCatalogue catalogue;
        const CrsResolution resolution = resolveCrs(catalogue, m_epsg);
        QString problem = resolution.error;
        if (problem.isEmpty())
            projectTracePositions(&positions, resolution.definition, &problem);
        if (!problem.isEmpty()) {
            error(tr("Error: %1").arg(problem));
            return false;
        }
    }
    SurveyGeometry geometry = surveyGeometry(positions);
    if (!m_epsg.isEmpty() && !positions.geographic)
        geometry.notes << tr("The positions are lengths already; --epsg was not used.");
    if (m_json)
        printJson(geometry, positions, fileName);
    else
        printText(geometry, positions, fileName);
    if (m_map.isEmpty())
        return true;
    MapPicture picture{&positions, &geometry, {}, QString(), m_map, MapSize};
    if (m_colourField >= 0) {
        picture.colours = fieldValues(segy, m_colourField);
        picture.colourLabel = fieldBytes(m_colourField);
    }
    QString problem;
    if (!mapWriter() || !mapWriter()(picture, &problem)) {
        error(tr("Error: %1").arg(mapWriter() ? problem : tr("maps are drawn by the window library, which is not loaded.")));
        return false;
    }
    return true;
}

void GeometryCommand::printText(const SurveyGeometry& g, const TracePositions& p, const QString& fileName) const
{
    const int places = g.unit == QLatin1String("deg") ? 7 : 2;
    auto number = [](double v, int decimals) { return QString::number(v, 'f', decimals); };
    auto length = [&](double v) { return QStringLiteral("%1 %2").arg(number(v, places), g.unit); };
    auto out = [](const QString& line) { printLine(stdout, line); };

    out(tr("File: %1").arg(fileName));
    out(tr("Traces: %1").arg(g.traceCount));
    out(tr("Positions in: %1").arg(g.unit));
    out(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
            .arg(tr("Positions"), -10)
            .arg(tr("Present"), 9)
            .arg(tr("Absent"), 9)
            .arg(tr("Min X"), 15)
            .arg(tr("Max X"), 15)
            .arg(tr("Min Y"), 15)
            .arg(tr("Max Y"), 15));
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        const PositionExtent& e = g.extents[layer];
        auto value = [&](double v) { return e.present ? number(v, places) : QStringLiteral("-"); };
        out(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                .arg(TracePositions::layerName(layer), -10)
                .arg(e.present, 9)
                .arg(e.absent, 9)
                .arg(value(e.minX), 15)
                .arg(value(e.maxX), 15)
                .arg(value(e.minY), 15)
                .arg(value(e.maxY), 15));
    }
    if (p.elevations)
        out(tr("Elevations: %1 to %2").arg(number(p.minElevation, 2), number(p.maxElevation, 2)));

    const BinGrid& grid = g.grid;
    if (grid.fitted) {
        out(tr("Bin grid fitted to %1 CDPs (inline %2, crossline %3):")
                .arg(grid.traces)
                .arg(fieldBytes(p.inlineField), fieldBytes(p.crosslineField)));
        out(tr("  Origin: inline %1, crossline %2 at %3, %4")
                .arg(grid.inlineMin)
                .arg(grid.crosslineMin)
                .arg(number(grid.originX, 2), number(grid.originY, 2)));
        out(tr("  Inlines: %1 to %2, step %3; crosslines: %4 to %5, step %6")
                .arg(grid.inlineMin)
                .arg(grid.inlineMax)
                .arg(grid.inlineStep)
                .arg(grid.crosslineMin)
                .arg(grid.crosslineMax)
                .arg(grid.crosslineStep));
        out(tr("  Azimuths from grid north: inlines %1 deg, crosslines %2 deg")
                .arg(number(grid.inlineAzimuth, 3), number(grid.crosslineAzimuth, 3)));
        out(tr("  Bin size: %1 along the inlines, %2 along the crosslines")
                .arg(length(grid.inlineBinSize), length(grid.crosslineBinSize)));
        // No trace is named where every CDP sits on its node.
        out(grid.maxResidualTrace >= 0 ? tr("  Residuals: RMS %1, largest %2 (trace %3)")
                                             .arg(length(grid.rmsResidual), length(grid.maxResidual))
                                             .arg(grid.maxResidualTrace)
                                       : tr("  Residuals: RMS %1, largest %2")
                                             .arg(length(grid.rmsResidual), length(grid.maxResidual)));
        if (!grid.degenerate) {
            out(tr("  Traces more than half a bin from their node: %1").arg(grid.offNodeTraces));
            for (const OffNodeTrace& t : grid.firstOffNode)
                out(tr("    trace %1, inline %2, crossline %3: %4 away")
                        .arg(t.trace)
                        .arg(t.inl)
                        .arg(t.xl)
                        .arg(length(t.distance)));
        }
        if (!grid.degenerate) {
            out(tr("  Corners:"));
            for (const GridCorner& c : grid.corners)
                out(QStringLiteral("    %1 %2 %3 %4")
                        .arg(tr("inline %1,").arg(c.inl), -16)
                        .arg(tr("crossline %1:").arg(c.xl), -18)
                        .arg(number(c.x, 2), 14)
                        .arg(number(c.y, 2), 14));
        }
        if (grid.nodesCounted) {
            out(tr("  Nodes: %1; missing: %2; duplicate: %3")
                    .arg(grid.nodes)
                    .arg(grid.missingNodes)
                    .arg(grid.duplicateNodes));
            QStringList missing, duplicates;
            for (const GridNode& n : grid.firstMissing)
                missing << tr("%1/%2").arg(n.inl).arg(n.xl);
            for (const GridNode& n : grid.firstDuplicates)
                duplicates << tr("%1/%2 (%3 traces)").arg(n.inl).arg(n.xl).arg(n.traces);
            if (!missing.isEmpty())
                out(tr("    missing (inline/crossline): %1").arg(missing.join(QStringLiteral(", "))));
            if (!duplicates.isEmpty())
                out(tr("    duplicate (inline/crossline): %1").arg(duplicates.join(QStringLiteral(", "))));
        }
    }
    const SeismicLine& line = g.line;
    if (line.described) {
        out(line.keyField >= 0 ? tr("Line of %1 CDPs in the order of %2:").arg(line.points).arg(fieldBytes(line.keyField))
                               : tr("Line of %1 CDPs in trace order:").arg(line.points));
        out(tr("  Length: %1").arg(length(line.length)));
        out(tr("  CDP spacing: median %1, minimum %2, maximum %3")
                .arg(length(line.medianSpacing), length(line.minSpacing), length(line.maxSpacing)));
        out(tr("  Gaps over 1.5 times the median: %1").arg(line.gaps));
        for (const LineGap& gap : line.firstGaps)
            out(tr("    %1 to %2: %3").arg(gap.from).arg(gap.to).arg(length(gap.distance)));
    }
    const OffsetCheck& offsets = g.offsets;
    if (offsets.checked) {
        out(tr("Offsets (37-40) against source to receiver distance, %1 traces:").arg(offsets.traces));
        out(offsets.maxDifferenceTrace >= 0 ? tr("  Difference: RMS %1, largest %2 (trace %3)")
                                                  .arg(length(offsets.rmsDifference), length(offsets.maxDifference))
                                                  .arg(offsets.maxDifferenceTrace)
                                            : tr("  Difference: RMS %1, largest %2")
                                                  .arg(length(offsets.rmsDifference), length(offsets.maxDifference)));
        out(tr("  Traces off by more than 1 m: %1").arg(offsets.overOneMetre));
    }
    for (const QString& note : g.notes)
        out(tr("Note: %1").arg(note));
}

void GeometryCommand::printJson(const SurveyGeometry& g, const TracePositions& p, const QString& fileName) const
{
    const int places = g.unit == QLatin1String("deg") ? 7 : 3;
    JsonWriter json(stdout);
    auto real = [&](const char* name, double v, int decimals) {
        json.key(QByteArray(name));
        json.decimal(v, decimals);
    };
    json.beginObject();
    json.member("file", fileName);
    json.member("traceCount", qint64(g.traceCount));
    json.member("unit", g.unit);
    json.key(QStringLiteral("extents"));
    json.beginObject();
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        const PositionExtent& e = g.extents[layer];
        json.key(QByteArray(LayerKeys[layer]));
        json.beginObject(true);
        json.member("present", e.present);
        json.member("absent", e.absent);
        for (const auto& [name, v] : {std::pair{"minX", e.minX}, {"maxX", e.maxX}, {"minY", e.minY}, {"maxY", e.maxY}}) {
            if (e.present)
                real(name, v, places);
            else
                json.key(QByteArray(name)), json.null();
        }
        json.endObject();
    }
    json.endObject();
    json.key(QStringLiteral("elevations"));
    if (p.elevations) {
        json.beginObject(true);
        real("minimum", p.minElevation, 2);
        real("maximum", p.maxElevation, 2);
        json.endObject();
    } else {
        json.null();
    }
    json.member("kind", QString::fromLatin1(g.kind == SurveyGeometry::Grid3D  ? "grid3d"
                                             : g.kind == SurveyGeometry::Line2D ? "line2d"
                                                                                : "none"));

    const BinGrid& grid = g.grid;
    json.key(QStringLiteral("grid"));
    if (grid.fitted) {
        json.beginObject();
        json.member("inlineBytes", fieldBytes(p.inlineField));
        json.member("crosslineBytes", fieldBytes(p.crosslineField));
        json.member("traces", grid.traces);
        json.key(QStringLiteral("origin"));
        json.beginObject(true);
        json.member("inline", qint64(grid.inlineMin));
        json.member("crossline", qint64(grid.crosslineMin));
        real("x", grid.originX, 3);
        real("y", grid.originY, 3);
        json.endObject();
        for (const auto& [name, first, last, step] :
             {std::tuple{"inlines", grid.inlineMin, grid.inlineMax, grid.inlineStep},
              {"crosslines", grid.crosslineMin, grid.crosslineMax, grid.crosslineStep}}) {
            json.key(QByteArray(name));
            json.beginObject(true);
            json.member("first", qint64(first));
            json.member("last", qint64(last));
            json.member("step", qint64(step));
            json.endObject();
        }
        real("inlineAzimuth", grid.inlineAzimuth, 4);
        real("crosslineAzimuth", grid.crosslineAzimuth, 4);
        real("inlineBinSize", grid.inlineBinSize, 3);
        real("crosslineBinSize", grid.crosslineBinSize, 3);
        real("rmsResidual", grid.rmsResidual, 3);
        real("maxResidual", grid.maxResidual, 3);
        json.member("maxResidualTrace", qint64(grid.maxResidualTrace));
        json.key(QStringLiteral("offNodeTraces"));
        if (grid.degenerate)
            json.null();
        else
            json.value(grid.offNodeTraces);
        json.key(QStringLiteral("firstOffNode"));
        json.beginArray();
        for (const OffNodeTrace& t : grid.firstOffNode) {
            json.beginObject(true);
            json.member("trace", qint64(t.trace));
            json.member("inline", qint64(t.inl));
            json.member("crossline", qint64(t.xl));
            real("distance", t.distance, 3);
            json.endObject();
        }
        json.endArray();
        json.key(QStringLiteral("corners"));
        json.beginArray();
        for (const GridCorner& c : grid.corners) {
            json.beginObject(true);
            json.member("inline", qint64(c.inl));
            json.member("crossline", qint64(c.xl));
            real("x", c.x, 3);
            real("y", c.y, 3);
            json.endObject();
        }
        json.endArray();
        for (const char* name : {"nodes", "missingNodes", "duplicateNodes"}) {
            json.key(QByteArray(name));
            if (!grid.nodesCounted)
                json.null();
            else
                json.value(name[0] == 'n' ? grid.nodes : name[0] == 'm' ? grid.missingNodes : grid.duplicateNodes);
        }
        for (const auto& [name, nodes] :
             {std::pair{"firstMissing", &grid.firstMissing}, {"firstDuplicates", &grid.firstDuplicates}}) {
            json.key(QByteArray(name));
            json.beginArray();
            for (const GridNode& n : *nodes) {
                json.beginObject(true);
                json.member("inline", qint64(n.inl));
                json.member("crossline", qint64(n.xl));
                json.member("traces", qint64(n.traces));
                json.endObject();
            }
            json.endArray();
        }
        json.endObject();
    } else {
        json.null();
    }

    const SeismicLine& line = g.line;
    json.key(QStringLiteral("line"));
    if (line.described) {
        json.beginObject();
        json.key(QStringLiteral("orderedBy"));
        if (line.keyField >= 0)
            json.value(fieldBytes(line.keyField));
        else
            json.null();
        json.member("points", line.points);
        real("length", line.length, 3);
        real("medianSpacing", line.medianSpacing, 3);
        real("minSpacing", line.minSpacing, 3);
        real("maxSpacing", line.maxSpacing, 3);
        json.member("gaps", line.gaps);
        json.key(QStringLiteral("firstGaps"));
        json.beginArray();
        for (const LineGap& gap : line.firstGaps) {
            json.beginObject(true);
            json.member("from", qint64(gap.from));
            json.member("to", qint64(gap.to));
            real("distance", gap.distance, 3);
            json.endObject();
        }
        json.endArray();
        json.endObject();
    } else {
        json.null();
    }

    const OffsetCheck& offsets = g.offsets;
    json.key(QStringLiteral("offsets"));
    if (offsets.checked) {
        json.beginObject(true);
        json.member("traces", offsets.traces);
        real("rmsDifference", offsets.rmsDifference, 3);
        real("maxDifference", offsets.maxDifference, 3);
        json.member("maxDifferenceTrace", qint64(offsets.maxDifferenceTrace));
        json.member("overOneMetre", offsets.overOneMetre);
        json.endObject();
    } else {
        json.null();
    }
    json.key(QStringLiteral("notes"));
    json.beginArray();
    for (const QString& note : g.notes)
        json.value(note);
    json.endArray();
    json.endObject();
    json.finish();
}

}  // namespace

std::unique_ptr<Command> createGeometryCommand()
{
    return std::make_unique<GeometryCommand>();
}

MapWriter& mapWriter()
{
    static MapWriter writer;
    return writer;
}

bool commandDrawsPictures(const QStringList& arguments)
{
    const int command = arguments.indexOf(QStringLiteral("geometry"));
    if (command < 0)
        return false;
    for (int i = command + 1; i < arguments.size(); ++i)
        if (arguments.at(i) == QLatin1String("--map") || arguments.at(i).startsWith(QLatin1String("--map=")))
            return true;
    return false;
}
