#include "surveymap.h"

#include "headerfields.h"
#include "outputfile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SurveyMap", text);
}

// Layers bottom to top.
const int DrawOrder[] = {TracePositions::Receivers, TracePositions::Sources, TracePositions::Cdps};
// Layers by priority when looking for the point under the mouse.
const int HitOrder[] = {TracePositions::Cdps, TracePositions::Sources, TracePositions::Receivers};

const int MarginLeft = 100;
const int MarginBottom = 50;
const int MarginTop = 30;
const int MarginRight = 18;

// 1, 2 or 5 times a power of ten, near the length given.
double niceLength(double length)
{
    if (!(length > 0))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(length)));
    const double f = length / power;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * power;
}

int decimalsFor(double step)
{
    return step >= 1 ? 0 : std::min(9, int(std::ceil(-std::log10(step) - 1e-9)));
}

// Pixels across a mark: large for few points, one pixel for dense layers.
int markSize(qint64 marks)
{
    return marks < 2000 ? 7 : marks < 20000 ? 4 : marks < 200000 ? 2 : 1;
}

}  // namespace

void SurveyMap::setSurvey(const TracePositions* positions, const SurveyGeometry* geometry)
{
    m_positions = positions;
    m_geometry = geometry;
    for (auto& marks : m_marks)
        marks.clear();
}

void SurveyMap::setColourValues(std::vector<qint32> values, const QString& label)
{
    m_values = std::move(values);
    m_valueLabel = label;
    if (!m_values.empty()) {
        const auto range = std::minmax_element(m_values.begin(), m_values.end());
        m_minValue = *range.first;
        m_maxValue = *range.second;
    }
}

QColor SurveyMap::layerColour(int layer)
{
    switch (layer) {
    case TracePositions::Sources: return QColor(214, 39, 40);
    case TracePositions::Receivers: return QColor(31, 119, 180);
    default: return QColor(44, 160, 44);
    }
}

QString SurveyMap::layerName(int layer)
{
    return TracePositions::layerName(layer);
}

QColor SurveyMap::valueColour(qint32 value) const
{
    const double span = double(m_maxValue) - m_minValue;
    const double f = span > 0 ? (double(value) - m_minValue) / span : 0.5;
    // Blue, cyan, green, yellow, red.
    static const int stops[5][3] = {{49, 54, 149}, {69, 170, 210}, {90, 180, 80}, {240, 200, 40}, {200, 30, 40}};
    const double at = f * 4;
    const int i = std::min(3, int(at));
    const double w = at - i;
    return QColor(int(stops[i][0] + w * (stops[i + 1][0] - stops[i][0])),
                  int(stops[i][1] + w * (stops[i + 1][1] - stops[i][1])),
                  int(stops[i][2] + w * (stops[i + 1][2] - stops[i][2])));
}

QRect SurveyMap::plotArea(QSize size)
{
    return QRect(MarginLeft, MarginTop, std::max(1, size.width() - MarginLeft - MarginRight),
                 std::max(1, size.height() - MarginTop - MarginBottom));
}

MapView SurveyMap::fitAll(QSize size) const
{
    MapView view;
    if (!m_positions)
        return view;
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        if (!m_visible[layer])
            continue;
        const std::vector<double>& xs = m_positions->x[layer];
        const std::vector<double>& ys = m_positions->y[layer];
        for (size_t t = 0; t < xs.size(); ++t) {
            if (xs[t] != xs[t])
                continue;
            minX = std::min(minX, xs[t]);
            maxX = std::max(maxX, xs[t]);
            minY = std::min(minY, ys[t]);
            maxY = std::max(maxY, ys[t]);
        }
    }
    if (minX > maxX)
        return view;
    const QRect plot = plotArea(size);
    view.centreX = (minX + maxX) / 2;
    view.centreY = (minY + maxY) / 2;
    const double span = std::max((maxX - minX) / plot.width(), (maxY - minY) / plot.height()) * 1.3;
    view.unitsPerPixel = span > 0 ? span : 1.0 / plot.width() * std::max(1.0, std::fabs(minX) * 1e-3);
    return view;
}

