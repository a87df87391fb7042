#include "importpositioningsegywidardpage.h"

#include "crscombobox.h"
#include "crsdefinition.h"
#include "importdatafromtextwizard.h"
#include "positioning.h"
#include "ui_importpositioningsegywidardpage.h"

#include <QComboBox>
#include <QMap>

namespace {

// An activated catalogue entry: the box shows its definition as tool tip and
// the unit box follows the definition. False when the entry carries no code.
bool followCrsChoice(QComboBox* box, QComboBox* unitBox, int index)
{
    if (!box->itemData(index).isValid()) {
        box->setToolTip(ImportPositioningSEGYWidardPage::tr("Please select a valid CRS"));
        return false;
    }
    const QString tip = box->itemData(index, Qt::ToolTipRole).toString();
    box->setToolTip(tip);
    const int units = unitsCodeOfDefinition(tip);
    if (units > 0)
        unitBox->setCurrentIndex(units - 1);
    return true;
}

}  // namespace

ImportPositioningSEGYWidardPage::ImportPositioningSEGYWidardPage(QWidget* parent)
    : QWizardPage(parent), ui(new Ui::ImportPositioningSEGYWidardPage)
{
    ui->setupUi(this);
    inCrsValid = true;
    outCrsValid = true;
    const CrsLookup all = CrsCatalogue().byName(QString());
    populateCrsComboBoxFromCatalogue(ui->inEpsgComboBox, all);
    populateCrsComboBoxFromCatalogue(ui->outEpsgComboBox, all);
}

ImportPositioningSEGYWidardPage::~ImportPositioningSEGYWidardPage()
{
    delete ui;
}

void ImportPositioningSEGYWidardPage::enableRow(QSpinBox* x, QSpinBox* y, bool checked)
{
    x->setEnabled(checked);
    y->setEnabled(checked);
    if (checked)
        updatePositionLabels();
}

void ImportPositioningSEGYWidardPage::on_srcCheckBox_toggled(bool checked)
{
    enableRow(ui->srcXSpinBox, ui->srcYSpinBox, checked);
}

void ImportPositioningSEGYWidardPage::on_rcvCheckBox_toggled(bool checked)
{
    enableRow(ui->rcvXSpinBox, ui->rcvYSpinBox, checked);
}

void ImportPositioningSEGYWidardPage::on_cdpCheckBox_toggled(bool checked)
{
    enableRow(ui->cdpXSpinBox, ui->cdpYSpinBox, checked);
}

void ImportPositioningSEGYWidardPage::on_applyTransformGroupBox_toggled(bool arg1)
{
    ui->writeAsisGroupBox->setChecked(!arg1);
}

void ImportPositioningSEGYWidardPage::on_writeAsisGroupBox_toggled(bool arg1)
{
    ui->applyTransformGroupBox->setChecked(!arg1);
}

void ImportPositioningSEGYWidardPage::on_inEpsgComboBox_activated(int index)
{
    inCrsValid = followCrsChoice(ui->inEpsgComboBox, ui->inUnitComboBox, index);
    updateInputCrsLabel();
    emit completeChanged();
}

void ImportPositioningSEGYWidardPage::on_outEpsgComboBox_activated(int index)
{
    outCrsValid = followCrsChoice(ui->outEpsgComboBox, ui->outUnitComboBox, index);
    updateOutputCrsLabel();
    emit completeChanged();
}

void ImportPositioningSEGYWidardPage::on_inEpsgComboBox_editTextChanged(QString arg1)
{
    if (arg1.isEmpty())
        inCrsValid = false;
    updateInputCrsLabel();
}

void ImportPositioningSEGYWidardPage::on_outEpsgComboBox_editTextChanged(QString arg1)
{
    if (arg1.isEmpty())
        outCrsValid = false;
    updateOutputCrsLabel();
}

void ImportPositioningSEGYWidardPage::updatePositionLabels()
{
    const bool any = ui->srcCheckBox->isChecked() || ui->rcvCheckBox->isChecked() || ui->cdpCheckBox->isChecked();
    const QString red = QStringLiteral("<font color=\"#FF0000\">%1 (!)</font>");
    ui->srcCheckLabel->setText(any ? tr("SRC POS") : red.arg(QStringLiteral("SRC POS")));
    ui->rcvCheckLabel->setText(any ? tr("RCV POS") : red.arg(QStringLiteral("RCV POS")));
    ui->cdpCheckLabel->setText(any ? tr("CDP POS") : red.arg(QStringLiteral("CDP POS")));
}

void ImportPositioningSEGYWidardPage::updateInputCrsLabel()
{
    ui->inCRSLabel->setText(inCrsValid ? tr("Input CRS:") : tr("<font color=\"#FF0000\">(!) Input CRS:</font>"));
}

void ImportPositioningSEGYWidardPage::updateOutputCrsLabel()
{
    ui->outCRSLabel->setText(outCrsValid ? tr("Output CRS:") : tr("<font color=\"#FF0000\">(!) Output CRS:</font>"));
}

bool ImportPositioningSEGYWidardPage::validatePage()
{
    if (!ui->srcCheckBox->isChecked() && !ui->rcvCheckBox->isChecked() && !ui->cdpCheckBox->isChecked()) {
        updatePositionLabels();
        return false;
    }
    const bool transform = ui->applyTransformGroupBox->isChecked();
    if (transform) {
        // A box that shows no catalogue entry (an empty catalogue, a text
        // typed but not chosen) names no system.
        if (shownCrsCode(ui->inEpsgComboBox) <= 0) {
            inCrsValid = false;
            updateInputCrsLabel();
        }
        if (shownCrsCode(ui->outEpsgComboBox) <= 0) {
            outCrsValid = false;
            updateOutputCrsLabel();
        }
        if (!inCrsValid || !outCrsValid)
            return false;
    }

    QMap<QString, int> mapping;
    const struct {
        QCheckBox* box;
        QSpinBox* x;
        QSpinBox* y;
        const char* xKey;
        const char* yKey;
    } rows[] = {{ui->srcCheckBox, ui->srcXSpinBox, ui->srcYSpinBox, "SRC_X", "SRC_Y"},
                {ui->rcvCheckBox, ui->rcvXSpinBox, ui->rcvYSpinBox, "RCV_X", "RCV_Y"},
                {ui->cdpCheckBox, ui->cdpXSpinBox, ui->cdpYSpinBox, "CDP_X", "CDP_Y"}};
    for (const auto& row : rows) {
        if (!row.box->isChecked())
            continue;
        mapping.insert(QLatin1String(row.xKey), row.x->value() - 1);
        mapping.insert(QLatin1String(row.yKey), row.y->value() - 1);
    }
    if (ui->writeAsisGroupBox->isChecked())
        mapping.insert(QStringLiteral("AS_IS_UNIT"), ui->asisUnitComboBox->currentIndex() + 1);
    if (transform) {
        mapping.insert(QStringLiteral("IN_EPSG"), shownCrsCode(ui->inEpsgComboBox));
        mapping.insert(QStringLiteral("OUT_EPSG"), shownCrsCode(ui->outEpsgComboBox));
        mapping.insert(QStringLiteral("IN_UNIT"), ui->inUnitComboBox->currentIndex() + 1);
        mapping.insert(QStringLiteral("OUT_UNIT"), ui->outUnitComboBox->currentIndex() + 1);
    }
    if (auto* importWizard = qobject_cast<ImportDataFromTextWizard*>(wizard()))
        importWizard->setMapping(mapping);
    return true;
}
