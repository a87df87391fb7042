#pragma once

#include "surveygeometry.h"
#include "surveymap.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <vector>

class SEGY;

// The survey map of the open file as a widget: the wheel zooms about the
// cursor, dragging pans, hovering a point shows its trace, clicking it
// reports the trace. The picture of the current view is drawn once into an
// image and repainted from there until the view or the positions change;
// positions are read again after every change of the headers.
class SurveyMapView : public QWidget
{
    Q_OBJECT

public:
    explicit SurveyMapView(QWidget* parent = nullptr);

    // Follows a file object: its loads and header changes.
    void setSegy(SEGY* segy);
    void setLayerVisible(int layer, bool visible);
    // Colours the CDPs by a trace header field (index; -1: by layer).
    void setColourField(int field);
    int colourField() const { return m_colourField; }
    // The traces (0-based indexes) ringed on the map.
    void setSelection(std::vector<int> traces);
    void fitAll();

    // For the window and its tests: the trace under a widget pixel, and
    // where a trace's point of a layer is drawn.
    MapHit traceAt(QPoint pixel) const;
    QPointF pixelOf(int trace, int layer) const;
    const SurveyGeometry& geometry() const { return m_geometry; }
    const MapView& view() const { return m_view; }
    // Reads the positions again now, instead of from the event loop.
    void refreshNow();
    // Header values were stored (also outside SEGY::apply): the positions
    // are read again when the event loop comes back, if shown.
    void headersEdited();

signals:
    void traceClicked(int trace);
    // The positions and the geometry were read again.
    void surveyRead();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void redraw();

    SEGY* m_segy = nullptr;
    TracePositions m_positions;
    SurveyGeometry m_geometry;
    SurveyMap m_map;
    MapView m_view;
    QImage m_image;
    bool m_stale = true;       // positions to read again
    bool m_fitPending = true;  // no view chosen yet for these positions
    bool m_imageValid = false;
    bool m_moved = false;  // zoomed or panned since the last fit
    int m_colourField = -1;
    QPoint m_pressAt;
    QPoint m_dragFrom;
    bool m_dragging = false;
};
