#pragma once

#include "surveygeometry.h"

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

class QPainter;

// What part of the survey a picture shows: the position at the centre of
// the plot and the length one pixel stands for, the same across and up
// (the map is drawn to scale, grid north up).
struct MapView {
    double centreX = 0;
    double centreY = 0;
    double unitsPerPixel = 1;
};

// A trace found under a pixel: its index and the layer of the point.
struct MapHit {
    int trace = -1;
    int layer = -1;
    double x = 0;
    double y = 0;
};

// The survey map: sources, receiver groups and CDPs to scale, with axes in
// the positions' unit, a north arrow, a scale bar, the fitted bin grid's
// outline and corner labels, and a legend. Points are first marked in a
// bitmap per layer, one mark per pixel, and then drawn once per marked
// pixel, so a million traces draw as fast as the pixels they cover. Uses
// Qt Gui only: pictures are made without any display.
class SurveyMap
{
public:
    // The positions and geometry are not copied and must outlive their use.
    void setSurvey(const TracePositions* positions, const SurveyGeometry* geometry);
    void setLayerVisible(int layer, bool visible) { m_visible[layer] = visible; }
    bool layerVisible(int layer) const { return m_visible[layer]; }
    // Colours the CDPs by a value per trace, from blue (smallest) to red;
    // empty values give each layer its own colour.
    void setColourValues(std::vector<qint32> values, const QString& label);
    // Traces ringed on the map.
    void setSelection(std::vector<int> traces) { m_selection = std::move(traces); }

    static QColor layerColour(int layer);
    static QString layerName(int layer);

    // The area of a picture of this size where points are plotted.
    static QRect plotArea(QSize size);
    // The view that shows every visible point in a picture of this size.
    MapView fitAll(QSize size) const;
    QPointF toPixel(double x, double y, const MapView& view, QSize size) const;
    QPointF toPosition(QPointF pixel, const MapView& view, QSize size) const;

    // Draws a picture of this size; with vector set, every mark is a
    // primitive of its own (for SVG), otherwise marks are stamped into an
    // image first. Remembers the marks for traceAt.
    void paint(QPainter& painter, QSize size, const MapView& view, bool vector = false);
    // The trace whose mark lies nearest to a pixel of the last picture,
    // within radius pixels; CDPs before sources before receivers.
    MapHit traceAt(QPoint pixel, int radius = 4) const;

    // Writes a PNG or SVG picture (by the file name's suffix) of every
    // position; false with the reason in *error when it cannot be written.
    bool writePicture(const QString& fileName, QSize size, QString* error);

private:
    void markLayers(const QRect& plot, const MapView& view, QSize size);
    void drawPoints(QPainter& painter, const QRect& plot, bool vector);
    void drawSelection(QPainter& painter, const QRect& plot, const MapView& view, QSize size);
    void drawGrid(QPainter& painter, const MapView& view, QSize size);
    void drawAxes(QPainter& painter, const QRect& plot, const MapView& view, QSize size);
    void drawDecorations(QPainter& painter, const QRect& plot, const MapView& view);
    void drawLegend(QPainter& painter, const QRect& plot);
    QColor valueColour(qint32 value) const;

    const TracePositions* m_positions = nullptr;
    const SurveyGeometry* m_geometry = nullptr;
    bool m_visible[TracePositions::LayerCount] = {true, true, true};
    std::vector<qint32> m_values;
    QString m_valueLabel;
    qint32 m_minValue = 0;
    qint32 m_maxValue = 0;
    std::vector<int> m_selection;

    // The last picture's marks: per layer, the first trace in each pixel of
    // the plot area (-1 for none).
    QRect m_plot;
    std::vector<qint32> m_marks[TracePositions::LayerCount];
    qint64 m_markCount[TracePositions::LayerCount] = {};
};
