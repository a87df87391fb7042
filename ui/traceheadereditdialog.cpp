#include "traceheadereditdialog.h"
#include "ui_traceheadereditdialog.h"

#include <QIntValidator>
#include <QLocale>
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
    auto* validator = new QIntValidator(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                                        ui->traceFieldLineEdit);
    QLocale plain = QLocale::c();
    plain.setNumberOptions(QLocale::RejectGroupSeparator);
    validator->setLocale(plain);
    ui->traceFieldLineEdit->setValidator(validator);

    // A first trace past the last one (or the reverse) would select no trace
    // at all: moving one bound past the other carries the other along.
    connect(ui->traceStartIdxSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this] { keepRangeOrdered(true); });
    connect(ui->traceEndIdxSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this] { keepRangeOrdered(false); });
}

TraceHeaderEditDialog::~TraceHeaderEditDialog()
{
    delete ui;
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
    m_settingRange = true;
    setSpinRange(ui->traceStartIdxSpinBox, value, minimum, maximum);
    m_settingRange = false;
}

void TraceHeaderEditDialog::setEndRange(int value, int minimum, int maximum)
{
    m_settingRange = true;
    setSpinRange(ui->traceEndIdxSpinBox, value, minimum, maximum);
    m_settingRange = false;
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

void TraceHeaderEditDialog::on_allTracesCheckBox_toggled(bool checked)
{
    ui->fromLabel->setEnabled(checked);
    ui->traceStartIdxSpinBox->setEnabled(checked);
    ui->toLabel->setEnabled(checked);
    ui->traceEndIdxSpinBox->setEnabled(checked);
}

void TraceHeaderEditDialog::keepRangeOrdered(bool startMoved)
{
    // The caller's set-up may pass through a disordered state between its two
    // range calls; only the user's edits move the other bound.
    if (m_settingRange)
        return;
    m_settingRange = true;
    if (startMoved && endTrace() < startTrace())
        ui->traceEndIdxSpinBox->setValue(startTrace());
    else if (!startMoved && startTrace() > endTrace())
        ui->traceStartIdxSpinBox->setValue(endTrace());
    m_settingRange = false;
}
