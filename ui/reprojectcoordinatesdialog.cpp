#include "reprojectcoordinatesdialog.h"

#include "crscombobox.h"
#include "crsdefinition.h"
#include "ui_reprojectcoordinatesdialog.h"

ReprojectCoordinatesDialog::ReprojectCoordinatesDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::ReprojectCoordinatesDialog)
{
    ui->setupUi(this);
    const CrsLookup all = CrsCatalogue().byName(QString());
    populateCrsComboBoxFromCatalogue(ui->inEpsgComboBox, all);
    populateCrsComboBoxFromCatalogue(ui->outEpsgComboBox, all);
}

ReprojectCoordinatesDialog::~ReprojectCoordinatesDialog()
{
    delete ui;
}

int ReprojectCoordinatesDialog::inputEpsg() const
{
    return shownCrsCode(ui->inEpsgComboBox);
}

int ReprojectCoordinatesDialog::outputEpsg() const
{
    return shownCrsCode(ui->outEpsgComboBox);
}

QString ReprojectCoordinatesDialog::inputText() const
{
    return ui->inEpsgComboBox->currentText();
}

QString ReprojectCoordinatesDialog::outputText() const
{
    return ui->outEpsgComboBox->currentText();
}
