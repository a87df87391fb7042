#pragma once

#include <QString>
#include <QWizardPage>

class QSpinBox;

namespace Ui {
class ImportPositioningSEGYWidardPage;
}

// The last page of the positioning import: which columns hold the source,
// receiver group and CDP coordinates, and whether they are written as they
// are (with a coordinate unit) or transformed between two reference systems
// of the EPSG catalogue. On Finish it hands the column mapping (see
// PositionImport) to its ImportDataFromTextWizard.
class ImportPositioningSEGYWidardPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ImportPositioningSEGYWidardPage(QWidget* parent = nullptr);
    ~ImportPositioningSEGYWidardPage() override;

    bool validatePage() override;

private slots:
    void on_srcCheckBox_toggled(bool checked);
    void on_rcvCheckBox_toggled(bool checked);
    void on_cdpCheckBox_toggled(bool checked);
    void on_applyTransformGroupBox_toggled(bool arg1);
    void on_writeAsisGroupBox_toggled(bool arg1);
    void on_inEpsgComboBox_activated(int index);
    void on_outEpsgComboBox_activated(int index);
    void on_inEpsgComboBox_editTextChanged(QString arg1);
    void on_outEpsgComboBox_editTextChanged(QString arg1);

private:
    void enableRow(QSpinBox* x, QSpinBox* y, bool checked);
    void updatePositionLabels();
    void updateInputCrsLabel();
    void updateOutputCrsLabel();

    Ui::ImportPositioningSEGYWidardPage* ui;
    bool inCrsValid = true;
    bool outCrsValid = true;
};
