#pragma once

#include <QDialog>

namespace Ui {
class ReprojectCoordinatesDialog;
}

// Choice of the input and output reference systems for reprojecting the
// trace coordinates: catalogue entries, or PROJ definitions typed in ("+...").
class ReprojectCoordinatesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReprojectCoordinatesDialog(QWidget* parent = nullptr);
    ~ReprojectCoordinatesDialog() override;

    // EPSG code of the current entry, 0 when the box has none.
    int inputEpsg() const;
    int outputEpsg() const;
    QString inputText() const;
    QString outputText() const;

private:
    Ui::ReprojectCoordinatesDialog* ui;
};
