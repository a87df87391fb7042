#pragma once

#include "fieldlayout.h"

#include "tracesort.h"

#include <QDialog>
#include <QList>

namespace Ui {
class TraceHeadersSortDialog;
}

class QModelIndex;
class SEGYTraceHeaderComparerTableModel;
class TraceHeadersFilterModel;

// Builds the key list of the trace sort: fields picked from a searchable list
// of all trace-header fields, put in order, each ascending or descending. The
// dialog keeps its keys between showings; the caller sorts with a copy of
// sortKeys() once the dialog is accepted with keys.
class TraceHeadersSortDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TraceHeadersSortDialog(QWidget* parent = nullptr);
    ~TraceHeadersSortDialog() override;

    // The key list of the key table's model, or null when the table shows
    // some other model.
    const QList<TraceHeaderSortKey>* sortKeys() const;
    // Custom fields offered after the standard ones; clears the keys.
    void setCustomFields(const QList<FieldDescription>& fields);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void on_addButton_clicked();
    void on_removeButton_clicked();
    void on_clearButton_clicked();
    void on_moveUpButton_clicked();
    void on_moveDownButton_clicked();
    void on_buttonBox_accepted();
    void on_searchLineEdit_textChanged(const QString& text);
    void on_availableListView_doubleClicked(const QModelIndex& index);

private:
    SEGYTraceHeaderComparerTableModel* keyModel() const;
    int currentKeyRow() const;
    void selectKey(int row);
    void moveCurrentKey(int step);
    void updateButtons();

    Ui::TraceHeadersSortDialog* ui;
    TraceHeadersFilterModel* m_fieldFilter;
};