QPointF SurveyMap::toPixel(double x, double y, const MapView& view, QSize size) const
{
    const QRectF plot = plotArea(size);
    return QPointF(plot.center().x() + (x - view.centreX) / view.unitsPerPixel,
                   plot.center().y() - (y - view.centreY) / view.unitsPerPixel);
}

QPointF SurveyMap::toPosition(QPointF pixel, const MapView& view, QSize size) const
{
    const QRectF plot = plotArea(size);
    return QPointF(view.centreX + (pixel.x() - plot.center().x()) * view.unitsPerPixel,
                   view.centreY - (pixel.y() - plot.center().y()) * view.unitsPerPixel);
}

void SurveyMap::markLayers(const QRect& plot, const MapView& view, QSize size)
{
    m_plot = plot;
    const int w = plot.width(), h = plot.height();
    Q_UNUSED(size);
    const double scale = 1.0 / view.unitsPerPixel;
    // Pixels within the plot area, as toPixel places them.
    const double cx = w / 2.0, cy = h / 2.0;
    for (int layer = 0; layer < TracePositions::LayerCount; ++layer) {
        std::vector<qint32>& marks = m_marks[layer];
        m_markCount[layer] = 0;
        if (!m_visible[layer] || !m_positions || m_positions->x[layer].empty()) {
            marks.clear();
            continue;
        }
        marks.assign(size_t(w) * size_t(h), -1);
        const double* xs = m_positions->x[layer].data();
        const double* ys = m_positions->y[layer].data();
        const int n = m_positions->traceCount();
        qint64 count = 0;
        for (int t = 0; t < n; ++t) {
            const double px = cx + (xs[t] - view.centreX) * scale;
            const double py = cy - (ys[t] - view.centreY) * scale;
            // NaN fails both tests.
            if (!(px >= 0 && px < w) || !(py >= 0 && py < h))
                continue;
            qint32& mark = marks[size_t(int(py)) * size_t(w) + size_t(int(px))];
            if (mark < 0) {
                mark = t;
                ++count;
            }
        }
        m_markCount[layer] = count;
    }
}

void SurveyMap::drawPoints(QPainter& painter, const QRect& plot, bool vector)
{
    const int w = plot.width(), h = plot.height();
    const bool byValue = !m_values.empty();
    for (int layer : DrawOrder) {
        const std::vector<qint32>& marks = m_marks[layer];
        if (marks.empty() || m_markCount[layer] == 0)
            continue;
        const int size = markSize(m_markCount[layer]);
        const bool coloured = byValue && layer == TracePositions::Cdps;
        const QColor plain = layerColour(layer);
        if (vector) {
            // One point primitive per marked pixel, grouped by colour.
            const int shades = coloured ? 32 : 1;
            std::vector<QPolygonF> groups;
            groups.resize(size_t(shades));
            for (int k = 0; k < w * h; ++k) {
                const qint32 t = marks[size_t(k)];
                if (t < 0)
                    continue;
                int shade = 0;
                if (coloured && m_maxValue > m_minValue)
                    shade = int((double(m_values[size_t(t)]) - m_minValue) / (double(m_maxValue) - m_minValue) * (shades - 1) + 0.5);
                groups[size_t(shade)].append(QPointF(plot.left() + k % w + 0.5, plot.top() + k / w + 0.5));
            }
            for (int s = 0; s < shades; ++s) {
                if (groups[size_t(s)].isEmpty())
                    continue;
                const QColor colour =
                    coloured ? valueColour(qint32(m_minValue + (double(m_maxValue) - m_minValue) * s / (shades - 1)))
                             : plain;
                painter.setPen(QPen(colour, size, Qt::SolidLine, size > 2 ? Qt::RoundCap : Qt::SquareCap));
                painter.drawPoints(groups[size_t(s)]);
            }
            continue;
        }
        // Stamped into an image of the plot area, then drawn at once.
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        const QRgb plainRgb = plain.rgba();
        const int r = size / 2;
        for (int k = 0; k < w * h; ++k) {
            const qint32 t = marks[size_t(k)];
            if (t < 0)
                continue;
            const QRgb rgb = coloured ? valueColour(m_values[size_t(t)]).rgba() : plainRgb;
            const int x0 = k % w, y0 = k / w;
            for (int dy = -r; dy < size - r; ++dy) {
                const int y = y0 + dy;
                if (y < 0 || y >= h)
                    continue;
                QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int dx = -r; dx < size - r; ++dx) {
                    const int x = x0 + dx;
                    // Large marks are round.
                    if (x < 0 || x >= w || (size > 4 && dx * dx + dy * dy > r * r + 1))
                        continue;
                    line[x] = rgb;
                }
            }
        }
        painter.drawImage(plot.topLeft(), image);
    }
}

