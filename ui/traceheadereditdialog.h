#pragma once

#include "fieldlayout.h"

#include <QDialog>

namespace Ui {
class TraceHeaderEditDialog;
}

// Asks for a new value of one trace-header field, for the trace whose cell was
// double-clicked or for a range of traces. The dialog changes no data: the
// caller fills it, shows it and, once it is accepted, applies value() either
// to the one cell or, with applyToAllTraces(), to every trace position from
// startTrace() to endTrace() in the table's current order, in one pass.
// The two bounds are independent boxes: a first trace after the last selects
// nothing, and while the range applies the dialog says so and refuses OK.
class TraceHeaderEditDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TraceHeaderEditDialog(QWidget* parent = nullptr);
    ~TraceHeaderEditDialog() override;

    // Puts text into the value field, selected, so that typing replaces it.
    void setValue(const QString& text);
    // What the value box lets through: numbers of a custom field's type;
    // without a type, 32-bit integers.
    void setValueType(const ValueType* type);
    void setApplyToAllTraces(bool apply);
    // Minimum, then maximum, then value of the first- and last-trace boxes
    // (1-based trace positions).
    void setStartRange(int value, int minimum, int maximum);
    void setEndRange(int value, int minimum, int maximum);

    QString value() const;
    bool applyToAllTraces() const;
    int startTrace() const;
    int endTrace() const;

public slots:
    // Refused while the range applies and selects no trace.
    void accept() override;

private slots:
    void on_allTracesCheckBox_toggled(bool checked);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool rangeSelectsNothing() const;
    void updateRangeState();

    Ui::TraceHeaderEditDialog* ui;
};
