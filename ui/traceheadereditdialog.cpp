#include "traceheadereditdialog.h"
#include "ui_traceheadereditdialog.h"

#include <QDialogButtonBox>
#include <QIntValidator>
#include <QRegularExpressionValidator>
#include <QLayout>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <limits>

namespace {

void setSpinRange(QSpinBox* box, int value, int minimum, int maximum)
{
    box->setMinimum(minimum);
    box->setMaximum(maximum);
    box->setValue(value);
}

}  // namespace

TraceHeaderEditDialog::TraceHeaderEditDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::TraceHeaderEditDialog)
{
    ui->setupUi(this);

    // Header values are parsed as plain base-10 text: a validator following
    // the user's locale would let "1,000" or "1.000" through, which no field
    // accepts.
    setValueType(nullptr);

    // Neither bound moves the other: while one is being typed it passes
    // through values (the "1" of "10") that must not drag the other along.
    // A first trace after the last is shown and refused instead.
    connect(ui->traceStartIdxSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TraceHeaderEditDialog::updateRangeState);
    connect(ui->traceEndIdxSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TraceHeaderEditDialog::updateRangeState);
    updateRangeState();
}

TraceHeaderEditDialog::~TraceHeaderEditDialog()
{
    delete ui;
}

void TraceHeaderEditDialog::setValueType(const ValueType* type)
{
    delete ui->traceFieldLineEdit->validator();
    QValidator* validator;
    if (!type || *type == ValueType::Int32) {
        auto* integers = new QIntValidator(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                                           ui->traceFieldLineEdit);
        QLocale plain = QLocale::c();
        plain.setNumberOptions(QLocale::RejectGroupSeparator);
        integers->setLocale(plain);
        validator = integers;
    } else {
        // Plain C-locale text; the field's range is checked when stored.
        const QString pattern = isFloatType(*type) ? QStringLiteral("-?[0-9]*\\.?[0-9]*([eE][-+]?[0-9]*)?")
                                : valueTypeName(*type).startsWith(QLatin1Char('u')) ? QStringLiteral("[0-9]*")
                                                                                   : QStringLiteral("-?[0-9]*");
        validator = new QRegularExpressionValidator(QRegularExpression(pattern), ui->traceFieldLineEdit);
    }
    ui->traceFieldLineEdit->setValidator(validator);
}

void TraceHeaderEditDialog::setValue(const QString& text)
{
    ui->traceFieldLineEdit->setText(text);
    ui->traceFieldLineEdit->selectAll();
    ui->traceFieldLineEdit->setFocus();
}

void TraceHeaderEditDialog::setApplyToAllTraces(bool apply)
{
    ui->allTracesCheckBox->setChecked(apply);
}

void TraceHeaderEditDialog::setStartRange(int value, int minimum, int maximum)
{
    setSpinRange(ui->traceStartIdxSpinBox, value, minimum, maximum);
}

void TraceHeaderEditDialog::setEndRange(int value, int minimum, int maximum)
{
    setSpinRange(ui->traceEndIdxSpinBox, value, minimum, maximum);
}

QString TraceHeaderEditDialog::value() const
{
    return ui->traceFieldLineEdit->text();
}

bool TraceHeaderEditDialog::applyToAllTraces() const
{
    return ui->allTracesCheckBox->isChecked();
}

int TraceHeaderEditDialog::startTrace() const
{
    return ui->traceStartIdxSpinBox->value();
}

int TraceHeaderEditDialog::endTrace() const
{
    return ui->traceEndIdxSpinBox->value();
}

void TraceHeaderEditDialog::accept()
{
    if (rangeSelectsNothing())
        return;
    QDialog::accept();
}

void TraceHeaderEditDialog::on_allTracesCheckBox_toggled(bool checked)
{
    ui->fromLabel->setEnabled(checked);
    ui->traceStartIdxSpinBox->setEnabled(checked);
    ui->toLabel->setEnabled(checked);
    ui->traceEndIdxSpinBox->setEnabled(checked);
    updateRangeState();
}

void TraceHeaderEditDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    updateRangeState();
}

bool TraceHeaderEditDialog::rangeSelectsNothing() const
{
    return applyToAllTraces() && startTrace() > endTrace();
}

void TraceHeaderEditDialog::updateRangeState()
{
    const bool nothing = rangeSelectsNothing();
    ui->emptyRangeLabel->setVisible(nothing);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!nothing);
    // The wrapped message needs more height than the dialog starts with;
    // grow it rather than squeeze the message over the range boxes.
    if (nothing && isVisible()) {
        layout()->activate();
        const int needed = layout()->totalHeightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    }
}
