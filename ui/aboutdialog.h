#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

// The program's name, purpose and version, and the Qt it runs with.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

private:
    Ui::AboutDialog* ui;
};