void SurveyMap::drawSelection(QPainter& painter, const QRect& plot, const MapView& view, QSize size)
{
    if (m_selection.empty() || !m_positions)
        return;
    const int w = plot.width(), h = plot.height();
    std::vector<bool> ringed(size_t(w) * size_t(h), false);
    QPolygonF rings;
    for (int t : m_selection) {
        if (t < 0 || t >= m_positions->traceCount())
            continue;
        for (int layer : HitOrder) {
            if (!m_visible[layer] || !m_positions->present(layer, t))
                continue;
            const QPointF p = toPixel(m_positions->x[layer][size_t(t)], m_positions->y[layer][size_t(t)], view, size);
            const int px = int(std::floor(p.x())) - plot.left(), py = int(std::floor(p.y())) - plot.top();
            if (px < 0 || px >= w || py < 0 || py >= h || ringed[size_t(py) * size_t(w) + size_t(px)])
                break;
            ringed[size_t(py) * size_t(w) + size_t(px)] = true;
            rings.append(p);
            break;
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 2.5));
    for (const QPointF& p : rings)
        painter.drawEllipse(p, 6, 6);
    painter.setPen(QPen(QColor(255, 215, 0), 1.5));
    for (const QPointF& p : rings)
        painter.drawEllipse(p, 6, 6);
}

void SurveyMap::drawGrid(QPainter& painter, const MapView& view, QSize size)
{
    // A grid whose directions are parallel has no outline.
    if (!m_geometry || !m_geometry->grid.fitted || m_geometry->grid.degenerate)
        return;
    const BinGrid& grid = m_geometry->grid;
    QPolygonF outline;
    for (const GridCorner& c : grid.corners)
        outline.append(toPixel(c.x, c.y, view, size));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(60, 60, 60), 1.5, Qt::DashLine));
    painter.drawPolygon(outline);
    painter.setPen(QColor(30, 30, 30));
    const QPointF centre = outline.boundingRect().center();
    const QFontMetrics metrics(painter.font());
    for (int c = 0; c < 4; ++c) {
        const QString label = tr("IL %1 / XL %2").arg(grid.corners[c].inl).arg(grid.corners[c].xl);
        const QPointF p = outline[c];
        const int width = metrics.horizontalAdvance(label);
        const QRect plot = plotArea(size);
        const double x = qBound(double(plot.left() + 2), p.x() < centre.x() ? p.x() - width - 6 : p.x() + 6,
                                double(plot.right() - width - 2));
        const double y = qBound(double(plot.top() + metrics.ascent() + 2),
                                p.y() < centre.y() ? p.y() - 4 : p.y() + metrics.ascent() + 2,
                                double(plot.bottom() - 4));
        painter.drawText(QPointF(x, y), label);
    }
}

