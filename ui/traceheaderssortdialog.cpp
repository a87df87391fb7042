#include "traceheaderssortdialog.h"
#include "ui_traceheaderssortdialog.h"

#include "comboboxitemdelegate.h"
#include "headertablemodels.h"
#include "segytraceheadercomparertablemodel.h"

#include <QKeyEvent>
#include <QMessageBox>

TraceHeadersSortDialog::TraceHeadersSortDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::TraceHeadersSortDialog), m_fieldFilter(new TraceHeadersFilterModel(this))
{
    ui->setupUi(this);

    // Search: a case-insensitive part of the list text, byte range or words.
    auto* fields = new TraceHeaderSelectionTableModel(this);
    fields->setCheckable(false);
    m_fieldFilter->setSourceModel(fields);
    ui->availableListView->setModel(m_fieldFilter);
    ui->availableListView->setCurrentIndex(m_fieldFilter->index(0, 0));
    ui->searchLineEdit->installEventFilter(this);

    auto* keys = new SEGYTraceHeaderComparerTableModel(this);
    ui->selectedTableView->setModel(keys);
    auto* delegate = new ComboBoxItemDelegate(this);
    delegate->setItems(SEGYTraceHeaderComparerTableModel::directionTexts());
    delegate->setColumn(1);
    ui->selectedTableView->setItemDelegate(delegate);

    // Each button is enabled exactly when its slot would do something.
    connect(ui->availableListView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TraceHeadersSortDialog::updateButtons);
    connect(ui->selectedTableView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TraceHeadersSortDialog::updateButtons);
    connect(keys, &QAbstractItemModel::rowsInserted, this, &TraceHeadersSortDialog::updateButtons);
    connect(keys, &QAbstractItemModel::rowsRemoved, this, &TraceHeadersSortDialog::updateButtons);
    connect(keys, &QAbstractItemModel::rowsMoved, this, &TraceHeadersSortDialog::updateButtons);
    connect(keys, &QAbstractItemModel::modelReset, this, &TraceHeadersSortDialog::updateButtons);
    updateButtons();
}

TraceHeadersSortDialog::~TraceHeadersSortDialog()
{
    delete ui;
}

const QList<TraceHeaderSortKey>* TraceHeadersSortDialog::sortKeys() const
{
    const SEGYTraceHeaderComparerTableModel* model = keyModel();
    return model ? &model->keys() : nullptr;
}

SEGYTraceHeaderComparerTableModel* TraceHeadersSortDialog::keyModel() const
{
    return qobject_cast<SEGYTraceHeaderComparerTableModel*>(ui->selectedTableView->model());
}

int TraceHeadersSortDialog::currentKeyRow() const
{
    const QModelIndex current = ui->selectedTableView->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TraceHeadersSortDialog::selectKey(int row)
{
    SEGYTraceHeaderComparerTableModel* model = keyModel();
    if (!model || row < 0 || row >= model->rowCount())
        return;
    ui->selectedTableView->setCurrentIndex(model->index(row, 0));
}

void TraceHeadersSortDialog::on_addButton_clicked()
{
    SEGYTraceHeaderComparerTableModel* model = keyModel();
    const QModelIndex field = m_fieldFilter->mapToSource(ui->availableListView->currentIndex());
    if (!model || !field.isValid())
        return;
    model->appendKey({field.row(), true});
    selectKey(model->rowCount() - 1);
}

void TraceHeadersSortDialog::on_removeButton_clicked()
{
    SEGYTraceHeaderComparerTableModel* model = keyModel();
    const int row = currentKeyRow();
    if (!model || !model->removeKey(row))
        return;
    selectKey(qMin(row, model->rowCount() - 1));
}

void TraceHeadersSortDialog::on_clearButton_clicked()
{
    if (SEGYTraceHeaderComparerTableModel* model = keyModel())
        model->clearKeys();
}

void TraceHeadersSortDialog::moveCurrentKey(int step)
{
    SEGYTraceHeaderComparerTableModel* model = keyModel();
    const int row = currentKeyRow();
    if (model && model->moveKey(row, row + step))
        selectKey(row + step);
}

void TraceHeadersSortDialog::on_moveUpButton_clicked()
{
    moveCurrentKey(-1);
}

void TraceHeadersSortDialog::on_moveDownButton_clicked()
{
    moveCurrentKey(1);
}

void TraceHeadersSortDialog::on_buttonBox_accepted()
{
    // Runs after the dialog has accepted: an empty list is reported and the
    // dialog ends rejected; the caller sorts only with keys.
    const QList<TraceHeaderSortKey>* keys = sortKeys();
    if (keys && !keys->isEmpty())
        return;
    QMessageBox::warning(this, tr("Warning!"), tr("No data to sort by!"), QMessageBox::Ok);
    reject();
}

void TraceHeadersSortDialog::on_searchLineEdit_textChanged(const QString& text)
{
    m_fieldFilter->setFilterFixedString(text);
    // Keep a field highlighted while any is listed, so Add always has one.
    if (!ui->availableListView->currentIndex().isValid() && m_fieldFilter->rowCount() > 0)
        ui->availableListView->setCurrentIndex(m_fieldFilter->index(0, 0));
    ui->searchLineEdit->installEventFilter(this);
    updateButtons();
}

void TraceHeadersSortDialog::on_availableListView_doubleClicked(const QModelIndex& index)
{
    if (index.isValid())
        on_addButton_clicked();
}

bool TraceHeadersSortDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Return in the search field adds the highlighted field rather than
    // closing the dialog.
    if (watched == ui->searchLineEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            on_addButton_clicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TraceHeadersSortDialog::updateButtons()
{
    const SEGYTraceHeaderComparerTableModel* model = keyModel();
    const int count = model ? model->rowCount() : 0;
    const int row = currentKeyRow();
    ui->addButton->setEnabled(model && ui->availableListView->currentIndex().isValid());
    ui->removeButton->setEnabled(row >= 0);
    ui->clearButton->setEnabled(count > 0);
    ui->moveUpButton->setEnabled(row > 0);
    ui->moveDownButton->setEnabled(row >= 0 && row < count - 1);
}

void TraceHeadersSortDialog::setCustomFields(const QList<FieldDescription>& fields)
{
    if (auto* list = qobject_cast<TraceHeaderSelectionTableModel*>(m_fieldFilter->sourceModel()))
        list->setCustomFields(fields);
    QStringList names;
    for (const FieldDescription& field : fields)
        names << field.name;
    if (SEGYTraceHeaderComparerTableModel* keys = keyModel()) {
        keys->setCustomNames(names);
        keys->clearKeys();
    }
}
