#include "aboutdialog.h"

#include "ui_aboutdialog.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent), ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    ui->versionLabel->setText(QStringLiteral("<html><head/><body><p align=\"center\">%1 %2</p></body></html>")
                                  .arg(tr("Version:"), QStringLiteral(TREVALON_VERSION)));
    // The Qt the program actually runs with, not the one it was built against.
    ui->qtLabel->setText(tr("This application uses Qt version %1.<br>"
                            "Qt is a registered trademark of The Qt Company Ltd. and/or its subsidiaries.")
                             .arg(QString::fromLatin1(qVersion())));
}

AboutDialog::~AboutDialog()
{
    delete ui;
}