void SurveyMap::drawAxes(QPainter& painter, const QRect& plot, const MapView& view, QSize size)
{
    const QString unit = m_positions ? m_positions->unitName() : QStringLiteral("m");
    painter.setPen(QColor(40, 40, 40));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(plot).adjusted(-0.5, -0.5, 0.5, 0.5));
    const QFontMetrics metrics(painter.font());
    const QPointF low = toPosition(QPointF(plot.left(), plot.bottom()), view, size);
    const QPointF high = toPosition(QPointF(plot.right(), plot.top()), view, size);
    const double stepX = niceLength((high.x() - low.x()) / std::max(2, plot.width() / 150));
    const double stepY = niceLength((high.y() - low.y()) / std::max(2, plot.height() / 90));
    for (double x = std::ceil(low.x() / stepX) * stepX; x <= high.x(); x += stepX) {
        const double px = toPixel(x, 0, view, size).x();
        painter.drawLine(QPointF(px, plot.bottom() + 1), QPointF(px, plot.bottom() + 5));
        const QString label = QString::number(x, 'f', decimalsFor(stepX));
        painter.drawText(QPointF(px - metrics.horizontalAdvance(label) / 2.0, plot.bottom() + 6 + metrics.ascent()),
                         label);
    }
    for (double y = std::ceil(low.y() / stepY) * stepY; y <= high.y(); y += stepY) {
        const double py = toPixel(0, y, view, size).y();
        painter.drawLine(QPointF(plot.left() - 5, py), QPointF(plot.left() - 1, py));
        const QString label = QString::number(y, 'f', decimalsFor(stepY));
        painter.drawText(QPointF(plot.left() - 8 - metrics.horizontalAdvance(label), py + metrics.ascent() / 2.0 - 1),
                         label);
    }
    const QString xTitle = tr("X (%1)").arg(unit), yTitle = tr("Y (%1)").arg(unit);
    painter.drawText(QPointF(plot.right() - metrics.horizontalAdvance(xTitle), plot.bottom() + 8 + 2 * metrics.ascent()),
                     xTitle);
    painter.drawText(QPointF(plot.left() - 8 - metrics.horizontalAdvance(yTitle), plot.top() - 8), yTitle);
}

void SurveyMap::drawDecorations(QPainter& painter, const QRect& plot, const MapView& view)
{
    const QFontMetrics metrics(painter.font());
    const QString unit = m_positions ? m_positions->unitName() : QStringLiteral("m");

    // North arrow, top right.
    const QPointF tip(plot.right() - 24, plot.top() + 10);
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(8, 26));
    arrow.lineTo(tip + QPointF(0, 20));
    arrow.lineTo(tip + QPointF(-8, 26));
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
    painter.drawText(QPointF(tip.x() - metrics.horizontalAdvance(QStringLiteral("N")) / 2.0, tip.y() + 28 + metrics.ascent()),
                     QStringLiteral("N"));

    // Scale bar, bottom left: two halves, black and white.
    const double length = niceLength(plot.width() * view.unitsPerPixel / 5);
    const double pixels = length / view.unitsPerPixel;
    const QPointF start(plot.left() + 14, plot.bottom() - 16);
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(start, QSizeF(pixels / 2, 5)));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(start + QPointF(pixels / 2, 0), QSizeF(pixels / 2, 5)));
    painter.drawText(start + QPointF(0, -4), QStringLiteral("%1 %2").arg(QString::number(length, 'g', 6), unit));

}

