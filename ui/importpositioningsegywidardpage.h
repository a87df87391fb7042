#pragma once

#include <QMap>
#include <QString>
#include <QWizardPage>

class QSpinBox;

namespace Ui {
class ImportPositioningSEGYWidardPage;
}

// The last page of the positioning import: which columns hold the source,
// receiver group and CDP coordinates, and whether they are written as they
// are (with a coordinate unit) or transformed between two reference systems
// of the EPSG catalogue. Below the choices it shows the first lines of the
// text as they will be stored, worked out by the import's own conversion;
// while any of them cannot be stored, Finish is disabled and the page says
// why. On Finish it hands the column mapping (see PositionImport) to its
// ImportDataFromTextWizard.
class ImportPositioningSEGYWidardPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ImportPositioningSEGYWidardPage(QWidget* parent = nullptr);
    ~ImportPositioningSEGYWidardPage() override;

    void initializePage() override;
    bool isComplete() const override;
    bool validatePage() override;

    // How many kept lines of the text the preview shows.
    static constexpr int PreviewRows = 20;

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
    // The mapping the current choices make (see PositionImport).
    QMap<QString, int> currentMapping() const;
    void updatePreview();

    Ui::ImportPositioningSEGYWidardPage* ui;
    bool inCrsValid = true;
    bool outCrsValid = true;
    QString m_refusal;  // why the previewed lines cannot all be stored; empty when they can
};
