#include "surveymapview.h"

#include "headerfields.h"
#include "segy.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

SurveyMapView::SurveyMapView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumSize(300, 240);
    setCursor(Qt::OpenHandCursor);
    m_map.setSurvey(&m_positions, &m_geometry);
}

void SurveyMapView::setSegy(SEGY* segy)
{
    m_segy = segy;
    connect(segy, &SEGY::loadCompleted, this, [this] {
        m_fitPending = true;
        headersEdited();
    });
    connect(segy, &SEGY::headersChanged, this, [this] { headersEdited(); });
    connect(segy, &SEGY::headersReleasing, this, [this] {
        m_positions = TracePositions();
        m_geometry = SurveyGeometry();
        m_map.setSurvey(&m_positions, &m_geometry);
        m_map.setColourValues({}, QString());
        m_map.setSelection({});
        m_stale = true;
        m_imageValid = false;
        update();
    });
}

// Many changes in a row are read once, when the event loop comes back and
// only while the map is shown.
void SurveyMapView::headersEdited()
{
    const bool wasStale = m_stale;
    m_stale = true;
    m_imageValid = false;
    if (!wasStale && isVisible())
        QTimer::singleShot(0, this, [this] {
            if (m_stale && isVisible())
                refreshNow();
        });
    else if (isVisible())
        update();
}

void SurveyMapView::refreshNow()
{
    m_stale = false;
    m_imageValid = false;
    if (!m_segy || !m_segy->isLoaded()) {
        update();
        return;
    }
    m_positions = readTracePositions(*m_segy, fieldIndex(TraceField::Inline), fieldIndex(TraceField::Crossline));
    m_geometry = surveyGeometry(m_positions);
    m_map.setSurvey(&m_positions, &m_geometry);
    setColourField(m_colourField);
    if (m_fitPending) {
        m_fitPending = false;
        m_moved = false;
        m_view = m_map.fitAll(size());
    }
    update();
    emit surveyRead();
}

void SurveyMapView::setLayerVisible(int layer, bool visible)
{
    m_map.setLayerVisible(layer, visible);
    m_imageValid = false;
    update();
}

void SurveyMapView::setColourField(int field)
{
    m_colourField = field;
    if (field >= 0 && m_segy && m_segy->isLoaded())
        m_map.setColourValues(traceFieldValues(*m_segy, field), traceHeaderLabels().at(field));
    else
        m_map.setColourValues({}, QString());
    m_imageValid = false;
    update();
}

void SurveyMapView::setSelection(std::vector<int> traces)
{
    m_map.setSelection(std::move(traces));
    m_imageValid = false;
    update();
}

void SurveyMapView::fitAll()
{
    if (m_stale)
        refreshNow();
    m_view = m_map.fitAll(size());
    m_moved = false;
    m_imageValid = false;
    update();
}

MapHit SurveyMapView::traceAt(QPoint pixel) const
{
    return m_map.traceAt(pixel);
}

QPointF SurveyMapView::pixelOf(int trace, int layer) const
{
    return m_map.toPixel(m_positions.x[layer][size_t(trace)], m_positions.y[layer][size_t(trace)], m_view, size());
}

void SurveyMapView::redraw()
{
    if (m_stale)
        refreshNow();
    if (m_image.size() != size())
        m_image = QImage(size(), QImage::Format_RGB32);
    QPainter painter(&m_image);
    m_map.paint(painter, size(), m_view);
    if (m_geometry.traceCount == 0 || m_geometry.kind == SurveyGeometry::NoPositions) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter,
                         m_segy && m_segy->isLoaded() ? tr("No trace has a position to show.") : tr("No file loaded."));
    }
    m_imageValid = true;
}

void SurveyMapView::paintEvent(QPaintEvent*)
{
    if (!m_imageValid || m_stale || m_image.size() != size())
        redraw();
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void SurveyMapView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Until the user zooms or pans, the whole survey stays in view.
    if ((m_fitPending || !m_moved) && !m_stale) {
        m_fitPending = false;
        m_view = m_map.fitAll(size());
    }
    m_imageValid = false;
}

void SurveyMapView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refreshNow();
}

void SurveyMapView::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    // The position under the cursor stays under it.
    const QPointF cursor = event->position();
    const QPointF fixed = m_map.toPosition(cursor, m_view, size());
    m_view.unitsPerPixel *= std::pow(0.8, steps);
    m_moved = true;
    const QPointF moved = m_map.toPosition(cursor, m_view, size());
    m_view.centreX += fixed.x() - moved.x();
    m_view.centreY += fixed.y() - moved.y();
    m_imageValid = false;
    update();
    event->accept();
}

void SurveyMapView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressAt = m_dragFrom = event->pos();
    m_dragging = false;
}

void SurveyMapView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) {
        if (!m_dragging && (event->pos() - m_pressAt).manhattanLength() < 4)
            return;
        if (!m_dragging)
            setCursor(Qt::ClosedHandCursor);
        m_dragging = true;
        m_moved = true;
        const QPoint delta = event->pos() - m_dragFrom;
        m_dragFrom = event->pos();
        m_view.centreX -= delta.x() * m_view.unitsPerPixel;
        m_view.centreY += delta.y() * m_view.unitsPerPixel;
        m_imageValid = false;
        update();
        return;
    }
    const MapHit hit = m_map.traceAt(event->pos());
    if (hit.trace < 0) {
        QToolTip::hideText();
        return;
    }
    const int decimals = m_positions.unitName() == QLatin1String("deg") ? 7 : 2;
    QToolTip::showText(event->globalPos(),
                       tr("Trace %2 (%1)\nInline %3, crossline %4\nX %5\nY %6")
                           .arg(SurveyMap::layerName(hit.layer))
                           .arg(hit.trace + 1)
                           .arg(m_positions.inlines[size_t(hit.trace)])
                           .arg(m_positions.crosslines[size_t(hit.trace)])
                           .arg(hit.x, 0, 'f', decimals)
                           .arg(hit.y, 0, 'f', decimals),
                       this);
}

void SurveyMapView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setCursor(Qt::OpenHandCursor);
    if (m_dragging) {
        m_dragging = false;
        return;
    }
    const MapHit hit = m_map.traceAt(event->pos());
    if (hit.trace >= 0)
        emit traceClicked(hit.trace);
}