void SurveyMap::drawLegend(QPainter& painter, const QRect& plot)
{
    const QFontMetrics metrics(painter.font());
    QStringList lines;
    QList<QColor> colours;
    for (int layer = TracePositions::LayerCount - 1; layer >= 0; --layer) {
        if (!m_visible[layer] || !m_positions || !m_geometry || m_geometry->extents[layer].present == 0)
            continue;
        const bool coloured = !m_values.empty() && layer == TracePositions::Cdps;
        lines << (coloured ? tr("CDPs by %1: %2 to %3").arg(m_valueLabel).arg(m_minValue).arg(m_maxValue)
                           : tr("%1 (%2)").arg(layerName(layer)).arg(m_geometry->extents[layer].present));
        colours << (coloured ? QColor() : layerColour(layer));
    }
    if (lines.isEmpty())
        return;
    // One row in the margin above the plot, ending at its right edge.
    const int swatchWidth = 22, gap = 16;
    double x = plot.right();
    for (const QString& line : lines)
        x -= swatchWidth + 6 + metrics.horizontalAdvance(line) + gap;
    x += gap;
    const double baseline = plot.top() - 8;
    for (int i = 0; i < lines.size(); ++i) {
        const QRectF swatch(x, baseline - metrics.ascent() + 2, swatchWidth, metrics.ascent() - 2);
        painter.setPen(Qt::NoPen);
        if (colours.at(i).isValid()) {
            painter.setBrush(colours.at(i));
            painter.drawEllipse(QRectF(swatch.center().x() - 4, swatch.center().y() - 4, 8, 8));
        } else {
            QLinearGradient ramp(swatch.topLeft(), swatch.topRight());
            for (int s = 0; s <= 4; ++s)
                ramp.setColorAt(s / 4.0, valueColour(qint32(m_minValue + (double(m_maxValue) - m_minValue) * s / 4)));
            painter.setBrush(ramp);
            painter.drawRect(swatch);
        }
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x + swatchWidth + 6, baseline), lines.at(i));
        x += swatchWidth + 6 + metrics.horizontalAdvance(lines.at(i)) + gap;
    }
}

void SurveyMap::paint(QPainter& painter, QSize size, const MapView& view, bool vector)
{
    const QRect plot = plotArea(size);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    markLayers(plot, view, size);
    painter.save();
    painter.setClipRect(plot);
    drawPoints(painter, plot, vector);
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawGrid(painter, view, size);
    drawSelection(painter, plot, view, size);
    drawDecorations(painter, plot, view);
    painter.restore();
    drawAxes(painter, plot, view, size);
    drawLegend(painter, plot);
}

MapHit SurveyMap::traceAt(QPoint pixel, int radius) const
{
    MapHit hit;
    if (!m_positions)
        return hit;
    const int w = m_plot.width(), h = m_plot.height();
    const int px = pixel.x() - m_plot.left(), py = pixel.y() - m_plot.top();
    for (int layer : HitOrder) {
        const std::vector<qint32>& marks = m_marks[layer];
        if (marks.size() != size_t(w) * size_t(h))
            continue;
        int best = radius * radius + 1;
        for (int dy = -radius; dy <= radius; ++dy) {
            for (int dx = -radius; dx <= radius; ++dx) {
                const int x = px + dx, y = py + dy;
                if (x < 0 || x >= w || y < 0 || y >= h || dx * dx + dy * dy >= best)
                    continue;
                const qint32 t = marks[size_t(y) * size_t(w) + size_t(x)];
                if (t < 0)
                    continue;
                best = dx * dx + dy * dy;
                hit.trace = t;
                hit.layer = layer;
            }
        }
        if (hit.trace >= 0) {
            hit.x = m_positions->x[layer][size_t(hit.trace)];
            hit.y = m_positions->y[layer][size_t(hit.trace)];
            return hit;
        }
    }
    return hit;
}

bool SurveyMap::writePicture(const QString& fileName, QSize size, QString* error)
{
    const bool svg = QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
    const MapView view = fitAll(size);
    OutputFile output(fileName);
    if (!output.open()) {
        *error = tr("Cannot write the map %1.").arg(fileName);
        return false;
    }
    bool written = true;
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(output.device());
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(tr("Survey map"));
        QPainter painter;
        written = painter.begin(&generator);
        if (written) {
            paint(painter, size, view, true);
            written = painter.end();
        }
    } else {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        paint(painter, size, view, false);
        painter.end();
        written = image.save(output.device(), "PNG");
    }
    if (!written || !output.commit()) {
        output.cancel();
        *error = tr("Cannot write the map %1.").arg(fileName);
        return false;
    }
    return true;
}
