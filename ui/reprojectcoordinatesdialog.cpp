#include "reprojectcoordinatesdialog.h"

#include "crscombobox.h"
#include "crsdefinition.h"
#include "ui_reprojectcoordinatesdialog.h"

namespace {

// The code of the entry the box shows. Text typed over an entry no longer
// stands for that entry: only an entry with exactly that text gives a code.
int currentEpsg(const QComboBox* box)
{
    int index = box->currentIndex();
    if (box->itemText(index) != box->currentText())
        index = box->findText(box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    const QVariant data = box->itemData(index, Qt::UserRole);
    return data.type() == QVariant::Int ? data.toInt() : 0;
}

}  // namespace

ReprojectCoordinatesDialog::ReprojectCoordinatesDialog(QWidget* parent)
    : QDialog(parent), ui(new Ui::ReprojectCoordinatesDialog)
{
    ui->setupUi(this);
    const QList<CrsDefinition> catalogue = crsByName(QString());
    populateCrsComboBox(ui->inEpsgComboBox, catalogue);
    populateCrsComboBox(ui->outEpsgComboBox, catalogue);
}

ReprojectCoordinatesDialog::~ReprojectCoordinatesDialog()
{
    delete ui;
}

int ReprojectCoordinatesDialog::inputEpsg() const
{
    return currentEpsg(ui->inEpsgComboBox);
}

int ReprojectCoordinatesDialog::outputEpsg() const
{
    return currentEpsg(ui->outEpsgComboBox);
}

QString ReprojectCoordinatesDialog::inputText() const
{
    return ui->inEpsgComboBox->currentText();
}

QString ReprojectCoordinatesDialog::outputText() const
{
    return ui->outEpsgComboBox->currentText();
}
