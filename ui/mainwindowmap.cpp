// The main window's Map tab and its link with the trace table.

#include "headertablemodels.h"
#include "mainwindow.h"
#include "maptab.h"
#include "segy.h"
#include "surveymapview.h"
#include "tracesort.h"
#include "ui_mainwindow.h"

#include <QItemSelectionModel>
#include <QSortFilterProxyModel>

namespace {

// More traces than this selected in the table are not all ringed.
constexpr int MaxRingedTraces = 100000;

}  // namespace

void MainWindow::setupMapTab()
{
    m_mapTab = new MapTab(this);
    m_mapTab->setSegy(m_segy);
    ui->tabWidget->insertTab(ui->tabWidget->indexOf(ui->traceHeaderTab) + 1, m_mapTab, tr("Map"));
    // Cells edited in the table store their values directly.
    connect(m_traceModel, &QAbstractItemModel::dataChanged, m_mapTab->view(), &SurveyMapView::headersEdited);
    connect(m_mapTab->view(), &SurveyMapView::traceClicked, this, &MainWindow::selectTraceInTable);
    connect(ui->traceHeadersTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::showTableSelectionOnMap);
    connect(ui->selectedHeadersTableView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                m_mapTab->setSelectedField(current.isValid() ? m_filterModel->mapToSource(current).row() : -1);
            });
}

void MainWindow::selectTraceInTable(int trace)
{
    const SEGYTraceHeader* header = m_segy->traceHeaders().value(trace);
    int position = -1;
    for (int p = 0; header && p < m_traceHeaderList->count(); ++p) {
        if (m_traceHeaderList->at(p) == header) {
            position = p;
            break;
        }
    }
    if (position < 0)
        return;
    QTableView* table = ui->traceHeadersTableView;
    const bool rows = m_traceModel->mode() == 0;
    const QModelIndex cell = rows ? m_traceModel->index(position, 0) : m_traceModel->index(0, position);
    table->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect
                                                       | (rows ? QItemSelectionModel::Rows : QItemSelectionModel::Columns));
    table->scrollTo(cell);
}

void MainWindow::showTableSelectionOnMap()
{
    const bool rows = m_traceModel->mode() == 0;
    std::vector<int> traces;
    std::vector<bool> seen(size_t(m_traceHeaderList->count()), false);
    for (const QItemSelectionRange& range : ui->traceHeadersTableView->selectionModel()->selection()) {
        const int first = rows ? range.top() : range.left();
        const int last = rows ? range.bottom() : range.right();
        for (int p = first; p <= last && int(traces.size()) < MaxRingedTraces; ++p) {
            if (p < 0 || p >= int(seen.size()) || seen[size_t(p)])
                continue;
            seen[size_t(p)] = true;
            const int trace = m_segy->traceIndexOf(m_traceHeaderList->at(p));
            if (trace >= 0)
                traces.push_back(trace);
        }
    }
    m_mapTab->view()->setSelection(std::move(traces));
}
