#include "maptab.h"
#include "ui_maptab.h"

#include "headerfields.h"
#include "segy.h"
#include "surveymapview.h"

MapTab::MapTab(QWidget* parent) : QWidget(parent), ui(new Ui::MapTab)
{
    ui->setupUi(this);
    const std::pair<QCheckBox*, int> layers[] = {{ui->sourcesCheckBox, TracePositions::Sources},
                                                  {ui->receiversCheckBox, TracePositions::Receivers},
                                                  {ui->cdpsCheckBox, TracePositions::Cdps}};
    for (const auto& [box, layer] : layers) {
        const int l = layer;
        connect(box, &QCheckBox::toggled, this, [this, l](bool on) { ui->mapView->setLayerVisible(l, on); });
    }
    connect(ui->fitAllButton, &QPushButton::clicked, ui->mapView, &SurveyMapView::fitAll);
    connect(ui->colourCheckBox, &QCheckBox::toggled, this, &MapTab::updateColouring);
    updateColouring();
}

MapTab::~MapTab()
{
    delete ui;
}

void MapTab::setSegy(SEGY* segy)
{
    ui->mapView->setSegy(segy);
    connect(ui->mapView, &SurveyMapView::surveyRead, this, &MapTab::updateStatus);
}

SurveyMapView* MapTab::view() const
{
    return ui->mapView;
}

void MapTab::setSelectedField(int field)
{
    m_selectedField = field;
    updateColouring();
}

void MapTab::updateColouring()
{
    const bool on = ui->colourCheckBox->isChecked() && m_selectedField >= 0;
    ui->mapView->setColourField(on ? m_selectedField : -1);
    ui->colourCheckBox->setText(m_selectedField >= 0
                                    ? tr("Colour CDPs by %1").arg(traceHeaderLabels().at(m_selectedField))
                                    : tr("Colour CDPs by field"));
}

void MapTab::updateStatus()
{
    const SurveyGeometry& g = ui->mapView->geometry();
    const BinGrid& grid = g.grid;
    if (grid.fitted && !grid.degenerate)
        ui->statusLabel->setText(tr("Bin grid %1 x %2 %3, inlines at %4\u00b0; RMS residual %5 %3")
                                     .arg(grid.inlineBinSize, 0, 'f', 2)
                                     .arg(grid.crosslineBinSize, 0, 'f', 2)
                                     .arg(g.unit)
                                     .arg(grid.inlineAzimuth, 0, 'f', 1)
                                     .arg(grid.rmsResidual, 0, 'f', 2));
    else if (g.line.described)
        ui->statusLabel->setText(tr("Line of %1 CDPs, %2 %3 long").arg(g.line.points).arg(g.line.length, 0, 'f', 1).arg(g.unit));
    else
        ui->statusLabel->setText(g.notes.value(0));
}
